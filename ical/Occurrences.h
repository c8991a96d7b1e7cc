#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "ical/Calendar.h"
#include "ical/Time.h"
#include "ical/Zones.h"

// The occurrences of a calendar's events in a window of days: recurrences
// expanded (RRULE, RDATE, EXDATE), overrides (RECURRENCE-ID) in the place of
// the instances they replace, cancelled ones left out.
namespace ical {

struct Occurrence {
    const Event* event = nullptr;  // the master or the override it comes from
    std::string_view summary, location, uid;
    DateTime recurrenceId;  // the instance's original start: tells instances of one event apart
    bool allDay = false;
    DateTime start, end;      // as written (an all-day event's end is exclusive)
    bool hasInstant = false;  // not for dates; floating times through X-WR-TIMEZONE or the local zone
    int64_t startUtc = 0, endUtc = 0;
    LocalDateTime localStart, localEnd;  // on the user's clock (all-day: the dates as written)
};

// Which days a window holds an occurrence against: the user's local days,
// or (for a tool) the times as written: dates and floating times by their
// wall fields, UTC and zoned times by their days in UTC.
enum class WindowClock { Local, AsWritten };

struct OccurrenceList {
    std::vector<Occurrence> items;               // by start (localStart; AsWritten: as the times are written)
    size_t cutRules = 0;                         // recurrences cut at kMostOccurrencesInAWindow
    std::vector<std::string_view> unknownZones;  // TZIDs read as the user's local time
};

// Every occurrence that overlaps the dates [from, to) (time fields ignored).
// A zero-length one overlaps when it starts within.
OccurrenceList FindOccurrences(const Calendar& calendar, const SystemZones& zones, const LocalDateTime& from,
                               const LocalDateTime& to, WindowClock clock = WindowClock::Local);

// The user's local days [first, last] an occurrence touches: one that ends
// exactly at midnight does not touch the next day, a zero-length one touches
// its start's day. All-day ones: their dates as written.
struct DayRange {
    LocalDateTime first, last;  // dates, time fields 0
};
DayRange DaysTouched(const Occurrence& occurrence);

}  // namespace ical
