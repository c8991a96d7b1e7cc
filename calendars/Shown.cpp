#include "calendars/Shown.h"

#include <algorithm>

#include "platform/Numeric.h"

namespace calendars {

namespace {

TextId FailureText(Failure failure) {
    switch (failure) {
        case Failure::Unreachable: return TextId::CalendarUnreachable;
        case Failure::NotACalendar: return TextId::CalendarNotACalendar;
        case Failure::TooLarge: return TextId::CalendarTooLarge;
        case Failure::BadCertificate: return TextId::CalendarBadCertificate;
        case Failure::Missing: return TextId::CalendarMissing;
        case Failure::Unreadable: return TextId::CalendarUnreadable;
        case Failure::None: break;
    }
    return TextId::CalendarNotRead;
}

}  // namespace

std::string StateLine(const Shown& shown, const Texts& texts, const std::function<std::string(int64_t ms)>& when) {
    std::string name =
        shown.calendar && !shown.calendar->name.empty() ? std::string(shown.calendar->name) : ShortName(shown.source);
    std::string state;
    std::string events;
    if (shown.calendar) {
        const std::string read = shown.readAtMs > 0 ? when(shown.readAtMs) : std::string();
        const size_t count = shown.calendar->events.size();
        events = count == 1
                     ? texts.Text(TextId::CalendarOneEvent, read)
                     : texts.Text(TextId::CalendarEvents, numeric::IntegerText(static_cast<int64_t>(count)), read);
    }
    if (shown.failure != Failure::None) {
        state = texts.Text(FailureText(shown.failure));
        state += "; " + (shown.calendar ? texts.Text(TextId::CalendarShowingCopy, events)
                                        : texts.Text(TextId::CalendarNothingShown));
    } else if (shown.calendar) {
        state = events;
    } else {
        state = texts.Text(TextId::CalendarNotRead);
    }
    return name + " \u2014 " + state;
}

int64_t RefreshAfterMs(const ical::Calendar* calendar) {
    constexpr int64_t kHalfHour = 30 * 60, kDay = 24 * 60 * 60;
    int64_t seconds = kHalfHour;
    if (calendar && calendar->refreshSeconds) seconds = std::clamp(*calendar->refreshSeconds, kHalfHour, kDay);
    return seconds * 1000;
}

}  // namespace calendars
