#pragma once
#include <cstdint>
#include <optional>

#include "platform/FormEvents.h"
#include "platform/PlatformServices.h"

// Week numbers as calendars count them. A week starts on its first day and
// belongs to the year whose week 1 it is or follows; days are numbered as
// Windows' regional format numbers them (LOCALE_IFIRSTDAYOFWEEK): 0 Monday
// to 6 Sunday.
namespace weeks {

enum class FirstWeek : int32_t {  // as LOCALE_IFIRSTWEEKOFYEAR numbers the rules
    HoldsFirstJanuary = 0,
    FirstFullWeek = 1,
    FirstFourDayWeek = 2,
};

struct Counting {
    int32_t firstDay;  // 0 Monday to 6 Sunday
    FirstWeek firstWeek;
    bool operator==(const Counting&) const = default;
};

// ISO 8601: weeks from Monday, week 1 holds the year's first Thursday.
constexpr Counting kIso{0, FirstWeek::FirstFourDayWeek};

// The number of the week that holds date, 1 to 53.
int32_t WeekOfYear(CalendarDate date, Counting counting);

// The counting a choice stands for; none without week numbers. The regional
// format's values as Windows gives them: a value outside the documented ones
// (a format written by hand, or none read) counts as ISO 8601.
std::optional<Counting> CountingFor(WeekNumbering choice, int32_t regionalFirstDay, int32_t regionalFirstWeek);

}  // namespace weeks
