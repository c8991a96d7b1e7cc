#include "calendars/Reminders.h"

#include <algorithm>

#include "platform/Numeric.h"

namespace calendars {

namespace {

// A reminder found late (the computer busy, the clock moved on) is still
// shown this long after it fell due, even where its event has ended.
constexpr int64_t kLateMs = 5 * 60 * 1000;
constexpr int64_t kApartMs = 60 * 1000;  // between two notifications
// An alarm further ahead of its event than this is taken for a mistake.
constexpr int64_t kFarthestAheadS = 7 * 86400;
constexpr size_t kMostShownKept = 256;
// No service writes more alarms to an event; a file with thousands costs no more.
constexpr size_t kMostAlarmsOfAnEvent = 16;
constexpr size_t kTitleUnits = 63, kTextUnits = 255;  // the shell's, less their NULs

bool Same(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
        if (c != upper[i]) return false;
    }
    return true;
}

ical::LocalDateTime DateOf(CalendarDate date) { return {date.year, date.month, date.day}; }

// Days and seconds after an instant: the days on the user's clock, so that
// "a day before" keeps its time of day across a change of the clocks.
int64_t After(int64_t utcSeconds, const ical::Duration& by, const ical::Zone& local) {
    if (by.days != 0)
        utcSeconds = local.ToUtc(ical::FromWallSeconds(ical::WallSeconds(local.ToWall(utcSeconds)) + 86400 * by.days));
    return utcSeconds + by.seconds;
}

// When an alarm of an event goes off, if it is one the user is told of.
std::optional<int64_t> AlarmSeconds(const ical::Alarm& alarm, const ical::Occurrence& event, int64_t startS,
                                    int64_t endS, const ical::Zone& local) {
    if (!Same(alarm.action, "DISPLAY") && !Same(alarm.action, "AUDIO")) return std::nullopt;
    ical::DateTime at;
    if (!Same(alarm.triggerValue, "DURATION") && ical::ParseTime(alarm.trigger, at) && at.kind != ical::TimeKind::Date)
        return at.kind == ical::TimeKind::Utc ? ical::WallSeconds(at.wall) : local.ToUtc(at.wall);
    ical::Duration by;
    if (!ical::ParseDuration(alarm.trigger, by)) return std::nullopt;
    const bool fromEnd = Same(alarm.triggerRelated, "END");
    if (!event.allDay) return After(fromEnd ? endS : startS, by, local);
    // An all-day event's day begins at midnight on the user's clock.
    const ical::LocalDateTime day = fromEnd ? event.localEnd : event.localStart;
    return local.ToUtc(ical::FromWallSeconds(ical::WallSeconds(day) + 86400 * by.days)) + by.seconds;
}

uint64_t Key(const ical::Occurrence& event, int64_t startS, int64_t dueS) {
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&](uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
    for (const char c : event.uid.empty() ? event.summary : event.uid) mix(static_cast<uint8_t>(c));
    for (const int64_t value : {startS, dueS})
        for (int i = 0; i < 8; ++i) mix(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
    return hash;
}

bool Contains(const std::vector<uint64_t>& keys, uint64_t key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

std::vector<Reminder> RemindersOf(const std::vector<std::shared_ptr<const ical::Calendar>>& shown,
                                  const ical::SystemZones& zones, CalendarDate from, CalendarDate to, RemindMe choice) {
    std::vector<Reminder> all;
    if (choice == RemindMe::Never) return all;
    const ical::Zone& local = zones.Local();
    for (const auto& calendar : shown) {
        ical::OccurrenceList found = ical::FindOccurrences(*calendar, zones, DateOf(from), DateOf(to));
        for (ical::Occurrence& event : found.items) {
            const int64_t startS = event.allDay ? local.ToUtc(event.localStart) : event.startUtc;
            const int64_t endS = event.allDay ? local.ToUtc(event.localEnd) : event.endUtc;
            const size_t first = all.size();  // this occurrence's reminders from here
            const auto add = [&](int64_t dueS) {
                if (dueS < startS - kFarthestAheadS) return;
                const uint64_t key = Key(event, startS, dueS);
                // Alarms of one event at one time are one reminder.
                for (size_t i = first; i < all.size(); ++i)
                    if (all[i].key == key) return;
                all.push_back({dueS * 1000, endS * 1000, key, event});
            };
            if (choice != RemindMe::Calendar) {
                const int64_t minutes = static_cast<int64_t>(choice);
                add(event.allDay ? local.ToUtc(ical::FromWallSeconds(ical::WallSeconds(event.localStart) - 15 * 3600))
                                 : startS - 60 * minutes);
                continue;
            }
            if (!event.event) continue;
            const auto& alarms = event.event->alarms;
            for (size_t i = 0; i < alarms.size() && i < kMostAlarmsOfAnEvent; ++i)
                if (const std::optional<int64_t> due = AlarmSeconds(alarms[i], event, startS, endS, local)) add(*due);
        }
    }
    return all;
}

DueNow DueAt(const std::vector<Reminder>& all, const std::vector<uint64_t>& shown, int64_t nowMs, int64_t lastShownMs) {
    DueNow result;
    for (const Reminder& reminder : all) {
        if (Contains(shown, reminder.key)) continue;
        if (reminder.dueMs > nowMs)
            result.nextMs = std::min(result.nextMs, reminder.dueMs);
        else if (nowMs < std::max(reminder.endsMs, reminder.dueMs + kLateMs))
            result.due.push_back(reminder);
    }
    // A notification shown "later" than now was shown before the clock went back.
    if (!result.due.empty() && nowMs >= lastShownMs && nowMs < lastShownMs + kApartMs) {
        result.due.clear();
        result.nextMs = std::min(result.nextMs, lastShownMs + kApartMs);
    }
    // The soonest event first: a few at a time, put in place one by one.
    for (size_t i = 1; i < result.due.size(); ++i)
        for (size_t j = i; j > 0 && result.due[j].event.localStart < result.due[j - 1].event.localStart; --j)
            std::swap(result.due[j], result.due[j - 1]);
    return result;
}

Notice NoticeOf(const std::vector<Reminder>& due, CalendarDate today, const Texts& texts, const Formats& formats) {
    if (due.empty()) return {};
    const ical::Occurrence& event = due.front().event;
    const ical::LocalDateTime& start = event.localStart;
    const CalendarDate day{start.year, start.month, start.day};
    std::string when = day == today ? "" : formats.day(day);
    if (!event.allDay) {
        std::string time = formats.time(start.hour, start.minute);
        if (event.localEnd != start) time += "\u2013" + formats.time(event.localEnd.hour, event.localEnd.minute);
        when = when.empty() ? time : when + " " + time;
    }
    std::string text = when;
    if (!event.location.empty()) text += (text.empty() ? "" : "\n") + std::string(event.location);
    if (due.size() > 1)
        text += (text.empty() ? "" : "\n") + texts.Text(TextId::MoreEvents, numeric::IntegerText(due.size() - 1));
    const std::string title = event.summary.empty() ? when : std::string(event.summary);
    return {CutToUnits(title, kTitleUnits), CutToUnits(text, kTextUnits)};
}

std::vector<uint64_t> ReadShown(const std::string& stored) {
    std::vector<uint64_t> keys;
    uint64_t key = 0;
    size_t digits = 0;
    bool good = true;
    for (size_t i = 0; i <= stored.size(); ++i) {
        const char c = i < stored.size() ? stored[i] : ',';
        if (c == ',') {
            if (good && digits > 0) keys.push_back(key);
            key = 0, digits = 0, good = true;
            continue;
        }
        const int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (value < 0 || ++digits > 16) good = false;
        key = key << 4 | static_cast<uint64_t>(value & 15);
    }
    return keys;
}

std::string ShownText(const std::vector<uint64_t>& shown, const std::vector<Reminder>& all) {
    std::vector<uint64_t> kept;
    for (const uint64_t key : shown)
        if (std::any_of(all.begin(), all.end(), [&](const Reminder& each) { return each.key == key; }))
            kept.push_back(key);
    if (kept.size() > kMostShownKept) kept.erase(kept.begin(), kept.end() - kMostShownKept);
    std::string text;
    for (const uint64_t key : kept) {
        if (!text.empty()) text += ',';
        for (int shift = 60; shift >= 0; shift -= 4) text += "0123456789abcdef"[(key >> shift) & 15];
    }
    return text;
}

std::string CutToUnits(const std::string& text, size_t units) {
    size_t used = 0, fits = 0;  // the bytes of the characters that fit with an ellipsis after them
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        used += length == 4 ? 2 : 1;
        if (used > units) return text.substr(0, fits) + "\u2026";
        i += length;
        if (used <= units - 1) fits = std::min(i, text.size());
    }
    return text;
}

}  // namespace calendars
