#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calendars/DayList.h"
#include "ical/Calendar.h"
#include "ical/Occurrences.h"

// Reminders before the user's events: when each falls due, which are due
// now, and the notification that says so. One is shown once, however often
// the calendars are read, the clock moves or the program starts again.
namespace calendars {

struct Reminder {
    int64_t dueMs = 0;   // UTC
    int64_t endsMs = 0;  // its event's end: a reminder no longer helps after that
    uint64_t key = 0;    // the occurrence and which of its reminders
    ical::Occurrence event;
};

// The reminders of the events that touch the local days [from, to), by the
// user's choice. An alarm that cannot be read,
// one for another action than a message or a sound, or one more than a
// week before its event is left out, and so are an event's alarms after
// its first sixteen.
std::vector<Reminder> RemindersOf(const std::vector<std::shared_ptr<const ical::Calendar>>& shown,
                                  const ical::SystemZones& zones, CalendarDate from, CalendarDate to, RemindMe choice);

// What is to be shown at nowMs: every reminder due and not shown yet whose
// event has not ended (or that fell due moments ago), the soonest event
// first; and when to look again. A notification comes at most once a
// minute after the one before (lastShownMs); what falls due meanwhile is
// gathered into the next.
struct DueNow {
    std::vector<Reminder> due;
    int64_t nextMs = INT64_MAX;  // none
};
DueNow DueAt(const std::vector<Reminder>& all, const std::vector<uint64_t>& shown, int64_t nowMs, int64_t lastShownMs);

// The notification: the first event's summary as its title; its time
// (with its day when that is not today) and location as its text, and how
// many more are due. Cut to what the shell shows (63 and 255 UTF-16 units).
struct Notice {
    std::string title, text;
};
Notice NoticeOf(const std::vector<Reminder>& due, CalendarDate today, const Texts& texts, const Formats& formats);

// The keys of the reminders shown, as stored: hexadecimal, comma-separated;
// kept only for the reminders still in `all`, the latest at most.
std::vector<uint64_t> ReadShown(const std::string& stored);
std::string ShownText(const std::vector<uint64_t>& shown, const std::vector<Reminder>& all);

// A text cut to so many UTF-16 units at a character's boundary, with an
// ellipsis where it was cut.
std::string CutToUnits(const std::string& text, size_t units);

}  // namespace calendars
