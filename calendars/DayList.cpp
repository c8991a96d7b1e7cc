#include "calendars/DayList.h"

#include <algorithm>

#include "ical/StableSort.h"
#include "platform/Numeric.h"

namespace calendars {

namespace {

ical::LocalDateTime DateOf(CalendarDate date) { return {date.year, date.month, date.day}; }
CalendarDate DateOf(const ical::LocalDateTime& at) { return {at.year, at.month, at.day}; }

ical::LocalDateTime MonthsAfter(CalendarDate first, int32_t months) {
    const int32_t index = first.year * 12 + (first.month - 1) + months;
    return {index / 12, index % 12 + 1, 1};
}

int64_t DayNumber(const ical::LocalDateTime& at) { return ical::DaysFromCivil(at.year, at.month, at.day); }

bool Earlier(const ical::Occurrence& a, const ical::Occurrence& b) {
    if (a.allDay != b.allDay) return a.allDay;
    if (a.localStart != b.localStart) return a.localStart < b.localStart;
    return a.summary < b.summary;
}

std::string Summary(const ical::Occurrence& event) { return std::string(event.summary); }

}  // namespace

std::vector<uint32_t> BoldDays(const std::vector<std::shared_ptr<const ical::Calendar>>& shown,
                               const ical::SystemZones& zones, CalendarDate first, int32_t months) {
    std::vector<uint32_t> states(static_cast<size_t>(std::max(months, 0)), 0);
    if (months <= 0) return states;
    const ical::LocalDateTime from = DateOf(CalendarDate{first.year, first.month, 1});
    const ical::LocalDateTime to = MonthsAfter(first, months);
    const int64_t firstMonth = static_cast<int64_t>(first.year) * 12 + first.month - 1;
    for (const auto& calendar : shown) {
        const ical::OccurrenceList found = ical::FindOccurrences(*calendar, zones, from, to);
        for (const ical::Occurrence& occurrence : found.items) {
            const ical::DayRange days = ical::DaysTouched(occurrence);
            const int64_t last = std::min(DayNumber(days.last), DayNumber(to) - 1);
            for (int64_t day = std::max(DayNumber(days.first), DayNumber(from)); day <= last; ++day) {
                const ical::LocalDateTime at = ical::CivilFromDays(day);
                const int64_t month = static_cast<int64_t>(at.year) * 12 + at.month - 1 - firstMonth;
                states[static_cast<size_t>(month)] |= 1u << (at.day - 1);
            }
        }
    }
    return states;
}

std::vector<ical::Occurrence> EventsOf(const std::vector<std::shared_ptr<const ical::Calendar>>& shown,
                                       const ical::SystemZones& zones, CalendarDate day) {
    const ical::LocalDateTime from = DateOf(day), to = ical::CivilFromDays(DayNumber(from) + 1);
    std::vector<ical::Occurrence> events;
    for (const auto& calendar : shown) {
        ical::OccurrenceList found = ical::FindOccurrences(*calendar, zones, from, to);
        for (ical::Occurrence& occurrence : found.items) {
            const ical::DayRange days = ical::DaysTouched(occurrence);
            if (DayNumber(days.first) <= DayNumber(from) && DayNumber(days.last) >= DayNumber(from))
                events.push_back(std::move(occurrence));
        }
    }
    ical::StableSort(events, Earlier);
    return events;
}

std::vector<ListLine> Lines(const std::vector<ical::Occurrence>& events, CalendarDate day, size_t room,
                            const Texts& texts, const Formats& formats) {
    if (events.empty()) return {{texts.Text(TextId::NoEvents), ""}};
    const int64_t today = DayNumber(DateOf(day));
    std::vector<ListLine> lines;
    const size_t fit = events.size() <= room ? events.size() : (room > 0 ? room - 1 : 0);
    for (size_t i = 0; i < fit; ++i) {
        const ical::Occurrence& event = events[i];
        const ical::DayRange days = ical::DaysTouched(event);
        const bool began = DayNumber(days.first)<today, goesOn = DayNumber(days.last)> today;
        const auto time = [&](const ical::LocalDateTime& at) { return formats.time(at.hour, at.minute); };
        std::string when;
        if (goesOn)
            when = texts.Text(TextId::EventUntil, formats.day(DateOf(days.last)));
        else if (began && !event.allDay)
            when = texts.Text(TextId::EventUntil, time(event.localEnd));
        if (!event.allDay && !began) {
            std::string start = time(event.localStart);
            if (when.empty() && event.localEnd != event.localStart) start += "\u2013" + time(event.localEnd);
            when = when.empty() ? start : start + " " + when;
        }
        lines.push_back({when.empty() ? Summary(event) : when + " " + Summary(event), std::string(event.location)});
    }
    if (fit < events.size())
        lines.push_back({texts.Text(TextId::MoreEvents, numeric::IntegerText(events.size() - fit)), ""});
    return lines;
}

std::string NextEvent(const std::vector<ical::Occurrence>& today, const ical::LocalDateTime& now, const Texts& texts,
                      const Formats& formats) {
    for (const ical::Occurrence& event : today)
        if (!event.allDay && event.localStart > now && DateOf(event.localStart) == DateOf(now))
            return texts.Text(TextId::TipNext,
                              formats.time(event.localStart.hour, event.localStart.minute) + " " + Summary(event));
    return {};
}

}  // namespace calendars
