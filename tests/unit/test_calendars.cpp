#include <gtest/gtest.h>

#include "calendars/DayList.h"
#include "calendars/Reading.h"
#include "calendars/Reminders.h"
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

// Every reminder the alarms ask for, or the fixed choice, in the days 10 to
// 12 December (the double's zone is UTC).
const char kAlarms[] =
    "BEGIN:VCALENDAR\r\n"
    "BEGIN:VEVENT\r\nUID:dentist\r\nDTSTART:20261210T140000Z\r\nDTEND:20261210T150000Z\r\nSUMMARY:Dentist\r\n"
    "LOCATION:Main St 4\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:AUDIO\r\nTRIGGER;RELATED=END:PT5M\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:EMAIL\r\nTRIGGER:-PT1H\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:soon\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-P365D\r\nEND:VALARM\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:call\r\nDTSTART:20261210T120000Z\r\nSUMMARY:Call\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:20261210T080000Z\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:fair\r\nDTSTART;VALUE=DATE:20261211\r\nSUMMARY:Fair\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15H\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:sync\r\nDTSTART:20261208T100000Z\r\nDTEND:20261208T103000Z\r\nRRULE:FREQ=DAILY;COUNT=5\r\n"
    "SUMMARY:Sync\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:sync\r\nRECURRENCE-ID:20261211T100000Z\r\nDTSTART:20261211T160000Z\r\n"
    "DTEND:20261211T163000Z\r\nSUMMARY:Sync moved\r\n"
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT10M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:sync\r\nRECURRENCE-ID:20261212T100000Z\r\nDTSTART:20261212T100000Z\r\nSTATUS:CANCELLED\r\n"
    "END:VEVENT\r\nEND:VCALENDAR\r\n";

int64_t At(int32_t day, int32_t hour, int32_t minute, int32_t second = 0) {
    return ical::WallSeconds({2026, 12, day, hour, minute, second}) * 1000;
}

std::vector<std::string> Described(const std::vector<calendars::Reminder>& reminders) {
    std::vector<std::string> texts;
    for (const calendars::Reminder& r : reminders) {
        const ical::LocalDateTime at = ical::FromWallSeconds(r.dueMs / 1000);
        char when[16];
        std::snprintf(when, sizeof when, "%02d %02d:%02d ", at.day, at.hour, at.minute);
        texts.push_back(when + std::string(r.event.summary));
    }
    return texts;
}

std::vector<std::string> InOrder(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

TEST(CalendarReminders, WhenEachFallsDueByTheCalendarOrTheChoice) {
    const std::vector<std::shared_ptr<const ical::Calendar>> shown{
        std::make_shared<const ical::Calendar>(ical::Read(kAlarms))};
    PlatformDouble platform;
    const struct {
        RemindMe choice;
        std::vector<std::string> due;
    } rows[] = {
        // At a time; all-day from its midnight; the 3rd of a daily one; before the start and after the end;
        // the moved one at its new time; not the cancelled one nor the alarms that cannot be used.
        {RemindMe::Calendar,
         {"10 08:00 Call", "10 09:00 Fair", "10 09:50 Sync", "10 13:45 Dentist", "10 15:05 Dentist",
          "11 15:50 Sync moved"}},
        // All-day ones at 9:00 the day before.
        {RemindMe::Before10,
         {"10 09:00 Fair", "10 09:50 Sync", "10 11:50 Call", "10 13:50 Dentist", "11 15:50 Sync moved"}},
        {RemindMe::Never, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InOrder(Described(
                      calendars::RemindersOf(shown, platform.zones, {2026, 12, 10}, {2026, 12, 13}, row.choice))),
                  row.due)
            << static_cast<int>(row.choice);

    auto all = calendars::RemindersOf(shown, platform.zones, {2026, 12, 10}, {2026, 12, 13}, RemindMe::Calendar);
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.dueMs < b.dueMs; });
    const auto keys = [&](std::initializer_list<size_t> picked) {
        std::vector<uint64_t> chosen;
        for (size_t i : picked) chosen.push_back(all[i].key);
        return chosen;
    };
    const struct {
        const char* what;
        int64_t now;
        std::vector<uint64_t> shown;
        int64_t lastShown;
        std::vector<std::string> due;
        int64_t next;
    } moments[] = {
        {"started at 09:55: what fell due, soonest event first",
         At(10, 9, 55),
         {},
         0,
         {"10 09:50 Sync", "10 08:00 Call", "10 09:00 Fair"},
         At(10, 13, 45)},
        {"woken at 13:50 after a sleep", At(10, 13, 50), keys({0, 1, 2}), 0, {"10 13:45 Dentist"}, At(10, 15, 5)},
        {"within a minute of the last", At(10, 13, 50), keys({0, 1, 2}), At(10, 13, 49, 30), {}, At(10, 13, 50, 30)},
        {"the clock back an hour: none twice", At(10, 12, 50), keys({0, 1, 2, 3}), At(10, 13, 50), {}, At(10, 15, 5)},
        {"at 16:00: the ended events' reminders gone", At(10, 16, 0), {}, 0, {"10 09:00 Fair"}, At(11, 15, 50)},
        {"a day on: what is on", At(11, 16, 0), keys({0, 1, 2, 3}), At(10, 13, 50), {"11 15:50 Sync moved"}, INT64_MAX},
    };
    for (const auto& moment : moments) {
        const calendars::DueNow found = calendars::DueAt(all, moment.shown, moment.now, moment.lastShown);
        EXPECT_EQ(Described(found.due), moment.due) << moment.what;
        EXPECT_EQ(found.nextMs, moment.next) << moment.what;
    }

    const calendars::Formats formats{[&](int32_t h, int32_t m) { return platform.ShortTime(h, m); },
                                     [&](CalendarDate d) { return platform.ShortDay(d); }};
    const auto notice = [&](std::vector<calendars::Reminder> due) {
        const calendars::Notice n = calendars::NoticeOf(due, {2026, 12, 10}, platform.language, formats);
        return n.title + " | " + n.text;
    };
    EXPECT_EQ(notice({all[2], all[0], all[1]}), "Sync | 10:00\u201310:30\n+2 more");
    EXPECT_EQ(notice({all[3]}), "Dentist | 14:00\u201315:00\nMain St 4");
    EXPECT_EQ(notice({all[1]}), "Fair | Fri 11");
    EXPECT_EQ(calendars::CutToUnits(std::string(70, 'a'), 63), std::string(62, 'a') + "\u2026");
    EXPECT_EQ(calendars::CutToUnits("\U0001F600\U0001F600", 3), "\U0001F600\u2026");  // two units each

    // 10,000 alarms on one event: its first sixteen, gathered into one notification.
    std::string storm = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:storm\r\nDTSTART:20261210T120000Z\r\n";
    for (int i = 1; i <= 10000; ++i)
        storm += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT" + std::to_string(i) + "M\r\nEND:VALARM\r\n";
    const auto many = calendars::RemindersOf({std::make_shared<const ical::Calendar>(ical::Read(storm + "END:VEVENT"))},
                                             platform.zones, {2026, 12, 10}, {2026, 12, 13}, RemindMe::Calendar);
    EXPECT_EQ(many.size(), 16u);
    EXPECT_EQ(calendars::DueAt(many, {}, At(10, 11, 59), 0).due.size(), 16u);

    // Stored: kept only for the reminders still on show; damaged keys skipped.
    const std::string stored = calendars::ShownText({all[0].key, 42, all[3].key}, all);
    EXPECT_EQ(calendars::ReadShown(stored), (std::vector<uint64_t>{all[0].key, all[3].key}));
    EXPECT_EQ(calendars::ReadShown("zz,12,,123456789abcdef01"), (std::vector<uint64_t>{0x12}));
}

// Timed after every read; shown once, across a restart; a click on it shows
// its day with the event picked.
TEST(CalendarReminders, ShownOnceFromTheReadAndPickedByAClick) {
    for (const char* choice : {"calendar", "never"}) {
        LoadedCalendar calendar(false);
        calendar.platform.Store("calendar1", kUrl);
        calendar.platform.Store("remindMe", choice);
        calendar.platform.today = {2026, 12, 10};
        calendar.platform.nowUtcMs = At(10, 13, 40);
        calendar.platform.io.copies[calendars::CopyName(kUrl)] = kAlarms;
        calendar.form.Form_Load();
        EXPECT_EQ(calendar.platform.timers.count(FormTimer::Reminder), 0u) << "nothing read yet";
        calendar.form.Form_Timer(FormTimer::CalendarRead);
        calendar.platform.RunBackground();
        const bool never = std::string(choice) == "never";
        ASSERT_EQ(calendar.platform.notifications.size(), never ? 0u : 1u) << choice;
        if (never) {
            EXPECT_EQ(calendar.platform.timers.count(FormTimer::Reminder), 0u);
            continue;
        }
        EXPECT_EQ(calendar.platform.notifications[0].first, "Fair") << "tomorrow's; the morning's events are over";
        EXPECT_EQ(calendar.platform.timers[FormTimer::Reminder], 5 * 60 * 1000u) << "the dentist at 13:45";
        calendar.platform.nowUtcMs = At(10, 13, 45);
        calendar.form.Form_Timer(FormTimer::Reminder);
        ASSERT_EQ(calendar.platform.notifications.size(), 2u);
        EXPECT_EQ(calendar.platform.notifications[1].first, "Dentist");
        calendar.platform.list.selected = -1;
        int16_t button = 0, shift = 0;
        float x = tray::kNotificationClick * calendar.platform.screen.twipsPerPixelX, y = 0;
        calendar.form.Form_MouseMove(button, shift, x, y);
        EXPECT_EQ(calendar.platform.calendar.value, (CalendarDate{2026, 12, 10}));
        EXPECT_EQ(calendar.platform.list.selected, 2) << "after the sync and the call";

        // Started again: nothing shown twice.
        LoadedCalendar again(false);
        again.platform.store = calendar.platform.store;
        again.platform.today = {2026, 12, 10};
        again.platform.nowUtcMs = At(10, 13, 46);
        again.platform.io.copies = calendar.platform.io.copies;
        again.form.Form_Load();
        again.form.Form_Timer(FormTimer::CalendarRead);
        again.platform.RunBackground();
        EXPECT_TRUE(again.platform.notifications.empty());
        EXPECT_EQ(again.platform.timers[FormTimer::Reminder], 15 * 60 * 1000u)
            << "looked at within a quarter of an hour";
    }
}

}  // namespace
