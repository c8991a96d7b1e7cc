#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "calendars/Reading.h"
#include "calendars/Sources.h"
#include "ical/Calendar.h"
#include "texts/Texts.h"

namespace calendars {

// One calendar as the window shows it: what was last read well (or the
// copy kept of it), and how the latest read went.
struct Shown {
    Source source;
    std::shared_ptr<const ical::Calendar> calendar;  // none yet: nothing to show
    int64_t readAtMs = 0;                            // when the calendar shown was read
    bool fromCopy = false;                           // it is the copy kept from an earlier start
    Failure failure = Failure::None;                 // of the latest read
    bool read = false;                               // a read has ended since the start
    bool reading = false;
    bool readSoon = false;  // added, or the program started: read once the window has shown
    Validators validators;
    int64_t nextReadMs = 0;  // an address's next read
};

// The Settings window's line for it: its name (the calendar's own, else the
// file's or the host's) and its state: how many events and when they were
// read, or why the latest read failed and which copy is shown instead.
// `when` writes an instant as the user's formats write a date and a time.
std::string StateLine(const Shown& shown, const Texts& texts, const std::function<std::string(int64_t ms)>& when);

// How long until an address is read again: 30 minutes, or what the calendar
// asks for (REFRESH-INTERVAL, X-PUBLISHED-TTL) where that is longer, at most
// a day.
int64_t RefreshAfterMs(const ical::Calendar* calendar);

}  // namespace calendars
