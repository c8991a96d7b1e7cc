#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "ical/Recurrence.h"
#include "ical/Time.h"

// An iCalendar (RFC 5545) file as the calendar needs it: its events with
// their times, recurrences and reminders, and the time zones it defines.
// Only what a window of days needs is kept; every text the model holds is a
// view into storage the Calendar owns, valid as long as the Calendar lives
// (moving it keeps them valid; it cannot be copied).
namespace ical {

// How a time was written: a date (an all-day event), a floating time (no
// zone: the user's, or the calendar's X-WR-TIMEZONE), a UTC time ("Z"), or a
// time in the zone its TZID names.
enum class TimeKind : uint8_t { Date, Floating, Utc, Zoned };

struct DateTime {
    LocalDateTime wall;  // as written; a date's time of day is 00:00:00
    TimeKind kind = TimeKind::Date;
    uint16_t tzid = 0;  // Zoned: the index of its name in Calendar::tzids
    bool operator==(const DateTime&) const = default;
};

// A DURATION: days (weeks counted as 7) are calendar days, added to the wall
// time; seconds are exact time. Both carry the duration's sign.
struct Duration {
    int64_t days = 0;
    int64_t seconds = 0;
    bool operator==(const Duration&) const = default;
};

// An RDATE value: a start, or a period with its end or its duration.
struct RDate {
    DateTime start;
    std::optional<DateTime> end;
    std::optional<Duration> duration;
};

// A VALARM, kept as written for the reminders.
struct Alarm {
    std::string_view action;
    std::string_view trigger;         // the value: a duration, or a UTC date-time
    std::string_view triggerValue;    // VALUE=DURATION or DATE-TIME, empty when not given
    std::string_view triggerRelated;  // RELATED=START or END, empty when not given
    std::string_view description;
};

struct Event {
    std::string_view uid, summary, location;
    DateTime start;
    std::optional<DateTime> end;  // DTEND
    std::optional<Duration> duration;
    std::vector<RecurrenceRule> rules;  // several RRULE lines: their union
    std::vector<RDate> rdates;
    std::vector<DateTime> exdates;
    std::optional<DateTime> recurrenceId;  // an override of the instance that started there
    bool thisAndFuture = false;            // RECURRENCE-ID;RANGE=THISANDFUTURE
    bool cancelled = false;                // STATUS:CANCELLED
    int32_t sequence = 0;
    std::vector<Alarm> alarms;
};

// One observance of a VTIMEZONE (its STANDARD or DAYLIGHT): from each onset
// on, the zone's clocks are offsetTo seconds ahead of UTC. Onsets are written
// in the wall time before them (offsetFrom).
struct Observance {
    bool daylight = false;
    LocalDateTime start;  // DTSTART
    int32_t offsetFrom = 0, offsetTo = 0;
    std::vector<RecurrenceRule> rules;
    std::vector<LocalDateTime> rdates;
};

struct TimeZoneDefinition {
    std::string_view tzid;
    std::vector<Observance> observances;
};

// Why a line or an event was not read, for a tool to say: line is the
// number of the line (counted from 1) where it starts.
struct Skip {
    size_t line = 0;
    const char* reason = "";  // a short English phrase, never null
};

// Owns the bytes of every text the model holds; they never move.
class TextStore {
public:
    std::string_view Add(std::string_view text);
    // Reserves room for `size` bytes to be written through the pointer and
    // kept with Commit(n), n <= size.
    char* Begin(size_t size);
    std::string_view Commit(size_t size);

private:
    std::vector<std::unique_ptr<char[]>> chunks_;
    char* free_ = nullptr;  // of the chunk small texts are filling
    size_t left_ = 0;
    char* begun_ = nullptr;
    bool begunAlone_ = false;  // in a chunk of its own
};

struct Calendar {
    bool isCalendar = false;                // a VCALENDAR was found: else HTML, JSON, a login page, nothing
    std::string_view name;                  // X-WR-CALNAME
    std::string_view defaultZone;           // X-WR-TIMEZONE: where floating times are (Google's exports)
    std::optional<int64_t> refreshSeconds;  // REFRESH-INTERVAL;VALUE=DURATION, else X-PUBLISHED-TTL
    std::vector<Event> events;              // in file order; overrides (recurrenceId) among them
    std::vector<TimeZoneDefinition> timeZones;
    std::vector<std::string_view> tzids;  // every TZID the events name, DateTime::tzid indexes it
    size_t skippedLines = 0, skippedEvents = 0;
    std::vector<Skip> skips;  // the first kMostSkipsKept of them, in file order
    TextStore texts;
};

constexpr size_t kMostSkipsKept = 1000;
// A longer SUMMARY, LOCATION or alarm text is cut (at a character's
// boundary): a window shows a line of it.
constexpr size_t kLongestText = 16 * 1024;

// A DATE or DATE-TIME value, and a DURATION, as the reader takes them.
bool ParseTime(std::string_view text, DateTime& out);
bool ParseDuration(std::string_view text, Duration& out);

// Reads any bytes; never throws on what they hold (only std::bad_alloc).
// What cannot be read is skipped and counted, the rest kept.
Calendar Read(std::string_view bytes);

}  // namespace ical
