// The user's calendars: read at the start and again as they change, their
// days bold in the month and the picked day's events listed under it.
// Without calendars none of this shows, and the window is as it always was.
#include <algorithm>

#include "app/frmCalendar.h"
#include "calendars/DayList.h"
#include "platform/Numeric.h"
#include "platform/RuntimeError.h"

namespace {

// A read due within this much of another is made with it: one wake-up.
constexpr int64_t kReadTogetherMs = 60 * 1000;
constexpr uint32_t kFirstReadAfterMs = 250;

}  // namespace

// Read once, at the start, before the window is placed: the list under the
// month makes the window taller.
void frmCalendar::LoadCalendars() {
    const std::string name = platform_.App().EXEName();
    std::vector<calendars::Source> sources = calendars::ReadStored(platform_.Settings(), name);
    if (!sources.empty()) UseCalendars(std::move(sources));
}

// A calendar still listed keeps what it shows; a new one is read, its copy
// first; a removed address's copy goes with it.
void frmCalendar::UseCalendars(std::vector<calendars::Source> sources) {
    const bool hadAny = !calendars_.empty();
    std::vector<calendars::Shown> kept;
    std::vector<size_t> fresh;
    for (calendars::Source& source : sources) {
        auto old = std::find_if(calendars_.begin(), calendars_.end(),
                                [&](const calendars::Shown& shown) { return shown.source.typed == source.typed; });
        if (old != calendars_.end()) {
            kept.push_back(std::move(*old));
            calendars_.erase(old);
        } else {
            fresh.push_back(kept.size());
            kept.emplace_back().source = std::move(source);
        }
    }
    for (const calendars::Shown& removed : calendars_) {
        if (!removed.source.isAddress) continue;
        const std::string copy = calendars::CopyName(removed.source.typed);
        CalendarIo& io = platform_.Io();
        platform_.InBackground(
            [&io, copy] {
                io.RemoveCopy(copy);
                io.RemoveCopy(calendars::CopyDetailsName(copy));
            },
            [] {});
    }
    calendars_ = std::move(kept);

    if (calendars_.empty() != !hadAny) {
        platform_.List1().SetVisible(!calendars_.empty());
        LayOut();
    }
    std::vector<std::string> files;
    for (const calendars::Shown& shown : calendars_)
        if (!shown.source.isAddress) files.push_back(shown.source.typed);
    platform_.WatchFiles(files);
    // Read a moment after the window has shown: the reads' thread would
    // otherwise take a processor from the window's first paint, and the
    // calendar shows as fast with calendars as without.
    for (size_t index : fresh) calendars_[index].readSoon = true;
    if (!fresh.empty()) platform_.StartTimer(FormTimer::CalendarRead, kFirstReadAfterMs);
    ShowTheDaysEvents();
    platform_.MonthView1().RefreshDayStates();
}

void frmCalendar::ReadCalendar(size_t index, bool copyFirst) {
    calendars::Shown& shown = calendars_[index];
    shown.readSoon = false;
    if (shown.reading) return;
    shown.reading = true;
    // Not make_shared: its control block asks for the type of its deleter,
    // which without run-time type information links the library's shared
    // pointer support (its locks and their once-guards) into the program.
    std::shared_ptr<calendars::ReadJob> job(new calendars::ReadJob);
    job->source = shown.source;
    job->validators = shown.validators;
    job->copyFirst = copyFirst;
    CalendarIo& io = platform_.Io();
    const int64_t now = platform_.NowUtcMs();
    platform_.InBackground([&io, job, now] { calendars::Read(io, *job, now); }, [this, job] { CalendarRead(job); });
}

// A read is taken over on the window's thread. A calendar removed since is
// dropped; a failed read leaves what is shown as it was.
void frmCalendar::CalendarRead(const std::shared_ptr<calendars::ReadJob>& job) {
    auto shown = std::find_if(calendars_.begin(), calendars_.end(),
                              [&](const calendars::Shown& each) { return each.source.typed == job->source.typed; });
    if (shown == calendars_.end()) return;
    const int64_t now = platform_.NowUtcMs();
    shown->reading = false;
    shown->read = true;
    if (job->copy && !shown->calendar) {
        shown->calendar = job->copy;
        shown->fromCopy = true;
        shown->readAtMs = job->copyReadAtMs;
        shown->validators = job->validators;
    }
    shown->failure = job->failure;
    if (job->calendar || job->unchanged) {
        if (job->calendar) shown->calendar = job->calendar;
        shown->fromCopy = false;
        shown->readAtMs = now;
        shown->validators = job->newValidators;
    }
    if (shown->source.isAddress) shown->nextReadMs = now + calendars::RefreshAfterMs(shown->calendar.get());
    ShowTheDaysEvents();
    platform_.MonthView1().RefreshDayStates();
    std::vector<std::string> sources;
    for (const calendars::Shown& each : calendars_) sources.push_back(each.source.typed);
    platform_.SetSettingsCalendarLines(sources, CalendarLines());
    ShowToday();
    TimeTheNextRead();
    TimeTheReminders();
}

void frmCalendar::TimeTheNextRead() {
    int64_t next = INT64_MAX;
    for (const calendars::Shown& shown : calendars_)
        if (shown.source.isAddress && shown.nextReadMs > 0) next = std::min(next, shown.nextReadMs);
    if (next == INT64_MAX) return;
    const int64_t wait = std::max<int64_t>(next - platform_.NowUtcMs(), 0);
    platform_.StartTimer(FormTimer::CalendarRead, static_cast<uint32_t>(std::min<int64_t>(wait, UINT32_MAX)));
}

void frmCalendar::ReadCalendarsDue() {
    const int64_t now = platform_.NowUtcMs();
    for (size_t i = 0; i < calendars_.size(); ++i) {
        calendars::Shown& shown = calendars_[i];
        // The first read of an address shows its copy first.
        if (shown.readSoon)
            ReadCalendar(i, shown.source.isAddress && !shown.calendar);
        else if (shown.source.isAddress && shown.nextReadMs <= now + kReadTogetherMs)
            ReadCalendar(i, false);
    }
}

// Each file is read again: a change may be any of them, and a read is
// cheap beside the user's wait.
void frmCalendar::Form_CalendarFileChanged() {
    for (size_t i = 0; i < calendars_.size(); ++i)
        if (!calendars_[i].source.isAddress) ReadCalendar(i, false);
}

// The network is back after a sleep, and the copies shown may be old.
void frmCalendar::Form_Resume() {
    for (size_t i = 0; i < calendars_.size(); ++i) ReadCalendar(i, false);
    TimeTheReminders();  // those due during the sleep, from the events shown until the reads are in
}

std::vector<std::shared_ptr<const ical::Calendar>> frmCalendar::CalendarsShown() const {
    std::vector<std::shared_ptr<const ical::Calendar>> shown;
    for (const calendars::Shown& each : calendars_)
        if (each.calendar) shown.push_back(each.calendar);
    return shown;
}

void frmCalendar::MonthView1_GetDayState(CalendarDate& First, int32_t& Months, std::vector<uint32_t>& States) {
    States = calendars_.empty() ? std::vector<uint32_t>(static_cast<size_t>(std::max(Months, 0)), 0)
                                : calendars::BoldDays(CalendarsShown(), platform_.Zones(), First, Months);
}

void frmCalendar::MonthView1_SelChange() { ShowTheDaysEvents(); }

calendars::Formats frmCalendar::UserFormats() {
    return {[this](int32_t hour, int32_t minute) { return platform_.ShortTime(hour, minute); },
            [this](CalendarDate date) { return platform_.ShortDay(date); }};
}

void frmCalendar::ShowTheDaysEvents() {
    if (calendars_.empty()) return;
    ListObject& list = platform_.List1();
    const CalendarDate day = platform_.MonthView1().Value();
    const auto events = calendars::EventsOf(CalendarsShown(), platform_.Zones(), day);
    list.SetLines(calendars::Lines(events, day, static_cast<size_t>(std::max(list.Rows(), 1)), platform_.Language(),
                                   UserFormats()));
}

// Empty without calendars, or when today has no event still to begin.
std::string frmCalendar::NextEventTip() {
    if (calendars_.empty()) return {};
    const ical::LocalDateTime now = platform_.Zones().Local().ToWall(platform_.NowUtcMs() / 1000);
    const auto today = calendars::EventsOf(CalendarsShown(), platform_.Zones(), {now.year, now.month, now.day});
    const std::string next = calendars::NextEvent(today, now, platform_.Language(), UserFormats());
    // Once it begins, the tip names the one after it.
    for (const ical::Occurrence& event : today)
        if (!event.allDay && event.localStart > now) {
            const int64_t wait = (ical::WallSeconds(event.localStart) - ical::WallSeconds(now)) * 1000;
            platform_.StartTimer(FormTimer::NextEvent, static_cast<uint32_t>(std::min<int64_t>(wait, UINT32_MAX)));
            break;
        }
    return next;
}

std::vector<std::string> frmCalendar::CalendarLines() {
    std::vector<std::string> lines;
    for (const calendars::Shown& shown : calendars_)
        lines.push_back(calendars::StateLine(shown, platform_.Language(),
                                             [this](int64_t ms) { return platform_.DateAndTime(ms); }));
    return lines;
}

// What the Settings window adds: a file or an address the calendar reads,
// not there already, while there is room.
void frmCalendar::Settings_CalendarAdd(std::vector<std::string>& Sources, std::string& Source, std::string& Line,
                                       std::string& Status, int16_t& Cancel) {
    const Texts& texts = platform_.Language();
    const std::optional<calendars::Source> source = calendars::Classify(Source);
    const auto refuse = [&](TextId why) {
        Status = texts.Text(why);
        Cancel = numeric::True;
    };
    if (!source) return refuse(TextId::AddressNotRead);
    if (std::find(Sources.begin(), Sources.end(), source->typed) != Sources.end())
        return refuse(TextId::CalendarAlreadyThere);
    if (Sources.size() >= calendars::kMostCalendars) return refuse(TextId::CalendarsFull);
    Source = source->typed;
    auto shown = std::find_if(calendars_.begin(), calendars_.end(),
                              [&](const calendars::Shown& each) { return each.source.typed == source->typed; });
    calendars::Shown added;
    added.source = *source;
    Line = calendars::StateLine(shown != calendars_.end() ? *shown : added, texts,
                                [this](int64_t ms) { return platform_.DateAndTime(ms); });
}
