#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ical/Calendar.h"

namespace {

using ical::Read;

std::string Summaries(const ical::Calendar& c) {
    std::string out;
    for (const ical::Event& e : c.events) out += (out.empty() ? "" : "|") + std::string(e.summary);
    return out;
}

std::string Repeat(std::string_view piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// A calendar of the given lines between BEGIN:VCALENDAR and END:VCALENDAR, with `eol` after each.
std::string Cal(const std::string& body, const std::string& eol = "\n") {
    std::string out = "BEGIN:VCALENDAR" + eol + "VERSION:2.0" + eol;
    size_t start = 0;
    while (start < body.size()) {
        const size_t end = body.find('\n', start);
        out += body.substr(start, end - start) + eol;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out + "END:VCALENDAR" + eol;
}

struct ReadRow {
    const char* name;
    std::string ics;
    bool isCalendar;
    std::string summaries;  // the events read, in order, joined by |
    size_t skippedLines, skippedEvents;
};

void PrintTo(const ReadRow& r, std::ostream* os) { *os << r.name; }

class Reading : public ::testing::TestWithParam<ReadRow> {};

TEST_P(Reading, KeepsWhatCanBeReadAndCountsWhatCannot) {
    const ReadRow& r = GetParam();
    const ical::Calendar c = Read(r.ics);
    EXPECT_EQ(c.isCalendar, r.isCalendar);
    EXPECT_EQ(Summaries(c), r.summaries);
    EXPECT_EQ(c.skippedLines, r.skippedLines);
    EXPECT_EQ(c.skippedEvents, r.skippedEvents);
    EXPECT_EQ(c.skips.size(), std::min(c.skippedLines + c.skippedEvents, ical::kMostSkipsKept));
}

const std::string kEvent = "BEGIN:VEVENT\nUID:1\nDTSTART:20261201T100000Z\nSUMMARY:one\nEND:VEVENT";
const std::string kEvent2 = "BEGIN:VEVENT\nUID:2\nDTSTART;VALUE=DATE:20261202\nSUMMARY:two\nEND:VEVENT";

INSTANTIATE_TEST_SUITE_P(
    Ical, Reading,
    ::testing::Values(
        ReadRow{"Crlf", Cal(kEvent + "\n" + kEvent2, "\r\n"), true, "one|two", 0, 0},
        ReadRow{"Lf", Cal(kEvent + "\n" + kEvent2, "\n"), true, "one|two", 0, 0},
        ReadRow{"Cr", Cal(kEvent + "\n" + kEvent2, "\r"), true, "one|two", 0, 0},
        ReadRow{"ByteOrderMark", "\xEF\xBB\xBF" + Cal(kEvent), true, "one", 0, 0},
        ReadRow{"FoldsWithSpaceAndTab", Cal("BEGIN:VEVENT\nDTST\n ART:20261201\nSUMMARY:a\n\t b\n  c\nEND:VEVENT"),
                true, "a b c", 0, 0},
        ReadRow{"FoldInsideACharacterCrlf",
                Cal("BEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:Gr\xC3\n \xBC\xC3\n \x9F"
                    "e\nEND:VEVENT",
                    "\r\n"),
                true,
                "Gr\xC3\xBC\xC3\x9F"
                "e",
                0, 0},
        ReadRow{"FoldInsideACharacterCr",
                Cal("BEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:\xE2\x82\n \xAC\nEND:VEVENT", "\r"), true, "\xE2\x82\xAC",
                0, 0},
        ReadRow{"TextEscapes", Cal("BEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:a\\nb\\Nc\\,d\\;e\\\\f\\xg\nEND:VEVENT"),
                true, "a\nb\nc,d;e\\f\\xg", 0, 0},
        ReadRow{"QuotedParameters",
                Cal("BEGIN:VEVENT\nATTENDEE;CN=\"Doe, J; x: y\";ROLE=REQ-PARTICIPANT:mailto:j@example.org\n"
                    "DTSTART;TZID=\"A;b:c,d\":20261201T100000\nSUMMARY;LANGUAGE=de:x:y\nEND:VEVENT"),
                true, "x:y", 0, 0},
        ReadRow{"SeveralCalendars", Cal(kEvent) + Cal(kEvent2), true, "one|two", 0, 0},
        ReadRow{"NamesInAnyCase",
                "begin:vcalendar\nBegin:VEvent\ndtStart;value=date:20261201\nsummary:low\nend:vevent\nEND:VCALENDAR\n",
                true, "low", 0, 0},
        ReadRow{"OtherComponentsSkipped",
                Cal("BEGIN:VTODO\nDTSTART:20261201\nSUMMARY:todo\nEND:VTODO\nBEGIN:VJOURNAL\nSUMMARY:j\nEND:VJOURNAL\n"
                    "BEGIN:VFREEBUSY\nEND:VFREEBUSY\n" +
                    kEvent),
                true, "one", 0, 0},
        ReadRow{"InvalidUtf8Replaced",
                Cal("BEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:a\xFF"
                    "b\xC3(\xED\xA0\x80\xF4\x90\x80\x80\nEND:VEVENT"),
                true,
                "a\xEF\xBF\xBD"
                "b\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                "\xEF\xBF\xBD",
                0, 0},
        ReadRow{"Html", "<!DOCTYPE html>\n<html><head><title>Sign in</title></head>\n<body>BEGIN:VCALENDAR</body>",
                false, "", 0, 0},
        ReadRow{"Json", "{\"error\": {\"code\": 401, \"message\": \"Login Required\"}}", false, "", 0, 0},
        ReadRow{"Empty", "", false, "", 0, 0}, ReadRow{"OnlyBlankLines", "\r\n\r\n  \n", false, "", 0, 0},
        ReadRow{"TruncatedInAnEvent", Cal(kEvent).substr(0, 95) + "BEGIN:VEVENT\nDTSTART:2026", true, "one", 1, 1},
        ReadRow{"EventWithoutEnd", Cal(kEvent + "\nBEGIN:VEVENT\nDTSTART:20261203\nSUMMARY:cut"), true, "one", 0, 1},
        ReadRow{"EventCutByTheNextEvent", Cal("BEGIN:VEVENT\nDTSTART:20261203\nSUMMARY:cut\n" + kEvent), true, "one", 0,
                1},
        ReadRow{"ImpossibleDates",
                Cal("BEGIN:VEVENT\nDTSTART:20261332\nEND:VEVENT\nBEGIN:VEVENT\nDTSTART:00000101\nEND:VEVENT\n"
                    "BEGIN:VEVENT\nDTSTART:20260229\nEND:VEVENT\nBEGIN:VEVENT\nDTSTART:20261201T246000\nEND:VEVENT\n" +
                    kEvent),
                true, "one", 4, 4},
        ReadRow{"BadLinesInAnEvent",
                Cal("BEGIN:VEVENT\nDTSTART:20261201\nno colon here\nDTEND:tomorrow\nDURATION:P1X\nRRULE:FREQ=OFTEN\n"
                    "RRULE:FREQ=DAILY;INTERVAL=0\nSEQUENCE:-1\nSUMMARY:kept\nEND:VEVENT\nEND:VTODO"),
                true, "kept", 7, 0},
        ReadRow{"SameUidTwice",
                Cal("BEGIN:VEVENT\nUID:same\nDTSTART:20261201\nSUMMARY:a\nEND:VEVENT\nBEGIN:VEVENT\nUID:same\n"
                    "DTSTART:20261202\nSUMMARY:b\nEND:VEVENT"),
                true, "a|b", 0, 0},
        ReadRow{"DeepNestingInsideAnEvent",
                Cal("BEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:deep\n" + Repeat("BEGIN:X-DEEP\n", 10000) + "END:VEVENT"),
                true, "deep", 10000 - 30, 0},
        ReadRow{"DeepNestingOfEventsNeverEnded", Cal("") + "BEGIN:VCALENDAR\n" + Repeat("BEGIN:VEVENT\n", 10000), true,
                "", 0, 10000}));

TEST(IcalReader, ReadsTheCalendarsOwnPropertiesAndTheAlarmsAsWritten) {
    const ical::Calendar c = Read(
        Cal("X-WR-CALNAME:Team\\, Berlin\nX-WR-TIMEZONE:Europe/Berlin\nX-PUBLISHED-TTL:PT12H\n"
            "REFRESH-INTERVAL;VALUE=DURATION:P1D\nBEGIN:VEVENT\nUID:u\nDTSTART;TZID=Europe/Berlin:20261201T100000\n"
            "DURATION:PT1H30M\nLOCATION:Room 1\nSTATUS:cancelled\nSEQUENCE:3\n"
            "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER;RELATED=END;VALUE=DURATION:-PT15M\nDESCRIPTION:Soon\\, go\n"
            "END:VALARM\nEND:VEVENT"));
    EXPECT_EQ(c.name, "Team, Berlin");
    EXPECT_EQ(c.defaultZone, "Europe/Berlin");
    EXPECT_EQ(c.refreshSeconds, 86400);  // the standard's name wins over X-PUBLISHED-TTL
    ASSERT_EQ(c.events.size(), 1u);
    const ical::Event& e = c.events[0];
    EXPECT_EQ(e.start.kind, ical::TimeKind::Zoned);
    EXPECT_EQ(c.tzids.at(e.start.tzid), "Europe/Berlin");
    EXPECT_EQ(e.duration, (ical::Duration{0, 5400}));
    EXPECT_EQ(e.location, "Room 1");
    EXPECT_TRUE(e.cancelled);
    EXPECT_EQ(e.sequence, 3);
    ASSERT_EQ(e.alarms.size(), 1u);
    EXPECT_EQ(e.alarms[0].action, "DISPLAY");
    EXPECT_EQ(e.alarms[0].trigger, "-PT15M");
    EXPECT_EQ(e.alarms[0].triggerValue, "DURATION");
    EXPECT_EQ(e.alarms[0].triggerRelated, "END");
    EXPECT_EQ(e.alarms[0].description, "Soon\\, go");  // raw: the reminders read it
    EXPECT_EQ(Read(Cal("X-PUBLISHED-TTL:PT2H")).refreshSeconds, 7200);
}

TEST(IcalReader, ReadsTimesRecurrencesAndTimeZoneDefinitions) {
    const ical::Calendar c = Read(
        Cal("BEGIN:VEVENT\nDTSTART;TZID=Custom:20261201T100000\nDTEND:20261201T120000Z\n"
            "RDATE;VALUE=PERIOD:20261205T100000Z/PT2H,20261206T100000Z/20261206T113000Z\nRDATE;VALUE=DATE:20261207\n"
            "EXDATE;TZID=Custom:20261208T100000,20261209T100000\nEXDATE;VALUE=DATE:20261210\n"
            "RECURRENCE-ID;RANGE=THISANDFUTURE;TZID=Custom:20261111T100000\nEND:VEVENT\n"
            "BEGIN:VTIMEZONE\nTZID:Custom\nBEGIN:STANDARD\nDTSTART:16010101T030000\nTZOFFSETFROM:+0200\n"
            "TZOFFSETTO:+0100\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\nBEGIN:DAYLIGHT\n"
            "DTSTART:16010101T020000\nTZOFFSETTO:+013045\nRDATE:20270328T020000\nEND:DAYLIGHT\nEND:VTIMEZONE"));
    ASSERT_EQ(c.events.size(), 1u);
    const ical::Event& e = c.events[0];
    EXPECT_EQ(e.start, (ical::DateTime{{2026, 12, 1, 10, 0, 0}, ical::TimeKind::Zoned, 0}));
    EXPECT_EQ(e.end, (ical::DateTime{{2026, 12, 1, 12, 0, 0}, ical::TimeKind::Utc, 0}));
    ASSERT_EQ(e.rdates.size(), 3u);
    EXPECT_EQ(e.rdates[0].duration, (ical::Duration{0, 7200}));
    EXPECT_EQ(e.rdates[1].end->wall, (ical::LocalDateTime{2026, 12, 6, 11, 30, 0}));
    EXPECT_EQ(e.rdates[2].start.kind, ical::TimeKind::Date);
    ASSERT_EQ(e.exdates.size(), 3u);
    EXPECT_EQ(e.exdates[1].kind, ical::TimeKind::Zoned);
    EXPECT_EQ(e.exdates[2].kind, ical::TimeKind::Date);
    EXPECT_TRUE(e.thisAndFuture);
    EXPECT_EQ(e.recurrenceId->wall, (ical::LocalDateTime{2026, 11, 11, 10, 0, 0}));
    ASSERT_EQ(c.timeZones.size(), 1u);
    const auto& o = c.timeZones[0].observances;
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0].offsetFrom, 7200);
    EXPECT_EQ(o[0].offsetTo, 3600);
    EXPECT_EQ(o[0].rules.size(), 1u);
    EXPECT_TRUE(o[1].daylight);
    EXPECT_EQ(o[1].offsetFrom, o[1].offsetTo);  // no TZOFFSETFROM: no change at its onset
    EXPECT_EQ(o[1].offsetTo, 5445);
    EXPECT_EQ(o[1].rdates, (std::vector<ical::LocalDateTime>{{2027, 3, 28, 2, 0, 0}}));
}

// Size is no reason to stop, nor to take more than linear time: a 40 MB
// export, a 10 MB line, and a 40 MB line folded every character (joining
// each fold to all before it would take hours: the test's time limit).
TEST(IcalReader, ReadsHugeInputInLinearTime) {
    const std::string event =
        "BEGIN:VEVENT\r\nUID:x\r\nDTSTART:20261201T100000Z\r\nSUMMARY:" + std::string(100, 'x') + "\r\nEND:VEVENT\r\n";
    EXPECT_EQ(Read("BEGIN:VCALENDAR\r\n" + Repeat(event, 40'000'000 / event.size())).events.size(),
              40'000'000 / event.size());
    const ical::Calendar tenMegabytes =
        Read("BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:" + std::string(10'000'000, 'y') + "\n" +
             std::string(10'000'000, 'z') + "\nEND:VEVENT\n");
    ASSERT_EQ(tenMegabytes.events.size(), 1u);
    EXPECT_EQ(tenMegabytes.events[0].summary.size(), ical::kLongestText);
    EXPECT_EQ(tenMegabytes.skippedLines, 1u);
    const ical::Calendar folded =
        Read("BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20261201\nSUMMARY:" + Repeat("\xC3\r\n \xA9", 8'000'000) +
             "\nEND:VEVENT\n");
    ASSERT_EQ(folded.events.size(), 1u);
    EXPECT_EQ(folded.events[0].summary.substr(0, 4), "\xC3\xA9\xC3\xA9");
}

TEST(IcalReader, TextsStayValidWhenTheCalendarIsMoved) {
    ical::Calendar c = Read(Cal(kEvent + "\n" + kEvent2));
    const ical::Calendar moved = std::move(c);
    EXPECT_EQ(Summaries(moved), "one|two");
}

}  // namespace
