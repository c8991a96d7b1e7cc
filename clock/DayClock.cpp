#include "clock/DayClock.h"

namespace day_clock {

namespace {
// No zone changes its date twice within this step, and a date change is
// never shorter than it: scanning in such steps finds the first one.
constexpr int64_t kScanStepMs = 15LL * 60 * 1000;
constexpr int64_t kResolutionMs = 1000;
}  // namespace

int64_t NextDateChange(int64_t nowUtcMs, const LocalDateAt& localDateAt) {
    const CalendarDate today = localDateAt(nowUtcMs);
    int64_t same = nowUtcMs;  // the date is still today here
    int64_t other = nowUtcMs + kScanStepMs;
    while (localDateAt(other) == today) {
        if (other - nowUtcMs >= kSearchMs) return nowUtcMs + kSearchMs;
        same = other;
        other += kScanStepMs;
    }
    // Today at `same`, another date at `other`: halve the gap to a second.
    while (other - same > kResolutionMs) {
        const int64_t middle = same + (other - same) / 2;
        (localDateAt(middle) == today ? same : other) = middle;
    }
    return other;
}

uint32_t MillisecondsToNextLook(int64_t nowUtcMs, const LocalDateAt& localDateAt) {
    const int64_t wait = NextDateChange(nowUtcMs, localDateAt) - nowUtcMs + kPastTheChangeMs;
    return wait < kLongestWaitMs ? static_cast<uint32_t>(wait) : kLongestWaitMs;
}

}  // namespace day_clock
