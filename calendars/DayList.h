#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ical/Calendar.h"
#include "ical/Occurrences.h"
#include "platform/PlatformServices.h"

// What the window shows of the user's days: the days with events, bold in
// the month, and the picked day's events listed under it.
namespace calendars {

// The months [first, first + months) as the month calendar asks for their
// days' states: a bit for each day with an event, bit 0 the 1st.
std::vector<uint32_t> BoldDays(const std::vector<std::shared_ptr<const ical::Calendar>>& shown,
                               const ical::SystemZones& zones, CalendarDate first, int32_t months);

// A day's events from every calendar shown: all-day ones first, then by
// start, then by summary.
std::vector<ical::Occurrence> EventsOf(const std::vector<std::shared_ptr<const ical::Calendar>>& shown,
                                       const ical::SystemZones& zones, CalendarDate day);

// How the user's formats write a time of day ("09:30", "9:30 AM") and a day
// near another ("Fri 26").
struct Formats {
    std::function<std::string(int32_t hour, int32_t minute)> time;
    std::function<std::string(CalendarDate)> day;
};

// The list's lines for a day, at most `room` of them: each event's time and
// summary ("09:30–10:00 Stand-up"; one that began earlier "until 11:00",
// one that goes on "until Fri 26"), its location as the line's tip; where
// they do not fit, the last line says how many more; "No events" alone on
// an empty day.
std::vector<ListLine> Lines(const std::vector<ical::Occurrence>& events, CalendarDate day, size_t room,
                            const Texts& texts, const Formats& formats);

// The icon's tip's line for the next of today's events still to begin
// ("Next: 14:00 Dentist"), empty when none is left.
std::string NextEvent(const std::vector<ical::Occurrence>& today, const ical::LocalDateTime& now, const Texts& texts,
                      const Formats& formats);

}  // namespace calendars
