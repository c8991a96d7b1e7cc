#include "clock/Weeks.h"

namespace weeks {

namespace {

// Days since 1 January 1970 in the proleptic Gregorian calendar, for any
// year the control can show and the ones just beyond it.
int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t YearOf(int64_t dayNumber) {
    const int64_t z = dayNumber + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    return yearOfEra + era * 400 + (monthIndex >= 10);
}

// 0 Monday to 6 Sunday; 1 January 1970 was a Thursday.
int64_t Weekday(int64_t dayNumber) { return ((dayNumber + 3) % 7 + 7) % 7; }

int64_t WeekStart(int64_t dayNumber, int32_t firstDay) { return dayNumber - (Weekday(dayNumber) - firstDay + 7) % 7; }

int64_t FirstWeekStart(int64_t year, Counting counting) {
    const int64_t firstJanuary = DayNumber(year, 1, 1);
    const int64_t start = WeekStart(firstJanuary, counting.firstDay);
    const int64_t daysInYear = 7 - (firstJanuary - start);
    const int64_t least = counting.firstWeek == FirstWeek::FirstFullWeek      ? 7
                          : counting.firstWeek == FirstWeek::FirstFourDayWeek ? 4
                                                                              : 1;
    return daysInYear >= least ? start : start + 7;
}

}  // namespace

int32_t WeekOfYear(CalendarDate date, Counting counting) {
    const int64_t start = WeekStart(DayNumber(date.year, date.month, date.day), counting.firstDay);
    // The week belongs to the year of its last day, or else to the one before.
    int64_t year = YearOf(start + 6);
    int64_t first = FirstWeekStart(year, counting);
    if (start < first) first = FirstWeekStart(--year, counting);
    return static_cast<int32_t>((start - first) / 7 + 1);
}

std::optional<Counting> CountingFor(WeekNumbering choice, int32_t regionalFirstDay, int32_t regionalFirstWeek) {
    switch (choice) {
        case WeekNumbering::None: return std::nullopt;
        case WeekNumbering::Iso: return kIso;
        case WeekNumbering::Regional: break;
    }
    if (regionalFirstDay < 0 || regionalFirstDay > 6 || regionalFirstWeek < 0 || regionalFirstWeek > 2) return kIso;
    return Counting{regionalFirstDay, static_cast<FirstWeek>(regionalFirstWeek)};
}

}  // namespace weeks
