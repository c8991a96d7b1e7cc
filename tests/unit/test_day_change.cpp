#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "clock/DayClock.h"

#include "tests/unit/LoadedCalendar.h"

namespace {

// Loaded on `loaded`; then the user may pick a day or show another month, and
// the date becomes `now`.
struct DayCase {
    const char* name;
    CalendarDate loaded, now;
    std::optional<CalendarDate> picked, shown;
    CalendarDate expected;
};

void PrintTo(const DayCase& c, std::ostream* os) { *os << c.name; }

class DayChange : public ::testing::TestWithParam<DayCase> {};

TEST_P(DayChange, FollowsTheDateOnlyWhileTheUserHasLeftTheCalendarAlone) {
    const DayCase& c = GetParam();
    PlatformDouble platform;
    platform.today = c.loaded;
    frmCalendar form{platform};
    form.Form_Load();
    if (c.picked) platform.calendar.value = *c.picked;
    if (c.shown) platform.calendar.shownMonth = *c.shown;
    platform.today = c.now;
    form.Form_DayChange();
    EXPECT_EQ(platform.calendar.value, c.expected);
    if (c.expected == c.now) EXPECT_EQ(platform.calendar.shownMonth, (CalendarDate{c.now.year, c.now.month, 1}));
    // The next day moves it again: it follows from the date it last set.
    if (c.expected == c.now && c.now.day < 28) {
        platform.today = {c.now.year, c.now.month, c.now.day + 1};
        form.Form_DayChange();
        EXPECT_EQ(platform.calendar.value, platform.today);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, DayChange,
    ::testing::Values(
        DayCase{"MidnightMovesToTheNextDay", {2026, 12, 7}, {2026, 12, 8}, {}, {}, {2026, 12, 8}},
        DayCase{"MonthBoundary", {2026, 11, 30}, {2026, 12, 1}, {}, {}, {2026, 12, 1}},
        DayCase{"YearBoundary", {2026, 12, 31}, {2027, 1, 1}, {}, {}, {2027, 1, 1}},
        DayCase{"LeapDay", {2028, 2, 28}, {2028, 2, 29}, {}, {}, {2028, 2, 29}},
        DayCase{"AfterTheLeapDay", {2028, 2, 29}, {2028, 3, 1}, {}, {}, {2028, 3, 1}},
        DayCase{"ClockSetBackADay", {2026, 12, 7}, {2026, 12, 6}, {}, {}, {2026, 12, 6}},
        DayCase{"SameDayChangesNothing", {2026, 12, 7}, {2026, 12, 7}, {}, {}, {2026, 12, 7}},
        DayCase{"AnotherDayPickedStays", {2026, 12, 7}, {2026, 12, 8}, CalendarDate{2026, 12, 24}, {}, {2026, 12, 24}},
        DayCase{"AnotherMonthShownStays", {2026, 11, 30}, {2026, 12, 1}, {}, CalendarDate{2026, 10, 1}, {2026, 11, 30}},
        DayCase{"AnotherYearShownStays", {2026, 12, 31}, {2027, 1, 1}, {}, CalendarDate{2025, 12, 1}, {2026, 12, 31}}),
    [](const auto& info) { return std::string(info.param.name); });

// The icon's tip follows the date too: a new day, a new week.
TEST(DayChange, AnUntouchedCalendarIsSetAsTheLoadHandlerSetsItAndTheTipSaysTheNewDay) {
    LoadedCalendar calendar;
    calendar.platform.today = {2026, 12, 14};
    calendar.form.Form_DayChange();
    EXPECT_EQ(calendar.CallsStartingWith({"StartTimer", "MonthView1.Value", "MonthView1.ShownMonth"}),
              (Strings{"StartTimer 1 3600000", "MonthView1.Value", "MonthView1.ShownMonth", "MonthView1.Value="}));
    EXPECT_EQ(TipOf(calendar.platform.shellCalls.back().data).substr(0, 22), "2026-12-14 · week 51\n");
}

}  // namespace

namespace {

int64_t UtcMs(const char* text) {  // "YYYY-MM-DD HH:MM:SS", UTC
    std::tm t{};
    std::sscanf(text, "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour, &t.tm_min, &t.tm_sec);
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    return static_cast<int64_t>(timegm(&t)) * 1000;
}

// The local date by the system's zone database, the rules Windows keeps too.
day_clock::LocalDateAt DatesIn(const char* zone) {
    return [zone](int64_t utcMs) {
        setenv("TZ", zone, 1);
        tzset();
        const std::time_t seconds = static_cast<std::time_t>(utcMs / 1000);
        std::tm local{};
        localtime_r(&seconds, &local);
        return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    };
}

struct ZoneCase {
    const char* zone;
    const char* nowUtc;
    const char* changeUtc;  // when the local date next changes
    const char* why;
};

void PrintTo(const ZoneCase& c, std::ostream* os) { *os << c.zone << " " << c.why; }

class NextDateChange : public ::testing::TestWithParam<ZoneCase> {
protected:
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }
};

TEST_P(NextDateChange, IsTheFirstInstantOfTheNextLocalDateToTheSecond) {
    const ZoneCase& c = GetParam();
    const int64_t change = day_clock::NextDateChange(UtcMs(c.nowUtc), DatesIn(c.zone));
    EXPECT_GE(change, UtcMs(c.changeUtc));
    EXPECT_LE(change, UtcMs(c.changeUtc) + 1000);
    const uint32_t wait = day_clock::MillisecondsToNextLook(UtcMs(c.nowUtc), DatesIn(c.zone));
    EXPECT_EQ(wait,
              std::min<int64_t>(change - UtcMs(c.nowUtc) + day_clock::kPastTheChangeMs, day_clock::kLongestWaitMs));
}

INSTANTIATE_TEST_SUITE_P(
    DayClock, NextDateChange,
    ::testing::Values(
        ZoneCase{"UTC", "2026-12-07 13:37:00", "2026-12-08 00:00:00", "an ordinary day"},
        ZoneCase{"Europe/Berlin", "2024-03-30 22:30:00", "2024-03-30 23:00:00", "the midnight before spring forward"},
        ZoneCase{"Europe/Berlin", "2024-03-30 23:30:00", "2024-03-31 22:00:00", "a day of 23 hours"},
        ZoneCase{"Europe/Berlin", "2024-10-26 22:30:00", "2024-10-27 23:00:00", "a day of 25 hours"},
        ZoneCase{"America/New_York", "2024-03-10 05:30:00", "2024-03-11 04:00:00", "a day of 23 hours"},
        ZoneCase{"America/Santiago", "2024-09-08 03:30:00", "2024-09-08 04:00:00", "midnight skipped: 24:00 is 01:00"},
        ZoneCase{"America/Santiago", "2024-04-07 02:30:00", "2024-04-07 04:00:00", "the hour before midnight twice"},
        ZoneCase{"Asia/Beirut", "2024-03-30 21:30:00", "2024-03-30 22:00:00", "midnight skipped: 00:00 is 01:00"},
        ZoneCase{"America/Havana", "2024-11-03 04:30:00", "2024-11-04 05:00:00", "the hour after midnight twice"},
        ZoneCase{"Australia/Lord_Howe", "2024-10-05 14:30:00", "2024-10-06 13:00:00", "forward by half an hour"},
        ZoneCase{"Pacific/Apia", "2011-12-29 22:00:00", "2011-12-30 10:00:00", "30 December 2011 never was"}),
    [](const auto& info) {
        return std::string(info.param.zone).substr(std::string(info.param.zone).find('/') + 1) + "_" +
               std::to_string(info.index);
    });

TEST(DayChange, AnUnreadableCalendarIsLeftAloneAndTheDateLookedAtAgain) {
    for (const char* failing : {"Today", "MonthView1.Value", "MonthView1.ShownMonth", "MonthView1.Value="}) {
        LoadedCalendar calendar;
        calendar.platform.timers.clear();
        calendar.platform.today = {2026, 12, 8};
        calendar.platform.failing[failing] = 5;
        EXPECT_NO_THROW(calendar.form.Form_Timer(FormTimer::DayChange)) << failing;
        EXPECT_EQ(calendar.platform.calendar.value, (CalendarDate{2026, 12, 7})) << failing;
        EXPECT_EQ(calendar.platform.timers.count(FormTimer::DayChange), 1u) << failing;
    }
}

}  // namespace
