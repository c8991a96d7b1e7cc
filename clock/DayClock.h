#pragma once
#include <cstdint>
#include <functional>

#include "platform/PlatformServices.h"

// When the calendar should look at the date again. Time here is UTC in
// milliseconds since 1970, which runs evenly; the local date is the user's
// time zone's business, asked of it at any instant. A timer set for the
// wall-clock time left until midnight fires an hour late on the day the
// clocks go forward, and a zone may skip or repeat midnight itself
// (America/Santiago does), so the date change is searched for in UTC.
namespace day_clock {

using LocalDateAt = std::function<CalendarDate(int64_t utcMs)>;

// The first instant after nowUtcMs at which the local date differs from the
// date at nowUtcMs, to the second; or nowUtcMs plus kSearchMs if the date stays
// the same that long (a zone that stops its calendar, or a broken clock).
int64_t NextDateChange(int64_t nowUtcMs, const LocalDateAt& localDateAt);
constexpr int64_t kSearchMs = 27LL * 60 * 60 * 1000;  // a day and the largest jump any zone makes

// How long to wait before looking again: until just after the next date
// change, but never longer than an hour, so that a clock that drifts from the
// timers, or a change of zone or clock nobody announced, is caught up with
// within the hour. At most 24 looks a day: no cost worth measuring.
uint32_t MillisecondsToNextLook(int64_t nowUtcMs, const LocalDateAt& localDateAt);
constexpr uint32_t kPastTheChangeMs = 1000;  // a timer may fire a little early
constexpr uint32_t kLongestWaitMs = 60 * 60 * 1000;

}  // namespace day_clock
