#include <gtest/gtest.h>

#include <tuple>

#include "clock/Weeks.h"
#include "settings/Choices.h"
#include "tray/TrayIcon.h"

namespace {

using weeks::FirstWeek;

constexpr weeks::Counting kSundayFirstJanuary{6, FirstWeek::HoldsFirstJanuary};  // a US format
constexpr weeks::Counting kSundayFullWeek{6, FirstWeek::FirstFullWeek};
constexpr weeks::Counting kSundayFourDays{6, FirstWeek::FirstFourDayWeek};  // the CDC's epidemiological weeks

// Expected numbers from published calendars: ISO 8601's week calendar, the
// CDC's MMWR weeks (Sunday weeks, week 1 with four days; 2020 had 53), and
// the C library's %U (Sunday weeks counted from the first full one).
struct WeekRow {
    CalendarDate date;
    weeks::Counting counting;
    int32_t week;
};

TEST(Weeks, NumbersAsPublishedCalendarsCountThemAcrossTheTurnOfTheYear) {
    for (const WeekRow& row : {
             WeekRow{{2026, 12, 28}, weeks::kIso, 53},
             WeekRow{{2027, 1, 3}, weeks::kIso, 53},
             WeekRow{{2027, 1, 4}, weeks::kIso, 1},
             WeekRow{{2024, 12, 30}, weeks::kIso, 1},
             WeekRow{{2021, 1, 3}, weeks::kIso, 53},
             WeekRow{{2016, 1, 1}, weeks::kIso, 53},
             WeekRow{{2026, 12, 10}, weeks::kIso, 50},
             WeekRow{{2026, 12, 6}, kSundayFirstJanuary, 50},
             WeekRow{{2026, 12, 27}, kSundayFirstJanuary, 1},
             WeekRow{{2022, 1, 1}, kSundayFullWeek, 52},
             WeekRow{{2021, 1, 2}, kSundayFourDays, 53},
             // The ends of the calendar's range, and the rows shown beside them.
             WeekRow{{1753, 1, 1}, weeks::kIso, 1},
             WeekRow{{1752, 12, 31}, kSundayFirstJanuary, 1},
             WeekRow{{9999, 12, 31}, weeks::kIso, 52},
             WeekRow{{9999, 12, 26}, kSundayFirstJanuary, 1},
         }) {
        EXPECT_EQ(weeks::WeekOfYear(row.date, row.counting), row.week)
            << row.date.year << "-" << row.date.month << "-" << row.date.day << " first day " << row.counting.firstDay
            << " rule " << static_cast<int>(row.counting.firstWeek);
    }
}

TEST(Weeks, ARegionalFormatOutsideTheDocumentedValuesCountsAsIso) {
    using weeks::CountingFor;
    EXPECT_EQ(CountingFor(WeekNumbering::None, 6, 0), std::nullopt);
    EXPECT_EQ(CountingFor(WeekNumbering::Iso, 6, 0), weeks::kIso);
    EXPECT_EQ(CountingFor(WeekNumbering::Regional, 6, 0), kSundayFirstJanuary);
    for (const auto& [firstDay, firstWeek] : {std::pair{9, 0}, {6, 7}, {-1, 2}, {0, -1}})
        EXPECT_EQ(CountingFor(WeekNumbering::Regional, firstDay, firstWeek), weeks::kIso) << firstDay << firstWeek;
}

// What the notification icon shows: nothing (the designed icon), this
// week's number by the counting, or the day of the month.
TEST(Weeks, TheIconsNumberIsTheChosenOneForToday) {
    using tray::IconNumber;
    EXPECT_EQ(IconNumber(IconShows::Calendar, {2026, 12, 28}, weeks::kIso), 0);
    EXPECT_EQ(IconNumber(IconShows::Week, {2026, 12, 28}, weeks::kIso), 53);
    EXPECT_EQ(IconNumber(IconShows::Week, {2026, 12, 28}, kSundayFirstJanuary), 1);
    EXPECT_EQ(IconNumber(IconShows::Day, {2026, 12, 31}, weeks::kIso), 31);
}

TEST(Weeks, TheStoredChoicesOfIconAndPlaceAreTheDefaultsWhenDamaged) {
    for (const auto& [stored, shows, where] : {std::tuple{"week", IconShows::Week, OpensOn::Left},
                                               {"day", IconShows::Day, OpensOn::Left},
                                               {"working", IconShows::Calendar, OpensOn::Working},
                                               {"calendar", IconShows::Calendar, OpensOn::Left},
                                               {"Week", IconShows::Calendar, OpensOn::Left},
                                               {" working", IconShows::Calendar, OpensOn::Left},
                                               {"", IconShows::Calendar, OpensOn::Left}}) {
        EXPECT_EQ(choices::kIconShows.Read(stored), shows) << stored;
        EXPECT_EQ(choices::kOpensOn.Read(stored), where) << stored;
    }
    for (const auto& [stored, remind] : {std::pair{"never", RemindMe::Never},
                                         {"15", RemindMe::Before15},
                                         {"60", RemindMe::Before60},
                                         {"20", RemindMe::Calendar},
                                         {"Never", RemindMe::Calendar},
                                         {"", RemindMe::Calendar}})
        EXPECT_EQ(choices::kRemindMe.Read(stored), remind) << stored;
}

}  // namespace
