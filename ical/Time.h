#pragma once
#include <compare>
#include <cstdint>

// Wall-clock times as calendars write them: a date and a time of day with no
// zone attached. Which instant they stand for is the zone's business
// (ical/Zones.h); arithmetic on them here is the proleptic Gregorian
// calendar's, as iCalendar's is.
namespace ical {

struct LocalDateTime {
    int32_t year = 0, month = 0, day = 0;
    int32_t hour = 0, minute = 0, second = 0;
    auto operator<=>(const LocalDateTime&) const = default;
};

// Days since 1970-01-01 of a civil date, and back; valid for any year the
// 32-bit fields hold.
int64_t DaysFromCivil(int32_t year, int32_t month, int32_t day);
LocalDateTime CivilFromDays(int64_t days);
// 0 Monday to 6 Sunday.
int32_t Weekday(int32_t year, int32_t month, int32_t day);
int32_t DaysInMonth(int32_t year, int32_t month);
bool IsLeapYear(int32_t year);

// Seconds since 1970-01-01T00:00:00 of a wall time read as if it were UTC:
// differences between two of them are wall-clock differences.
int64_t WallSeconds(const LocalDateTime& at);
LocalDateTime FromWallSeconds(int64_t seconds);

}  // namespace ical
