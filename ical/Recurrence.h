#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "ical/Time.h"

// Recurrence rules (RRULE values), expanded in the event's own wall time: a
// daily event at 09:00 stays at 09:00 across a change of the clocks, which
// the zone then turns into an instant. Only the part of the rule that meets
// the window asked for is produced.
namespace ical {

enum class Frequency { Secondly, Minutely, Hourly, Daily, Weekly, Monthly, Yearly };

struct WeekdayNum {
    int32_t ordinal = 0;  // 0 every such weekday; 1 the first, -1 the last, ...
    int32_t weekday = 0;  // 0 Monday to 6 Sunday
    bool operator==(const WeekdayNum&) const = default;
};

struct RecurrenceRule {
    Frequency freq = Frequency::Daily;
    int32_t interval = 1;
    std::optional<int64_t> count;
    // UNTIL as written; the caller turns it into the event's wall time
    // (Expand's untilWall), for it may be a date, a UTC time or a local one.
    std::optional<LocalDateTime> until;
    bool untilIsDate = false;
    bool untilIsUtc = false;
    std::vector<int32_t> bySecond, byMinute, byHour;
    std::vector<WeekdayNum> byDay;
    std::vector<int32_t> byMonthDay, byYearDay, byWeekNo, byMonth, bySetPos;
    int32_t weekStart = 0;  // WKST, 0 Monday to 6 Sunday
    bool operator==(const RecurrenceRule&) const = default;
};

// The rule an RRULE line's value stands for; none when it cannot be read
// (no FREQ, a part out of its range, INTERVAL=0, COUNT and UNTIL together).
// Names and values in any case; unknown parts (X-names) are ignored.
std::optional<RecurrenceRule> ParseRule(std::string_view value);

struct Expansion {
    std::vector<LocalDateTime> starts;  // ascending, each within [from, to)
    bool cut = false;                   // more than `limit` in the window, or more work than is sensible
};

// The starts the rule yields from dtstart (itself the first, as RFC 5545
// counts it, whether or not the rule would yield it), from `from`
// (inclusive) to `to` (exclusive), ascending, at most `limit` of them.
// untilWall is the rule's UNTIL in the event's wall time (inclusive); dates
// that do not exist (30 February, a 31st in a short month) are skipped.
// For an all-day event (dateOnly) only the date fields count. The cost does
// not grow with the distance from dtstart to the window, COUNT aside, which
// is bounded: a rule must count from its start.
Expansion Expand(const RecurrenceRule& rule, const LocalDateTime& dtstart, bool dateOnly,
                 std::optional<LocalDateTime> untilWall, const LocalDateTime& from, const LocalDateTime& to,
                 size_t limit);

constexpr size_t kMostOccurrencesInAWindow = 100000;

}  // namespace ical
