#include "ical/Time.h"

namespace ical {

// Howard Hinnant's days-from-civil: eras of 400 years, March first, so that
// the leap day falls at the end of each year of the era.
int64_t DaysFromCivil(int32_t year, int32_t month, int32_t day) {
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    // In 64 bits: a month or a day far out of its range must not overflow.
    const int64_t m = month, dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

LocalDateTime CivilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day)};
}

int32_t Weekday(int32_t year, int32_t month, int32_t day) {
    // 1970-01-01 was a Thursday (3, counted from Monday).
    const int64_t days = DaysFromCivil(year, month, day);
    return static_cast<int32_t>(((days % 7) + 7 + 3) % 7);
}

bool IsLeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t DaysInMonth(int32_t year, int32_t month) {
    static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t WallSeconds(const LocalDateTime& at) {
    return DaysFromCivil(at.year, at.month, at.day) * 86400 + int64_t{at.hour} * 3600 + int64_t{at.minute} * 60 +
           at.second;
}

LocalDateTime FromWallSeconds(int64_t seconds) {
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    LocalDateTime at = CivilFromDays(days);
    at.hour = static_cast<int32_t>(rest / 3600);
    at.minute = static_cast<int32_t>(rest / 60 % 60);
    at.second = static_cast<int32_t>(rest % 60);
    return at;
}

}  // namespace ical
