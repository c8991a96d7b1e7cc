#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "calendars/Sources.h"
#include "ical/Calendar.h"
#include "platform/CalendarIo.h"

// One calendar read, off the window's thread: the copy kept from the last
// good read (at the start, so that the window shows at once what it showed
// last time), then the file or the address itself. What came is judged
// here, and a good reply of an address replaces its copy; the window's
// thread takes the result over once the read is done.
namespace calendars {

// Why a read brought no calendar, as the Settings window says it.
enum class Failure {
    None,
    Unreachable,     // no answer, a stall, a redirect loop, a server error
    NotACalendar,    // HTML (a login page), JSON, an empty reply
    TooLarge,        // over 32 MiB
    BadCertificate,  // the server's certificate is not valid
    Missing,         // the file is not there
    Unreadable,      // the file is locked or may not be read
};

struct Validators {
    std::string etag, lastModified;  // an address's, sent back so that an unchanged calendar is not sent again
    int64_t fileStamp = 0;           // a file's last write
};

struct ReadJob {
    // Asked for:
    Source source;
    Validators validators;
    bool copyFirst = false;  // read the kept copy before the address
    // Brought:
    std::shared_ptr<const ical::Calendar> copy;      // the kept copy, read
    int64_t copyReadAtMs = 0;                        // when that copy was read from the address
    std::shared_ptr<const ical::Calendar> calendar;  // read now; none: unchanged or failed
    bool unchanged = false;                          // the server or the file says nothing changed
    Failure failure = Failure::None;
    Validators newValidators;
};

// Does the read; every member of io it calls may take long.
void Read(CalendarIo& io, ReadJob& job, int64_t nowUtcMs);

// The name of the copy's companion, which holds when the copy was read and
// its validators.
std::string CopyDetailsName(const std::string& copyName);

}  // namespace calendars
