#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ical/Recurrence.h"

namespace {

using ical::LocalDateTime;

// YYYYMMDDTHHMMSS, or YYYYMMDD for midnight.
LocalDateTime At(const char* text) {
    LocalDateTime t;
    std::sscanf(text, "%4d%2d%2dT%2d%2d%2d", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second);
    return t;
}

std::string Text(const LocalDateTime& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

std::string Joined(const std::vector<LocalDateTime>& starts) {
    std::string all;
    for (const LocalDateTime& t : starts) all += (all.empty() ? "" : " ") + Text(t);
    return all;
}

// Every RRULE example of RFC 5545 (section 3.8.5.3), with the dates it lists
// there, in its New York wall time: so its UTC UNTILs are given here as New
// York's wall time (19971224T000000Z is 19:00 on 23 December). A row whose
// `from` is later checks where a long list ends or turns a year; `more` where
// the RFC's list goes on past the dates given. Its hourly example's UNTIL,
// 17:00 UTC, is 13:00 in New York, before the 15:00 it lists: the row takes
// UNTIL as the example's title does, 5:00 PM in New York.
struct RfcRow {
    const char* dtstart;
    const char* rule;
    const char* untilWall;
    const char* from;
    const char* dates;
    bool more;
};

TEST(Recurrence, Rfc5545sExamplesGiveTheDatesItLists) {
    for (const RfcRow& row : {
             // Daily for 10 occurrences
             RfcRow{"19970902T090000", "FREQ=DAILY;COUNT=10", "", "",
                    "19970902T090000 19970903T090000 19970904T090000 19970905T090000 19970906T090000 19970907T090000 "
                    "19970908T090000 19970909T090000 19970910T090000 19970911T090000",
                    false},
             // Daily until December 24, 1997
             RfcRow{"19970902T090000", "FREQ=DAILY;UNTIL=19971224T000000Z", "19971223T190000", "",
                    "19970902T090000 19970903T090000 19970904T090000", true},
             RfcRow{"19970902T090000", "FREQ=DAILY;UNTIL=19971224T000000Z", "19971223T190000", "19971220T000000",
                    "19971220T090000 19971221T090000 19971222T090000 19971223T090000", false},
             // Every other day - forever
             RfcRow{"19970902T090000", "FREQ=DAILY;INTERVAL=2", "", "",
                    "19970902T090000 19970904T090000 19970906T090000 19970908T090000", true},
             // Every 10 days, 5 occurrences
             RfcRow{"19970902T090000", "FREQ=DAILY;INTERVAL=10;COUNT=5", "", "",
                    "19970902T090000 19970912T090000 19970922T090000 19971002T090000 19971012T090000", false},
             // Every day in January, for 3 years
             RfcRow{"19980101T090000", "FREQ=YEARLY;UNTIL=20000131T140000Z;BYMONTH=1;BYDAY=SU,MO,TU,WE,TH,FR,SA",
                    "20000131T090000", "", "19980101T090000 19980102T090000 19980103T090000", true},
             RfcRow{"19980101T090000", "FREQ=YEARLY;UNTIL=20000131T140000Z;BYMONTH=1;BYDAY=SU,MO,TU,WE,TH,FR,SA",
                    "20000131T090000", "20000130T000000", "20000130T090000 20000131T090000", false},
             RfcRow{"19980101T090000", "FREQ=DAILY;UNTIL=20000131T140000Z;BYMONTH=1", "20000131T090000", "",
                    "19980101T090000 19980102T090000 19980103T090000", true},
             RfcRow{"19980101T090000", "FREQ=DAILY;UNTIL=20000131T140000Z;BYMONTH=1", "20000131T090000",
                    "20000130T000000", "20000130T090000 20000131T090000", false},
             // Weekly for 10 occurrences
             RfcRow{"19970902T090000", "FREQ=WEEKLY;COUNT=10", "", "",
                    "19970902T090000 19970909T090000 19970916T090000 19970923T090000 19970930T090000 19971007T090000 "
                    "19971014T090000 19971021T090000 19971028T090000 19971104T090000",
                    false},
             // Weekly until December 24, 1997
             RfcRow{"19970902T090000", "FREQ=WEEKLY;UNTIL=19971224T000000Z", "19971223T190000", "",
                    "19970902T090000 19970909T090000 19970916T090000 19970923T090000 19970930T090000", true},
             RfcRow{"19970902T090000", "FREQ=WEEKLY;UNTIL=19971224T000000Z", "19971223T190000", "19971202T000000",
                    "19971202T090000 19971209T090000 19971216T090000 19971223T090000", false},
             // Every other week - forever
             RfcRow{"19970902T090000", "FREQ=WEEKLY;INTERVAL=2;WKST=SU", "", "",
                    "19970902T090000 19970916T090000 19970930T090000 19971014T090000 19971028T090000 19971111T090000",
                    true},
             // Weekly on Tuesday and Thursday for five weeks
             RfcRow{"19970902T090000", "FREQ=WEEKLY;UNTIL=19971007T000000Z;WKST=SU;BYDAY=TU,TH", "19971006T200000", "",
                    "19970902T090000 19970904T090000 19970909T090000 19970911T090000 19970916T090000 19970918T090000 "
                    "19970923T090000 19970925T090000 19970930T090000 19971002T090000",
                    false},
             RfcRow{"19970902T090000", "FREQ=WEEKLY;COUNT=10;WKST=SU;BYDAY=TU,TH", "", "",
                    "19970902T090000 19970904T090000 19970909T090000 19970911T090000 19970916T090000 19970918T090000 "
                    "19970923T090000 19970925T090000 19970930T090000 19971002T090000",
                    false},
             // Every other week on Monday, Wednesday, and Friday until December 24, 1997
             RfcRow{"19970901T090000", "FREQ=WEEKLY;INTERVAL=2;UNTIL=19971224T000000Z;WKST=SU;BYDAY=MO,WE,FR",
                    "19971223T190000", "",
                    "19970901T090000 19970903T090000 19970905T090000 19970915T090000 19970917T090000 19970919T090000 "
                    "19970929T090000",
                    true},
             RfcRow{"19970901T090000", "FREQ=WEEKLY;INTERVAL=2;UNTIL=19971224T000000Z;WKST=SU;BYDAY=MO,WE,FR",
                    "19971223T190000", "19971208T000000",
                    "19971208T090000 19971210T090000 19971212T090000 19971222T090000", false},
             // Every other week on Tuesday and Thursday, for 8 occurrences
             RfcRow{"19970902T090000", "FREQ=WEEKLY;INTERVAL=2;COUNT=8;WKST=SU;BYDAY=TU,TH", "", "",
                    "19970902T090000 19970904T090000 19970916T090000 19970918T090000 19970930T090000 19971002T090000 "
                    "19971014T090000 19971016T090000",
                    false},
             // Monthly on the first Friday for 10 occurrences
             RfcRow{"19970905T090000", "FREQ=MONTHLY;COUNT=10;BYDAY=1FR", "", "",
                    "19970905T090000 19971003T090000 19971107T090000 19971205T090000 19980102T090000 19980206T090000 "
                    "19980306T090000 19980403T090000 19980501T090000 19980605T090000",
                    false},
             // Monthly on the first Friday until December 24, 1997
             RfcRow{"19970905T090000", "FREQ=MONTHLY;UNTIL=19971224T000000Z;BYDAY=1FR", "19971223T190000", "",
                    "19970905T090000 19971003T090000 19971107T090000 19971205T090000", false},
             // Every other month on the first and last Sunday of the month for 10 occurrences
             RfcRow{"19970907T090000", "FREQ=MONTHLY;INTERVAL=2;COUNT=10;BYDAY=1SU,-1SU", "", "",
                    "19970907T090000 19970928T090000 19971102T090000 19971130T090000 19980104T090000 19980125T090000 "
                    "19980301T090000 19980329T090000 19980503T090000 19980531T090000",
                    false},
             // Monthly on the second-to-last Monday of the month for 6 months
             RfcRow{"19970922T090000", "FREQ=MONTHLY;COUNT=6;BYDAY=-2MO", "", "",
                    "19970922T090000 19971020T090000 19971117T090000 19971222T090000 19980119T090000 19980216T090000",
                    false},
             // Monthly on the third-to-the-last day of the month, forever
             RfcRow{"19970928T090000", "FREQ=MONTHLY;BYMONTHDAY=-3", "", "",
                    "19970928T090000 19971029T090000 19971128T090000 19971229T090000 19980129T090000 19980226T090000",
                    true},
             // Monthly on the 2nd and 15th of the month for 10 occurrences
             RfcRow{"19970902T090000", "FREQ=MONTHLY;COUNT=10;BYMONTHDAY=2,15", "", "",
                    "19970902T090000 19970915T090000 19971002T090000 19971015T090000 19971102T090000 19971115T090000 "
                    "19971202T090000 19971215T090000 19980102T090000 19980115T090000",
                    false},
             // Monthly on the first and last day of the month for 10 occurrences
             RfcRow{"19970930T090000", "FREQ=MONTHLY;COUNT=10;BYMONTHDAY=1,-1", "", "",
                    "19970930T090000 19971001T090000 19971031T090000 19971101T090000 19971130T090000 19971201T090000 "
                    "19971231T090000 19980101T090000 19980131T090000 19980201T090000",
                    false},
             // Every 18 months on the 10th thru 15th of the month for 10 occurrences
             RfcRow{"19970910T090000", "FREQ=MONTHLY;INTERVAL=18;COUNT=10;BYMONTHDAY=10,11,12,13,14,15", "", "",
                    "19970910T090000 19970911T090000 19970912T090000 19970913T090000 19970914T090000 19970915T090000 "
                    "19990310T090000 19990311T090000 19990312T090000 19990313T090000",
                    false},
             // Every Tuesday, every other month
             RfcRow{"19970902T090000", "FREQ=MONTHLY;INTERVAL=2;BYDAY=TU", "", "",
                    "19970902T090000 19970909T090000 19970916T090000 19970923T090000 19970930T090000 19971104T090000 "
                    "19971111T090000 19971118T090000 19971125T090000",
                    true},
             // Yearly in June and July for 10 occurrences
             RfcRow{"19970610T090000", "FREQ=YEARLY;COUNT=10;BYMONTH=6,7", "", "",
                    "19970610T090000 19970710T090000 19980610T090000 19980710T090000 19990610T090000 19990710T090000 "
                    "20000610T090000 20000710T090000 20010610T090000 20010710T090000",
                    false},
             // Every other year on January, February, and March for 10 occurrences
             RfcRow{"19970310T090000", "FREQ=YEARLY;INTERVAL=2;COUNT=10;BYMONTH=1,2,3", "", "",
                    "19970310T090000 19990110T090000 19990210T090000 19990310T090000 20010110T090000 20010210T090000 "
                    "20010310T090000 20030110T090000 20030210T090000 20030310T090000",
                    false},
             // Every third year on the 1st, 100th, and 200th day for 10 occurrences
             RfcRow{"19970101T090000", "FREQ=YEARLY;INTERVAL=3;COUNT=10;BYYEARDAY=1,100,200", "", "",
                    "19970101T090000 19970410T090000 19970719T090000 20000101T090000 20000409T090000 20000718T090000 "
                    "20030101T090000 20030410T090000 20030719T090000 20060101T090000",
                    false},
             // Every 20th Monday of the year, forever
             RfcRow{"19970519T090000", "FREQ=YEARLY;BYDAY=20MO", "", "",
                    "19970519T090000 19980518T090000 19990517T090000", true},
             // Monday of week number 20, forever
             RfcRow{"19970512T090000", "FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO", "", "",
                    "19970512T090000 19980511T090000 19990517T090000", true},
             // Every Thursday in March, forever
             RfcRow{"19970313T090000", "FREQ=YEARLY;BYMONTH=3;BYDAY=TH", "", "",
                    "19970313T090000 19970320T090000 19970327T090000 19980305T090000 19980312T090000 19980319T090000 "
                    "19980326T090000 19990304T090000 19990311T090000 19990318T090000 19990325T090000",
                    true},
             // Every Thursday, but only during June, July, and August, forever
             RfcRow{"19970605T090000", "FREQ=YEARLY;BYDAY=TH;BYMONTH=6,7,8", "", "",
                    "19970605T090000 19970612T090000 19970619T090000 19970626T090000 19970703T090000 19970710T090000 "
                    "19970717T090000 19970724T090000 19970731T090000 19970807T090000 19970814T090000 19970821T090000 "
                    "19970828T090000 19980604T090000",
                    true},
             // Every Friday the 13th, forever (the window leaves out dtstart, as the example's EXDATE does)
             RfcRow{"19970902T090000", "FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13", "", "19970903T000000",
                    "19980213T090000 19980313T090000 19981113T090000 19990813T090000 20001013T090000", true},
             // The first Saturday that follows the first Sunday of the month, forever
             RfcRow{"19970913T090000", "FREQ=MONTHLY;BYDAY=SA;BYMONTHDAY=7,8,9,10,11,12,13", "", "",
                    "19970913T090000 19971011T090000 19971108T090000 19971213T090000 19980110T090000 19980207T090000",
                    true},
             // Every 4 years, the first Tuesday after a Monday in November, forever
             RfcRow{"19961105T090000", "FREQ=YEARLY;INTERVAL=4;BYMONTH=11;BYDAY=TU;BYMONTHDAY=2,3,4,5,6,7,8", "", "",
                    "19961105T090000 20001107T090000 20041102T090000", true},
             // The third instance into the month of one of Tuesday, Wednesday, or Thursday, for the next 3 months
             RfcRow{"19970904T090000", "FREQ=MONTHLY;COUNT=3;BYDAY=TU,WE,TH;BYSETPOS=3", "", "",
                    "19970904T090000 19971007T090000 19971106T090000", false},
             // The second-to-last weekday of the month
             RfcRow{"19970929T090000", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-2", "", "",
                    "19970929T090000 19971030T090000 19971127T090000 19971230T090000 19980129T090000 19980226T090000 "
                    "19980330T090000",
                    true},
             // Every 3 hours from 9:00 AM to 5:00 PM (UNTIL as the title means it, see above)
             RfcRow{"19970902T090000", "FREQ=HOURLY;INTERVAL=3;UNTIL=19970902T170000Z", "19970902T170000", "",
                    "19970902T090000 19970902T120000 19970902T150000", false},
             // Every 15 minutes for 6 occurrences
             RfcRow{"19970902T090000", "FREQ=MINUTELY;INTERVAL=15;COUNT=6", "", "",
                    "19970902T090000 19970902T091500 19970902T093000 19970902T094500 19970902T100000 19970902T101500",
                    false},
             // Every hour and a half for 4 occurrences
             RfcRow{"19970902T090000", "FREQ=MINUTELY;INTERVAL=90;COUNT=4", "", "",
                    "19970902T090000 19970902T103000 19970902T120000 19970902T133000", false},
             // Every 20 minutes from 9:00 AM to 4:40 PM every day
             RfcRow{"19970902T090000", "FREQ=DAILY;BYHOUR=9,10,11,12,13,14,15,16;BYMINUTE=0,20,40", "",
                    "19970902T155000",
                    "19970902T160000 19970902T162000 19970902T164000 19970903T090000 19970903T092000", true},
             RfcRow{"19970902T090000", "FREQ=MINUTELY;INTERVAL=20;BYHOUR=9,10,11,12,13,14,15,16", "", "19970902T155000",
                    "19970902T160000 19970902T162000 19970902T164000 19970903T090000 19970903T092000", true},
             // An example where the days generated makes a difference because of WKST
             RfcRow{"19970805T090000", "FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=MO", "", "",
                    "19970805T090000 19970810T090000 19970819T090000 19970824T090000", false},
             RfcRow{"19970805T090000", "FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=SU", "", "",
                    "19970805T090000 19970817T090000 19970819T090000 19970831T090000", false},
             // An example where an invalid date (i.e., February 30) is ignored
             RfcRow{"20070115T090000", "FREQ=MONTHLY;BYMONTHDAY=15,30;COUNT=5", "", "",
                    "20070115T090000 20070130T090000 20070215T090000 20070315T090000 20070330T090000", false},
         }) {
        const std::optional<ical::RecurrenceRule> rule = ical::ParseRule(row.rule);
        ASSERT_TRUE(rule) << row.rule;
        std::optional<LocalDateTime> until;
        if (*row.untilWall) until = At(row.untilWall);
        const size_t listed = (std::strlen(row.dates) + 1) / 16;
        const ical::Expansion got = ical::Expand(*rule, At(row.dtstart), false, until,
                                                 At(*row.from ? row.from : row.dtstart), At("21000101"), listed);
        EXPECT_EQ(Joined(got.starts), row.dates) << row.rule;
        EXPECT_EQ(got.cut, row.more) << row.rule;
    }
}

// A row without dtstart is a rule that must not be read; the others are
// expanded over [from, to) with the window's usual limit, and must say how
// many starts they found, the first and the last, and whether they were cut.
// Each ends in well under a second: the bound on time only catches a walk
// that does not stop.
struct EdgeRow {
    const char* rule;
    const char* dtstart = nullptr;
    const char* from = "";
    const char* to = "";
    size_t count = 0;
    const char* first = "";
    const char* last = "";
    bool cut = false;
    const char* until = "";
    bool dateOnly = false;
};

TEST(Recurrence, BadRulesAreRefusedAndEdgesStayExactAndCheap) {
    for (const EdgeRow& row : {
             EdgeRow{"FREQ=DAILY;INTERVAL=0"},
             EdgeRow{"FREQ=DAILY;INTERVAL=-1"},
             EdgeRow{"FREQ=DAILY;INTERVAL=2147483648"},
             EdgeRow{"INTERVAL=2;COUNT=3"},
             EdgeRow{"FREQ=DAILY;COUNT=3;UNTIL=20260101"},
             EdgeRow{"FREQ=DAILY;COUNT=0"},
             EdgeRow{"FREQ=DAILY;COUNT=2;COUNT=3"},
             EdgeRow{"FREQ=MONTHLY;BYMONTHDAY=32"},
             EdgeRow{"FREQ=MONTHLY;BYMONTHDAY=0"},
             EdgeRow{"FREQ=YEARLY;BYWEEKNO=54"},
             EdgeRow{"FREQ=YEARLY;BYYEARDAY=-367"},
             EdgeRow{"FREQ=DAILY;BYHOUR=24"},
             EdgeRow{"FREQ=DAILY;BYSECOND=1,,2"},
             EdgeRow{"FREQ=DAILY;BYMONTH="},
             EdgeRow{"FREQ=WEEKLY;BYDAY=2MO"},  // an ordinal needs a month or a year to count in
             EdgeRow{"FREQ=MONTHLY;BYDAY=0MO"},
             EdgeRow{"FREQ=MONTHLY;BYDAY=XX"},
             EdgeRow{"FREQ=FORTNIGHTLY"},
             EdgeRow{"FREQ=DAILY;UNTIL=20260230"},
             EdgeRow{"FREQ=DAILY;UNTIL=2026-01-01"},
             EdgeRow{"FREQ=DAILY;WKST=XX"},
             EdgeRow{"FREQ"},
             EdgeRow{""},
             // Names and values in any case; X-names and an empty last part are no matter.
             {"freq=weekly;byday=mo,Fr;X-VENDOR=yes;", "20260102T090000", "20260101", "20260201", 9, "20260102T090000",
              "20260130T090000"},
             {"FREQ=SECONDLY", "20261201", "20261201", "20270101", ical::kMostOccurrencesInAWindow, "20261201T000000",
              "20261202T034639", true},
             // Too many seconds to count before the window: given up, and said so.
             {"FREQ=SECONDLY;COUNT=999999999", "20200101", "20261201", "20270101", 0, "", "", true},
             {"FREQ=DAILY;COUNT=999999999", "19700101T090000", "20261201", "20270101", 31, "20261201T090000",
              "20261231T090000"},
             {"FREQ=DAILY", "19700101T090000", "20261201", "20270101", 31, "20261201T090000", "20261231T090000"},
             // Whole periods jumped to the window keep their phase.
             {"FREQ=DAILY;INTERVAL=7", "19700101T090000", "20261201", "20270101", 5, "20261203T090000",
              "20261231T090000"},
             {"FREQ=WEEKLY;INTERVAL=3;WKST=SU;BYDAY=SA,SU", "19700101T090000", "20261201", "20270101", 3,
              "20261205T090000", "20261226T090000"},
             {"FREQ=MONTHLY;INTERVAL=5;BYMONTHDAY=-1", "19700131T090000", "20260101", "20280101", 5, "20260430T090000",
              "20271231T090000"},
             // Occurrences before the window still count towards COUNT.
             {"FREQ=DAILY;COUNT=10", "20260101T090000", "20260105", "20260201", 6, "20260105T090000",
              "20260110T090000"},
             {"FREQ=DAILY;COUNT=10;BYHOUR=9,10,11", "20260101T090000", "20260102T100000", "20260201", 6,
              "20260102T100000", "20260104T090000"},
             // dtstart is the first occurrence even past UNTIL.
             {"FREQ=DAILY;UNTIL=20250101T000000", "20260105T100000", "20260101", "20260201", 1, "20260105T100000",
              "20260105T100000", false, "20250101T000000"},
             // Days that do not exist are skipped, not moved.
             {"FREQ=MONTHLY", "20260131T080000", "20260101", "20270101", 7, "20260131T080000", "20261231T080000"},
             {"FREQ=YEARLY", "20240229T100000", "20240101", "20340101", 3, "20240229T100000", "20320229T100000"},
             {"FREQ=MINUTELY;BYSECOND=60", "20260101", "20260101", "20270101", 1, "20260101T000000", "20260101T000000"},
             // All-day events: the time parts do not count, UNTIL's date does.
             {"FREQ=WEEKLY;BYDAY=MO,FR;BYHOUR=10", "20260102", "20260101", "20260201", 9, "20260102T000000",
              "20260130T000000", false, "", true},
             {"FREQ=DAILY;UNTIL=20260105", "20260101", "20260101", "20260201", 5, "20260101T000000", "20260105T000000",
              false, "20260105T235959", true},
             // Ordinals within the month in a YEARLY rule with BYMONTH: daylight time in the US and the EU.
             {"FREQ=YEARLY;BYMONTH=3;BYDAY=2SU", "20260308T020000", "20260101", "20290101", 3, "20260308T020000",
              "20280312T020000"},
             {"FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU", "20261025T030000", "20260101", "20290101", 3, "20261025T030000",
              "20281029T030000"},
             // Weeks of the ISO year, which may start in December; days counted from the year's end.
             {"FREQ=YEARLY;BYWEEKNO=1;BYDAY=MO", "20250101T090000", "20251201", "20260201", 1, "20251229T090000",
              "20251229T090000"},
             {"FREQ=YEARLY;BYWEEKNO=-1;BYDAY=MO", "20260101T090000", "20260102", "20280101", 2, "20261228T090000",
              "20271227T090000"},
             {"FREQ=YEARLY;BYYEARDAY=-1,-366", "20231231T090000", "20231231", "20260101", 4, "20231231T090000",
              "20251231T090000"},
             {"FREQ=DAILY;BYHOUR=9,17;BYSETPOS=-1", "20260101T090000", "20260101", "20260103", 3, "20260101T090000",
              "20260102T170000"},
             // The largest numbers and the calendar's first and last years.
             {"FREQ=YEARLY;INTERVAL=2147483647", "20260101", "00000101", "99991231", 1, "20260101T000000",
              "20260101T000000"},
             {"FREQ=SECONDLY;INTERVAL=2147483647", "20260101", "00000101", "21000101", 2, "20260101T000000",
              "20940119T031407"},
             {"FREQ=DAILY", "99991230T120000", "99991201", "99991231T230000", 2, "99991230T120000", "99991231T120000"},
             {"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29", "00000229", "00000101", "00100101", 3, "00000229T000000",
              "00080229T000000"},
         }) {
        const std::optional<ical::RecurrenceRule> rule = ical::ParseRule(row.rule);
        if (!row.dtstart) {
            EXPECT_FALSE(rule) << row.rule;
            continue;
        }
        ASSERT_TRUE(rule) << row.rule;
        std::optional<LocalDateTime> until;
        if (*row.until) until = At(row.until);
        const ical::Expansion got = ical::Expand(*rule, At(row.dtstart), row.dateOnly, until, At(row.from), At(row.to),
                                                 ical::kMostOccurrencesInAWindow);
        EXPECT_EQ(got.starts.size(), row.count) << row.rule;
        EXPECT_EQ(got.starts.empty() ? "" : Text(got.starts.front()), row.first) << row.rule;
        EXPECT_EQ(got.starts.empty() ? "" : Text(got.starts.back()), row.last) << row.rule;
        EXPECT_EQ(got.cut, row.cut) << row.rule;
    }
}

TEST(Recurrence, ALineWithEveryPartFillsEveryField) {
    ical::RecurrenceRule every;
    every.freq = ical::Frequency::Monthly;
    every.interval = 2;
    every.until = LocalDateTime{2030, 12, 31, 23, 59, 59};
    every.untilIsUtc = true;
    every.bySecond = {0, 60};
    every.byMinute = {15};
    every.byHour = {9, 17};
    every.byDay = {{1, 0}, {-1, 4}, {0, 1}};
    every.byMonthDay = {1, -1};
    every.byYearDay = {100, -366};
    every.byWeekNo = {1, -53};
    every.byMonth = {1, 12};
    every.bySetPos = {1, -1};
    every.weekStart = 6;
    EXPECT_EQ(ical::ParseRule("FREQ=monthly;INTERVAL=2;UNTIL=20301231T235959Z;BYSECOND=0,60;BYMINUTE=15;BYHOUR=9,17;"
                              "BYDAY=1MO,-1fr,TU;BYMONTHDAY=+1,-1;BYYEARDAY=100,-366;BYWEEKNO=1,-53;BYMONTH=1,12;"
                              "BYSETPOS=1,-1;wkst=SU;X-NAME=anything"),
              every);
}

}  // namespace
