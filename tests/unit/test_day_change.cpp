#include <gtest/gtest.h>

#include <optional>

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

TEST(DayChange, AnUntouchedCalendarIsSetAsTheLoadHandlerSetsIt) {
    LoadedCalendar calendar;
    calendar.platform.today = {2026, 12, 8};
    calendar.form.Form_DayChange();
    EXPECT_EQ(calendar.platform.calls,
              (Strings{"Today", "MonthView1.Value", "MonthView1.ShownMonth", "MonthView1.Value="}));
}

}  // namespace
