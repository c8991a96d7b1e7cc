#include "ical/Occurrences.h"

#include <algorithm>
#include <utility>

#include "ical/StableSort.h"

namespace ical {

namespace {

constexpr int64_t kDay = 86400;

int64_t DayNumber(const LocalDateTime& t) { return DaysFromCivil(t.year, t.month, t.day); }
LocalDateTime DateOf(const LocalDateTime& t) { return LocalDateTime{t.year, t.month, t.day}; }
LocalDateTime AddDays(const LocalDateTime& t, int64_t days) { return FromWallSeconds(WallSeconds(t) + days * kDay); }

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// An instance's identity against EXDATE and RECURRENCE-ID: a time by its
// instant, a date by its day. A date also takes out a timed instance on that
// day (an EXDATE;VALUE=DATE against a timed event, as some services write).
struct Key {
    bool timed = false;
    int64_t value = 0;  // UTC seconds, or days
    auto operator<=>(const Key&) const = default;
};

class Context {
public:
    Context(const Calendar& calendar, const SystemZones& zones)
        : calendar_(calendar), local_(zones.Local()), resolved_(ResolveZones(calendar, zones)) {}

    const Zone* ZoneOf(const DateTime& t) const {
        switch (t.kind) {
            case TimeKind::Utc: return &Utc();
            case TimeKind::Zoned: return t.tzid < resolved_.byTzid.size() ? resolved_.byTzid[t.tzid] : &local_;
            case TimeKind::Floating: return resolved_.floating;
            case TimeKind::Date: return nullptr;
        }
        return nullptr;
    }
    int64_t Instant(const DateTime& t) const {
        const Zone* z = ZoneOf(t);
        return z ? z->ToUtc(t.wall) : WallSeconds(t.wall);
    }
    Key KeyOf(const DateTime& t) const {
        return t.kind == TimeKind::Date ? Key{false, DayNumber(t.wall)} : Key{true, Instant(t)};
    }
    // The wall time of an instant in the zone (and kind) of `like`.
    DateTime Like(const DateTime& like, int64_t utc) const {
        DateTime t = like;
        const Zone* z = ZoneOf(like);
        t.wall = z ? z->ToWall(utc) : FromWallSeconds(utc);
        return t;
    }

    const Calendar& calendar_;
    const Zone& local_;
    ResolvedZones resolved_;
};

// What the overrides of one UID say about the master's instances.
struct Override {
    const Event* event;
    Key key;
};

struct Instance {
    DateTime start;                 // in the master's zone and kind
    const RDate* period = nullptr;  // an RDATE period: its own end
};

class Finder {
public:
    Finder(const Calendar& calendar, const SystemZones& zones, const LocalDateTime& from, const LocalDateTime& to,
           WindowClock clock)
        : c_(calendar, zones), from_(DateOf(from)), to_(DateOf(to)), clock_(clock) {
        windowStartUtc_ = c_.local_.ToUtc(from_);
        windowEndUtc_ = c_.local_.ToUtc(to_);
    }

    OccurrenceList Run() {
        const Calendar& cal = c_.calendar_;
        // Overrides by UID and original start; of duplicates, the highest
        // SEQUENCE (the later in the file on a tie).
        for (const Event& e : cal.events)
            if (e.recurrenceId) overrides_.push_back({&e, c_.KeyOf(*e.recurrenceId)});
        std::sort(overrides_.begin(), overrides_.end(), [](const Override& a, const Override& b) {
            if (a.event->uid != b.event->uid) return a.event->uid < b.event->uid;
            if (a.key != b.key) return a.key < b.key;
            if (a.event->sequence != b.event->sequence) return a.event->sequence > b.event->sequence;
            return a.event > b.event;
        });
        overrides_.erase(std::unique(overrides_.begin(), overrides_.end(),
                                     [](const Override& a, const Override& b) {
                                         return a.event->uid == b.event->uid && a.key == b.key;
                                     }),
                         overrides_.end());
        for (const Event& e : cal.events)
            if (!e.recurrenceId && !e.cancelled) Master(e);
        for (const Override& o : overrides_) {
            if (o.event->cancelled) continue;
            const Event& e = *o.event;
            Emit(e, e.start, nullptr, *e.recurrenceId);
        }
        std::sort(out_.items.begin(), out_.items.end(), [this](const Occurrence& a, const Occurrence& b) {
            const auto ka = SortKey(a), kb = SortKey(b);
            if (ka != kb) return ka < kb;
            if (a.summary != b.summary) return a.summary < b.summary;
            return a.uid < b.uid;
        });
        out_.unknownZones = c_.resolved_.unknown;
        return std::move(out_);
    }

private:
    // Seconds on the window's clock of an occurrence's start and end, and of
    // the window's edges.
    std::pair<int64_t, int64_t> Span(const Occurrence& o) const {
        if (o.allDay) return {WallSeconds(o.start.wall), WallSeconds(o.end.wall)};
        if (clock_ == WindowClock::AsWritten) {
            if (o.start.kind == TimeKind::Floating) return {WallSeconds(o.start.wall), WallSeconds(o.end.wall)};
            return {o.startUtc, o.endUtc};
        }
        return {o.startUtc, o.endUtc};
    }
    std::pair<int64_t, int64_t> WindowSpan(const Occurrence& o) const {
        if (o.allDay || clock_ == WindowClock::AsWritten) return {WallSeconds(from_), WallSeconds(to_)};
        return {windowStartUtc_, windowEndUtc_};
    }
    std::pair<int64_t, int64_t> SortKey(const Occurrence& o) const {
        if (clock_ == WindowClock::AsWritten) return Span(o);
        return {WallSeconds(o.localStart), WallSeconds(o.localEnd)};
    }

    bool Overlaps(const Occurrence& o) const {
        const auto [s, e] = Span(o);
        const auto [ws, we] = WindowSpan(o);
        return s < we && (e > ws || (e <= s && s >= ws));
    }

    // The master's instances whose start (in its wall time) may put them in
    // the window: the window widened by the event's length and by the two
    // days any zone's clock can be from the user's.
    void Master(const Event& e) {
        const bool allDay = e.start.kind == TimeKind::Date;
        int64_t lengthDays = 1;
        if (e.end) lengthDays = FloorDiv(WallSeconds(e.end->wall) - WallSeconds(e.start.wall), kDay) + 1;
        if (e.duration) lengthDays = e.duration->days + FloorDiv(e.duration->seconds, kDay) + 1;
        if (lengthDays < 1) lengthDays = 1;
        // Overrides of this UID: the instances they replace, and how far a
        // THISANDFUTURE one moves the later ones.
        const auto first = std::lower_bound(overrides_.begin(), overrides_.end(), e.uid,
                                            [](const Override& o, std::string_view uid) { return o.event->uid < uid; });
        auto last = first;
        int64_t shiftDays = 0;
        while (last != overrides_.end() && last->event->uid == e.uid) {
            if (last->event->thisAndFuture) {
                const int64_t moved =
                    WallSeconds(last->event->start.wall) - WallSeconds(last->event->recurrenceId->wall);
                shiftDays = std::max(shiftDays, (moved < 0 ? -moved : moved) / kDay + 1);
            }
            ++last;
        }
        const LocalDateTime from = AddDays(from_, -2 - lengthDays - shiftDays);
        const LocalDateTime to = AddDays(to_, 2 + shiftDays);

        std::vector<Instance> starts;
        if (e.start.wall >= from && e.start.wall < to) starts.push_back({e.start});
        for (const RecurrenceRule& rule : e.rules) {
            const Expansion x =
                Expand(rule, e.start.wall, allDay, UntilWall(rule, e), from, to, kMostOccurrencesInAWindow);
            if (x.cut) ++out_.cutRules;
            for (const LocalDateTime& s : x.starts) {
                DateTime t = e.start;
                t.wall = allDay ? DateOf(s) : s;
                starts.push_back({t});
            }
        }
        size_t rdates = 0;
        for (const RDate& r : e.rdates) {
            const DateTime t = InZoneOf(e.start, r.start);
            if (t.wall < from || t.wall >= to) continue;
            if (++rdates > kMostOccurrencesInAWindow) {
                ++out_.cutRules;
                break;
            }
            starts.push_back({t, r.end || r.duration ? &r : nullptr});
        }
        if (starts.empty()) return;
        StableSort(starts, [](const Instance& a, const Instance& b) { return a.start.wall < b.start.wall; });
        // The same start from DTSTART, a rule and an RDATE is one instance;
        // an RDATE period's own end wins.
        std::vector<Instance> unique;
        for (const Instance& i : starts) {
            if (!unique.empty() && unique.back().start.wall == i.start.wall) {
                if (i.period) unique.back().period = i.period;
                continue;
            }
            unique.push_back(i);
        }

        std::vector<Key> excluded;
        for (const DateTime& x : e.exdates)
            excluded.push_back(x.kind == TimeKind::Date || allDay ? Key{false, DayNumber(x.wall)} : c_.KeyOf(x));
        std::sort(excluded.begin(), excluded.end());

        for (const Instance& i : unique) {
            const Key key = c_.KeyOf(i.start);
            const Key day{false, DayNumber(i.start.wall)};
            if (std::binary_search(excluded.begin(), excluded.end(), key) ||
                std::binary_search(excluded.begin(), excluded.end(), day))
                continue;
            const Override* replaced = nullptr;
            const Override* future = nullptr;
            for (auto o = first; o != last; ++o) {
                if (o->key == key || (!o->key.timed && o->key == day)) replaced = &*o;
                if (o->event->thisAndFuture && o->key.timed == key.timed && o->key <= key &&
                    (!future || future->key < o->key))
                    future = &*o;
            }
            if (replaced) continue;  // the override is shown on its own
            if (future) {
                const Event& f = *future->event;
                if (f.cancelled) continue;
                // This and the later instances take the override's times,
                // moved by as much as it moves its own instance.
                DateTime moved = f.start;
                if (allDay || f.start.kind == TimeKind::Date) {
                    moved.wall = AddDays(i.start.wall, DayNumber(f.start.wall) - DayNumber(f.recurrenceId->wall));
                    moved.kind = i.start.kind == TimeKind::Date ? TimeKind::Date : moved.kind;
                } else {
                    moved = c_.Like(f.start, c_.Instant(i.start) + c_.Instant(f.start) - c_.Instant(*f.recurrenceId));
                }
                Emit(f, moved, nullptr, i.start);
                continue;
            }
            Emit(e, i.start, i.period, i.start);
        }
    }

    // UNTIL in the event's wall time: a UTC one through the event's zone, a
    // date one as the end of that day.
    std::optional<LocalDateTime> UntilWall(const RecurrenceRule& rule, const Event& e) const {
        if (!rule.until) return std::nullopt;
        if (rule.untilIsDate) return LocalDateTime{rule.until->year, rule.until->month, rule.until->day, 23, 59, 59};
        if (rule.untilIsUtc) {
            const Zone* z = c_.ZoneOf(e.start);
            return z ? z->ToWall(WallSeconds(*rule.until)) : *rule.until;
        }
        return *rule.until;
    }

    // A time (an RDATE) in the master's zone and kind: a date against a timed
    // event at the event's time of day; a time against an all-day one by its date.
    DateTime InZoneOf(const DateTime& master, const DateTime& t) const {
        if (master.kind == TimeKind::Date) {
            DateTime d = master;
            d.wall = DateOf(t.wall);
            return d;
        }
        if (t.kind == TimeKind::Date) {
            DateTime d = master;
            d.wall = LocalDateTime{t.wall.year,      t.wall.month,       t.wall.day,
                                   master.wall.hour, master.wall.minute, master.wall.second};
            return d;
        }
        return c_.Like(master, c_.Instant(t));
    }

    // One occurrence of `e` (the master, or an override) starting at `start`,
    // as long as `e` says (or as the RDATE period says).
    void Emit(const Event& e, const DateTime& start, const RDate* period, const DateTime& rid) {
        Occurrence o;
        o.event = &e;
        o.summary = e.summary;
        o.location = e.location;
        o.uid = e.uid;
        o.recurrenceId = rid;
        o.start = start;
        o.allDay = start.kind == TimeKind::Date;
        const std::optional<DateTime>& end = period ? period->end : e.end;
        const std::optional<Duration>& duration = period ? period->duration : e.duration;
        if (o.allDay) {
            int64_t days = 1;
            if (end && end->kind == TimeKind::Date) days = DayNumber(end->wall) - DayNumber(e.start.wall);
            if (period && end) days = DayNumber(end->wall) - DayNumber(period->start.wall);
            if (duration) days = duration->days + (duration->seconds > 0 ? (duration->seconds + kDay - 1) / kDay : 0);
            if (days < 1) days = 1;
            o.end = start;
            o.end.wall = AddDays(start.wall, days);
            o.localStart = o.start.wall;
            o.localEnd = o.end.wall;
        } else {
            const Zone* zone = c_.ZoneOf(start);
            o.hasInstant = true;
            o.startUtc = zone->ToUtc(start.wall);
            o.end = start;
            o.endUtc = o.startUtc;
            if (end && end->kind != TimeKind::Date) {
                const DateTime& from = period ? period->start : e.start;
                const int64_t length = c_.Instant(*end) - c_.Instant(from);
                o.endUtc = o.startUtc + (length > 0 ? length : 0);
                o.end = c_.Like(*end, o.endUtc);
            } else if (duration) {
                // Days on the wall clock (23 or 25 hours across a change of the
                // clocks), then the exact hours, minutes and seconds.
                const int64_t endUtc = zone->ToUtc(AddDays(start.wall, duration->days)) + duration->seconds;
                o.endUtc = endUtc > o.startUtc ? endUtc : o.startUtc;
                o.end = c_.Like(start, o.endUtc);
            }
            o.localStart = c_.local_.ToWall(o.startUtc);
            o.localEnd = c_.local_.ToWall(o.endUtc);
        }
        if (Overlaps(o)) out_.items.push_back(o);
    }

    Context c_;
    LocalDateTime from_, to_;
    WindowClock clock_;
    int64_t windowStartUtc_ = 0, windowEndUtc_ = 0;
    std::vector<Override> overrides_;
    OccurrenceList out_;
};

}  // namespace

OccurrenceList FindOccurrences(const Calendar& calendar, const SystemZones& zones, const LocalDateTime& from,
                               const LocalDateTime& to, WindowClock clock) {
    return Finder(calendar, zones, from, to, clock).Run();
}

DayRange DaysTouched(const Occurrence& o) {
    const LocalDateTime first = DateOf(o.localStart);
    if (o.localEnd <= o.localStart) return {first, first};
    LocalDateTime last = DateOf(o.localEnd);
    if (last == o.localEnd) last = AddDays(last, -1);  // ends at midnight: not the next day
    return {first, last < first ? first : last};
}

}  // namespace ical
