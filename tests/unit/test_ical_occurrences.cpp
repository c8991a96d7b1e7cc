#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ical/Calendar.h"
#include "ical/Occurrences.h"
#include "tools/MachineZones.h"

namespace {

using ical::LocalDateTime;

constexpr LocalDateTime kDecember{2026, 12, 1}, kJanuary{2027, 1, 1};

// Until the recurrence expansion is merged, a rule yields its first start
// only; the lines a rule adds beyond it are marked '*' and then not expected.
bool RulesExpand() {
    ical::RecurrenceRule daily;
    return ical::Expand(daily, {2026, 1, 1}, true, std::nullopt, {2026, 1, 1}, {2026, 1, 3}, 10).starts.size() == 2;
}

std::vector<std::string> Expected(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (line[0] != '*')
            out.push_back(line);
        else if (RulesExpand())
            out.push_back(line.substr(1));
    return out;
}

std::string Format(const ical::DateTime& t, int64_t utc) {
    const bool inUtc = t.kind == ical::TimeKind::Utc || t.kind == ical::TimeKind::Zoned;
    const LocalDateTime w = inUtc ? ical::FromWallSeconds(utc) : t.wall;
    char b[32];
    if (t.kind == ical::TimeKind::Date)
        std::snprintf(b, sizeof b, "%04d%02d%02d", w.year, w.month, w.day);
    else
        std::snprintf(b, sizeof b, "%04d%02d%02dT%02d%02d%02d%s", w.year, w.month, w.day, w.hour, w.minute, w.second,
                      inUtc ? "Z" : "");
    return b;
}

// The tool's lines for the events between BEGIN:VCALENDAR and END:VCALENDAR.
std::vector<std::string> Lines(const std::string& body, const char* local = "America/New_York",
                               LocalDateTime from = kDecember, LocalDateTime to = kJanuary) {
    const ical::Calendar c = ical::Read("BEGIN:VCALENDAR\n" + body + "\nEND:VCALENDAR\n");
    const machine_zones::MachineZones zones(local);
    std::vector<std::string> out;
    for (const auto& o : ical::FindOccurrences(c, zones, from, to, ical::WindowClock::AsWritten).items)
        out.push_back(Format(o.start, o.startUtc) + " " + Format(o.end, o.endUtc) + " " + std::string(o.summary));
    return out;
}

std::string Event(const std::string& lines) { return "BEGIN:VEVENT\n" + lines + "\nEND:VEVENT\n"; }

struct OccurrenceRow {
    const char* name;
    std::string body;
    std::vector<std::string> lines;
};
void PrintTo(const OccurrenceRow& r, std::ostream* os) { *os << r.name; }
class Occurrences : public ::testing::TestWithParam<OccurrenceRow> {};

TEST_P(Occurrences, AreTheInstancesLessTheExcludedWithTheOverridesInTheirPlace) {
    EXPECT_EQ(Lines(GetParam().body), Expected(GetParam().lines));
}

const std::string kMaster = "UID:m\nSUMMARY:m\nDTSTART:20261201T100000Z\nDTEND:20261201T110000Z\n";
const std::string kThree = kMaster + "RDATE:20261202T100000Z,20261203T100000Z";
const std::vector<std::string> kFirstAndThird = {"20261201T100000Z 20261201T110000Z m",
                                                 "20261203T100000Z 20261203T110000Z m"};

INSTANTIATE_TEST_SUITE_P(
    Ical, Occurrences,
    ::testing::Values(
        OccurrenceRow{"RdateAndExdate", Event(kThree + "\nEXDATE:20261202T100000Z"), kFirstAndThird},
        OccurrenceRow{"ExdateAsADateTakesThatDay", Event(kThree + "\nEXDATE;VALUE=DATE:20261202"), kFirstAndThird},
        OccurrenceRow{"ExdateInAnotherZoneAndSeveralLines",
                      Event(kThree + "\nEXDATE;TZID=Europe/Berlin:20261202T110000\nEXDATE:20261203T100000Z"),
                      {"20261201T100000Z 20261201T110000Z m"}},
        OccurrenceRow{"MovedToAnotherDay",
                      Event(kThree) + Event("UID:m\nSUMMARY:moved\nRECURRENCE-ID:20261202T100000Z\n"
                                            "DTSTART:20261205T150000Z\nDTEND:20261205T160000Z"),
                      {"20261201T100000Z 20261201T110000Z m", "20261203T100000Z 20261203T110000Z m",
                       "20261205T150000Z 20261205T160000Z moved"}},
        OccurrenceRow{"OverrideInAnotherZoneThanItsMaster",
                      Event(kThree) + Event("UID:m\nSUMMARY:later\nRECURRENCE-ID;TZID=Europe/Berlin:20261202T110000\n"
                                            "DTSTART:20261202T120000Z"),
                      {"20261201T100000Z 20261201T110000Z m", "20261202T120000Z 20261202T120000Z later",
                       "20261203T100000Z 20261203T110000Z m"}},
        OccurrenceRow{"OverrideWithoutMasterStandsAlone",
                      Event("UID:x\nSUMMARY:alone\nRECURRENCE-ID:20261102T100000Z\nDTSTART:20261204T100000Z"),
                      {"20261204T100000Z 20261204T100000Z alone"}},
        OccurrenceRow{
            "HighestSequenceWins",
            Event(kThree) +
                Event("UID:m\nSEQUENCE:2\nSUMMARY:new\nRECURRENCE-ID:20261202T100000Z\nDTSTART:20261202T130000Z") +
                Event("UID:m\nSEQUENCE:1\nSUMMARY:old\nRECURRENCE-ID:20261202T100000Z\nDTSTART:20261202T120000Z"),
            {"20261201T100000Z 20261201T110000Z m", "20261202T130000Z 20261202T130000Z new",
             "20261203T100000Z 20261203T110000Z m"}},
        OccurrenceRow{"CancelledOverrideTakesItsInstance",
                      Event(kThree) + Event("UID:m\nSTATUS:CANCELLED\nRECURRENCE-ID:20261202T100000Z\n"
                                            "DTSTART:20261202T100000Z"),
                      kFirstAndThird},
        OccurrenceRow{"CancelledEventNotShown", Event(kThree + "\nSTATUS:CANCELLED"), {}},
        OccurrenceRow{"ThisAndFutureMovesTheLaterOnes",
                      Event(kThree) + Event("UID:m\nSUMMARY:later\nRECURRENCE-ID;RANGE=THISANDFUTURE:20261202T100000Z\n"
                                            "DTSTART:20261202T120000Z\nDURATION:PT30M"),
                      {"20261201T100000Z 20261201T110000Z m", "20261202T120000Z 20261202T123000Z later",
                       "20261203T120000Z 20261203T123000Z later"}},
        OccurrenceRow{"RdatePeriodsAndDates",
                      Event(kMaster + "RDATE;VALUE=PERIOD:20261202T100000Z/PT3H,20261203T080000Z/20261203T081500Z\n"
                                      "RDATE;VALUE=DATE:20261204"),
                      {"20261201T100000Z 20261201T110000Z m", "20261202T100000Z 20261202T130000Z m",
                       "20261203T080000Z 20261203T081500Z m", "20261204T100000Z 20261204T110000Z m"}},
        OccurrenceRow{"SameUidTwiceBothShown",
                      Event("UID:same\nSUMMARY:a\nDTSTART;VALUE=DATE:20261202") +
                          Event("UID:same\nSUMMARY:b\nDTSTART;VALUE=DATE:20261202"),
                      {"20261202 20261203 a", "20261202 20261203 b"}},
        OccurrenceRow{"DefaultLengths",
                      Event("SUMMARY:day\nDTSTART;VALUE=DATE:20261202") + Event("SUMMARY:t\nDTSTART:20261202T100000"),
                      {"20261202 20261203 day", "20261202T100000 20261202T100000 t"}},
        OccurrenceRow{"StartedBeforeTheWindow",
                      Event("SUMMARY:trip\nDTSTART;VALUE=DATE:20261128\nDTEND;VALUE=DATE:20261203") +
                          Event("SUMMARY:night\nDTSTART:20261130T220000Z\nDURATION:PT4H") +
                          Event("SUMMARY:ended\nDTSTART:20261130T220000Z\nDTEND:20261201T000000Z"),
                      {"20261128 20261203 trip", "20261130T220000Z 20261201T020000Z night"}},
        OccurrenceRow{"DailyRuleWithCount",
                      Event("SUMMARY:d\nDTSTART;VALUE=DATE:20261230\nRRULE:FREQ=DAILY;COUNT=999999999"),
                      {"20261230 20261231 d", "*20261231 20270101 d"}},
        OccurrenceRow{"UntilBeforeTheStartKeepsTheStart",
                      Event("SUMMARY:u\nDTSTART:20261210T100000Z\nRRULE:FREQ=DAILY;UNTIL=20261101T000000Z"),
                      {"20261210T100000Z 20261210T100000Z u"}},
        OccurrenceRow{"WeeklyUntilInUtcThroughTheEventsZone",
                      Event("SUMMARY:w\nDTSTART;TZID=Europe/Berlin:20261201T090000\n"
                            "RRULE:FREQ=WEEKLY;UNTIL=20261215T080000Z"),
                      {"20261201T080000Z 20261201T080000Z w", "*20261208T080000Z 20261208T080000Z w",
                       "*20261215T080000Z 20261215T080000Z w"}}));

TEST(IcalOccurrences, RunawayRulesAreCutAndCounted) {
    const ical::Calendar c = ical::Read(
        "BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20261201T000000Z\n"
        "RRULE:FREQ=SECONDLY\nEND:VEVENT\nEND:VCALENDAR\n");
    const machine_zones::MachineZones zones("UTC");
    const auto list = ical::FindOccurrences(c, zones, kDecember, kJanuary);
    EXPECT_LE(list.items.size(), ical::kMostOccurrencesInAWindow + 1);
    EXPECT_EQ(list.cutRules, RulesExpand() ? 1u : 0u);
}

// The TZIDs services write, in the order they are looked for, against a user in New York.
struct ZoneRow {
    const char* name;
    std::string body;
    std::string start;  // in UTC
    size_t unknown;
};
void PrintTo(const ZoneRow& r, std::ostream* os) { *os << r.name; }
class ZoneOrder : public ::testing::TestWithParam<ZoneRow> {};

TEST_P(ZoneOrder, FindsEachTzidWhereTheCalendarMeantIt) {
    const ical::Calendar c = ical::Read("BEGIN:VCALENDAR\n" + GetParam().body + "\nEND:VCALENDAR\n");
    const machine_zones::MachineZones zones("America/New_York");
    const auto list = ical::FindOccurrences(c, zones, {2026, 1, 1}, {2027, 1, 1});
    ASSERT_EQ(list.items.size(), 1u);
    const ical::Occurrence& o = list.items[0];
    EXPECT_EQ(Format(ical::DateTime{{}, ical::TimeKind::Utc}, o.startUtc), GetParam().start);
    EXPECT_EQ(list.unknownZones.size(), GetParam().unknown);
}

std::string At(const std::string& tzid, const std::string& wall = "20261203T090000") {
    return Event("SUMMARY:z\nDTSTART;TZID=\"" + tzid + "\":" + wall);
}
std::string FixedZone(const std::string& tzid, const std::string& offset) {
    return "BEGIN:VTIMEZONE\nTZID:" + tzid + "\nBEGIN:STANDARD\nDTSTART:19700101T000000\nTZOFFSETFROM:" + offset +
           "\nTZOFFSETTO:" + offset + "\nEND:STANDARD\nEND:VTIMEZONE";
}
// Labelled the wrong way round: the offsets are what count.
const std::string kSwapped =
    "BEGIN:VTIMEZONE\nTZID:Swapped\nBEGIN:STANDARD\nDTSTART:19810329T020000\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\nEND:STANDARD\nBEGIN:DAYLIGHT\nDTSTART:19961027T030000\n"
    "TZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:DAYLIGHT\nEND:VTIMEZONE";

INSTANTIATE_TEST_SUITE_P(
    Ical, ZoneOrder,
    ::testing::Values(
        ZoneRow{"DefinitionAfterTheEventFirst",
                At("W. Europe Standard Time") + FixedZone("W. Europe Standard Time", "+0300"), "20261203T060000Z", 0},
        ZoneRow{"WindowsName", At("W. Europe Standard Time"), "20261203T080000Z", 0},
        ZoneRow{"WindowsNameWithCopyNumber", At("W. Europe Standard Time 1"), "20261203T080000Z", 0},
        ZoneRow{"WindowsDisplayName", At("(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"),
                "20261203T080000Z", 0},
        ZoneRow{"OlderDisplayName", At("(GMT+09:00) Osaka, Sapporo, Tokyo"), "20261203T000000Z", 0},
        ZoneRow{"Iana", At("Europe/Berlin"), "20261203T080000Z", 0},
        ZoneRow{"IanaOfAnotherTerritory", At("America/Sao_Paulo"), "20261203T120000Z", 0},
        ZoneRow{"IanaWithVendorPrefix", At("/mozilla.org/20070129_1/Asia/Tokyo"), "20261203T000000Z", 0},
        ZoneRow{"UnknownIsLocalAndCounted", At("Mars/Olympus_Mons"), "20261203T140000Z", 1},
        ZoneRow{"FloatingIsLocal", Event("DTSTART:20261203T090000"), "20261203T140000Z", 0},
        ZoneRow{"FloatingInTheCalendarsZone", "X-WR-TIMEZONE:Asia/Tokyo\n" + Event("DTSTART:20261203T090000"),
                "20261203T000000Z", 0},
        ZoneRow{"SwappedLabelsInSummer", At("Swapped", "20260701T090000") + kSwapped, "20260701T070000Z", 0},
        ZoneRow{"SwappedLabelsInWinter", At("Swapped") + kSwapped, "20261203T080000Z", 0},
        ZoneRow{"SkippedHourReadWithTheOffsetBefore", At("Europe/Berlin", "20260329T023000"), "20260329T013000Z", 0},
        ZoneRow{"RepeatedHourIsItsFirstInstant", At("Europe/Berlin", "20261025T023000"), "20261025T003000Z", 0},
        ZoneRow{"DefinedSkippedHour", At("Swapped", "20260329T023000") + kSwapped, "20260329T013000Z", 0}));

// The local days an occurrence touches, for a user in Berlin.
struct DaysRow {
    const char* name;
    std::string event;
    LocalDateTime first, last;
    int64_t seconds;  // its length (timed ones)
};
void PrintTo(const DaysRow& r, std::ostream* os) { *os << r.name; }
class DaysTouched : public ::testing::TestWithParam<DaysRow> {};

TEST_P(DaysTouched, AreEveryLocalDayButTheOneItEndsAtMidnightOf) {
    const ical::Calendar c = ical::Read("BEGIN:VCALENDAR\n" + Event(GetParam().event) + "END:VCALENDAR\n");
    const machine_zones::MachineZones zones("Europe/Berlin");
    const auto list = ical::FindOccurrences(c, zones, {2026, 1, 1}, {2027, 1, 1});
    ASSERT_EQ(list.items.size(), 1u);
    const ical::DayRange days = ical::DaysTouched(list.items[0]);
    EXPECT_EQ(days.first, GetParam().first);
    EXPECT_EQ(days.last, GetParam().last);
    if (!list.items[0].allDay) EXPECT_EQ(list.items[0].endUtc - list.items[0].startUtc, GetParam().seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Ical, DaysTouched,
    ::testing::Values(
        DaysRow{"AllDayEndIsExclusive",
                "DTSTART;VALUE=DATE:20261224\nDTEND;VALUE=DATE:20261227",
                {2026, 12, 24},
                {2026, 12, 26},
                0},
        DaysRow{"AllDayWeek", "DTSTART;VALUE=DATE:20261228\nDURATION:P1W", {2026, 12, 28}, {2027, 1, 3}, 0},
        DaysRow{"EndsAtMidnight",
                "DTSTART;TZID=Europe/Berlin:20261203T220000\nDURATION:PT2H",
                {2026, 12, 3},
                {2026, 12, 3},
                7200},
        DaysRow{"PastMidnight",
                "DTSTART;TZID=Europe/Berlin:20261203T230000\nDURATION:PT2H",
                {2026, 12, 3},
                {2026, 12, 4},
                7200},
        DaysRow{"ZeroLength", "DTSTART;TZID=Europe/Berlin:20261203T000000", {2026, 12, 3}, {2026, 12, 3}, 0},
        DaysRow{
            "UtcOnTheLocalDay", "DTSTART:20261203T233000Z\nDTEND:20261204T003000Z", {2026, 12, 4}, {2026, 12, 4}, 3600},
        DaysRow{"DayAcrossSpringForwardIs23Hours",
                "DTSTART;TZID=Europe/Berlin:20260329T000000\nDURATION:P1D",
                {2026, 3, 29},
                {2026, 3, 29},
                23 * 3600},
        DaysRow{"TwentyFourHoursAcrossSpringForward",
                "DTSTART;TZID=Europe/Berlin:20260329T000000\nDURATION:PT24H",
                {2026, 3, 29},
                {2026, 3, 30},
                24 * 3600},
        DaysRow{"DayAcrossFallBackIs25Hours",
                "DTSTART;TZID=Europe/Berlin:20261025T000000\nDURATION:P1D",
                {2026, 10, 25},
                {2026, 10, 25},
                25 * 3600}));

// The tool on calendars as Google, Outlook/Exchange, iCloud and Thunderbird
// export them, for December 2026.
struct ToolRow {
    const char* file;
    std::vector<std::string> lines;
};

std::pair<std::vector<std::string>, int> RunTool(const std::string& arguments) {
    FILE* out = popen((std::string(ICS_OCCURRENCES) + " " + arguments + " 2>/dev/null").c_str(), "r");
    std::vector<std::string> lines;
    char buffer[1024];
    while (out && std::fgets(buffer, sizeof buffer, out)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        for (char& ch : line)
            if (ch == '\t') ch = ' ';
        lines.push_back(line);
    }
    const int status = out ? pclose(out) : -1;
    return {lines, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(IcsOccurrences, PrintsDecemberOfEachServicesExport) {
    for (const ToolRow& row : {
             ToolRow{"google.ics",
                     {"20261201T080000Z 20261201T083000Z Standup", "*20261208T080000Z 20261208T083000Z Standup",
                      "*20261215T080000Z 20261215T083000Z Standup", "20261215T170000Z 20261215T190000Z Team dinner",
                      "20261224 20261225 Christmas Eve"}},
             ToolRow{"outlook.ics",
                     {"20261207T130000Z 20261207T143000Z Budgetrunde", "*20261214T080000Z 20261214T090000Z Jour fixe",
                      "20261231 20270101 Silvester"}},
             ToolRow{"icloud.ics",
                     {"*20261205T070000Z 20261205T073000Z Miete \xC3\xBC"
                      "berweisen",
                      "20261210T183000Z 20261210T210000Z Konzert", "20261227 20261230 Skiurlaub"}},
             ToolRow{
                 "thunderbird.ics",
                 {"*20261203T180000Z 20261203T200000Z Chorprobe",
                  "20261218T170000Z 20261218T190000Z Chorprobe (verlegt)", "20261221T073000Z 20261221T081500Z Zahnarzt",
                  "*20261224T180000Z 20261224T200000Z Chorprobe", "*20261231T180000Z 20261231T200000Z Chorprobe"}},
         }) {
        const auto [lines, status] = RunTool(std::string(ICS_CALENDARS) + "/" + row.file + " 20261201 20270101");
        EXPECT_EQ(status, 0) << row.file;
        EXPECT_EQ(lines, Expected(row.lines)) << row.file;
    }
    EXPECT_EQ(RunTool("/nonexistent.ics 20261201 20270101").second, 2);
    EXPECT_EQ(RunTool(std::string(ICS_CALENDARS) + "/../test_ical_reader.cpp 20261201 20270101").second, 2);
    EXPECT_EQ(RunTool(std::string(ICS_CALENDARS) + "/google.ics 20261301 20270101").second, 2);
}

}  // namespace
