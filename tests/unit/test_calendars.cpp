#include <gtest/gtest.h>

#include "calendars/DayList.h"
#include "calendars/Reading.h"
#include "calendars/Sources.h"
#include "tray/TrayIcon.h"
#include "tests/unit/LoadedCalendar.h"

namespace {

const char kTeam[] =
    "BEGIN:VCALENDAR\r\nX-WR-CALNAME:Team\r\n"
    "BEGIN:VEVENT\r\nUID:a\r\nDTSTART:20261207T093000\r\nDTEND:20261207T100000\r\nRRULE:FREQ=DAILY;COUNT=5\r\n"
    "SUMMARY:Stand-up\r\nLOCATION:Room 4\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:b\r\nDTSTART;VALUE=DATE:20261208\r\nDTEND;VALUE=DATE:20261211\r\nSUMMARY:Fair\r\nEND:"
    "VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:c\r\nDTSTART:20261209T220000\r\nDTEND:20261210T110000\r\nSUMMARY:Night shift\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:d\r\nDTSTART:20261210T230000\r\nDTEND:20261211T010000\r\nSUMMARY:Late\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";
const char kUrl[] = "https://calendar.example.org/secret/team.ics";

TEST(CalendarSources, WhatATypedTextStandsForAndWhatItIsCalled) {
    struct Row {
        const char* typed;
        bool read, isAddress;
        const char *url, *name;
    };
    for (const Row& row : {
             Row{"  https://user:pw@calendar.example.org/x.ics?k=1 ", true, true,
                 "https://user:pw@calendar.example.org/x.ics?k=1", "calendar.example.org"},
             Row{"WEBCAL://p01-caldav.icloud.com/published/2/abc", true, true,
                 "https://p01-caldav.icloud.com/published/2/abc", "p01-caldav.icloud.com"},
             Row{"Http://127.0.0.1:8080/a.ics", true, true, "http://127.0.0.1:8080/a.ics", "127.0.0.1:8080"},
             Row{"C:\\Users\\ann\\Holidays.ics", true, false, "", "Holidays.ics"},
             Row{"\\\\nas\\family\\birthdays.ics", true, false, "", "birthdays.ics"},
             Row{"holidays.ics", false, false, "", ""},
             Row{"\\\\.\\pipe\\calendar", false, false, "", ""},
             Row{"ftp://example.org/a.ics", false, false, "", ""},
             Row{"https://", false, false, "", ""},
             Row{"   ", false, false, "", ""},
         }) {
        const std::optional<calendars::Source> source = calendars::Classify(row.typed);
        ASSERT_EQ(source.has_value(), row.read) << row.typed;
        if (!source) continue;
        EXPECT_EQ(source->isAddress, row.isAddress) << row.typed;
        EXPECT_EQ(source->url, row.url) << row.typed;
        EXPECT_EQ(calendars::ShortName(*source), row.name) << row.typed;
    }
    EXPECT_EQ(calendars::CopyName(kUrl), calendars::CopyName(kUrl));
    EXPECT_NE(calendars::CopyName(kUrl), calendars::CopyName(std::string(kUrl) + "x"));
    EXPECT_EQ(calendars::CopyName(kUrl).find("example"), std::string::npos);
}

// What a read brings, and what becomes of the copy kept of an address.
TEST(CalendarReading, AGoodReplyReplacesTheCopyAndEveryFailureKeepsIt) {
    struct Row {
        HttpReply reply;
        calendars::Failure failure;
        bool calendar, copyReplaced;
    };
    for (const Row& row : {
             Row{{HttpReply::Failure::None, 200, kTeam, "\"v2\""}, calendars::Failure::None, true, true},
             Row{{HttpReply::Failure::None, 200, "<html>Sign in</html>"},
                 calendars::Failure::NotACalendar,
                 false,
                 false},
             Row{{HttpReply::Failure::None, 500, "oops"}, calendars::Failure::Unreachable, false, false},
             Row{{HttpReply::Failure::BadCertificate}, calendars::Failure::BadCertificate, false, false},
             Row{{HttpReply::Failure::TooLarge}, calendars::Failure::TooLarge, false, false},
             Row{{HttpReply::Failure::Stalled}, calendars::Failure::Unreachable, false, false},
         }) {
        PlatformDouble platform;
        platform.io.replies[kUrl] = row.reply;
        const std::string copy = calendars::CopyName(kUrl);
        platform.io.copies[copy] = "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n";
        platform.io.copies[calendars::CopyDetailsName(copy)] = "1796600000000\n\"v1\"\n\n";
        calendars::ReadJob job;
        job.source = *calendars::Classify(kUrl);
        job.copyFirst = true;
        calendars::Read(platform.io, job, 1796601600000);
        EXPECT_EQ(job.failure, row.failure) << row.reply.status;
        EXPECT_EQ(job.calendar != nullptr, row.calendar) << row.reply.status;
        ASSERT_NE(job.copy, nullptr);
        EXPECT_EQ(job.copyReadAtMs, 1796600000000);
        EXPECT_EQ(platform.io.asked, std::vector<std::string>{std::string("GET ") + kUrl + " \"v1\" "});
        EXPECT_EQ(platform.io.copies[copy] == kTeam, row.copyReplaced) << row.reply.status;
    }
}

TEST(CalendarDayList, EachEventsTimeThenItsSummaryAllDayFirstWhatDoesNotFitCounted) {
    const std::vector<std::shared_ptr<const ical::Calendar>> shown{
        std::make_shared<const ical::Calendar>(ical::Read(kTeam))};
    PlatformDouble platform;
    const calendars::Formats formats{[&](int32_t h, int32_t m) { return platform.ShortTime(h, m); },
                                     [&](CalendarDate d) { return platform.ShortDay(d); }};
    const auto events = calendars::EventsOf(shown, platform.zones, {2026, 12, 10});
    const auto lines = [&](size_t room) {
        std::vector<std::string> texts;
        for (const ListLine& line : calendars::Lines(events, {2026, 12, 10}, room, platform.language, formats))
            texts.push_back(line.text + (line.tip.empty() ? "" : " @" + line.tip));
        return texts;
    };
    EXPECT_EQ(lines(5), (std::vector<std::string>{"Fair", "until 11:00 Night shift",
                                                  "09:30\u201310:00 Stand-up @Room 4", "23:00 until Fri 11 Late"}));
    EXPECT_EQ(lines(3), (std::vector<std::string>{"Fair", "until 11:00 Night shift", "+2 more"}));
    EXPECT_EQ(calendars::Lines({}, {2026, 12, 12}, 4, platform.language, formats),
              (std::vector<ListLine>{{"No events", ""}}));
    EXPECT_EQ(calendars::NextEvent(events, {2026, 12, 10, 10, 0, 0}, platform.language, formats), "Next: 23:00 Late");
    // Bold: the stand-ups of 7 to 11 December, the fair and the night shift; nothing in January.
    EXPECT_EQ(calendars::BoldDays(shown, platform.zones, {2026, 12, 1}, 2), (std::vector<uint32_t>{0b11111 << 6, 0}));
}

// Without calendars the window is as it was; with one, the list goes under
// the month, the copy shows before the address answers, and OK's removal
// takes the copy away.
TEST(CalendarWindow, ListedUnderTheMonthReadOffTheThreadAndForgottenWithItsCopy) {
    LoadedCalendar plain;
    EXPECT_FALSE(plain.platform.list.visible);
    EXPECT_TRUE(plain.platform.background.empty());

    LoadedCalendar calendar(false);
    calendar.platform.Store("calendar1", kUrl);
    calendar.platform.today = {2026, 12, 10};
    calendar.platform.io.copies[calendars::CopyName(kUrl)] = kTeam;
    calendar.form.Form_Load();
    EXPECT_TRUE(calendar.platform.list.visible);
    EXPECT_EQ(calendar.platform.form.height, plain.platform.form.height + PlatformDouble::kListHeight);
    EXPECT_EQ(calendar.platform.list.top, plain.platform.form.height);
    EXPECT_TRUE(calendar.platform.background.empty()) << "read before the window has shown";
    calendar.form.Form_Timer(FormTimer::CalendarRead);
    calendar.platform.RunBackground();  // the address does not answer
    ASSERT_EQ(calendar.platform.list.lines.size(), 4u);
    EXPECT_EQ(calendar.platform.list.lines[2].text, "09:30\u201310:00 Stand-up");

    calendar.platform.menuChoice = tray::kSettings;
    int16_t button = 0, shift = 0;
    float x = tray::kRightButtonUp * calendar.platform.screen.twipsPerPixelX, y = 0;
    calendar.form.Form_MouseMove(button, shift, x, y);
    ASSERT_TRUE(calendar.platform.settingsShown);
    SettingsChoice choice = *calendar.platform.settingsShown;
    ASSERT_EQ(choice.calendarLines.size(), 1u);
    EXPECT_EQ(choice.calendarLines[0].rfind("Team \u2014 could not be reached; showing the copy: 4 events", 0), 0u);
    std::string source = kUrl, line, status;
    int16_t cancel = 0;
    calendar.form.Settings_CalendarAdd(choice.calendars, source, line, status, cancel);
    EXPECT_EQ(status, "This calendar is already in the list.");
    choice.calendars.clear();
    calendar.form.Settings_OK(choice, status, cancel);
    calendar.platform.RunBackground();  // the copy removed
    EXPECT_EQ(calendar.platform.Stored("calendar1"), "");
    EXPECT_TRUE(calendar.platform.io.copies.empty());
    EXPECT_FALSE(calendar.platform.list.visible);
}

}  // namespace
