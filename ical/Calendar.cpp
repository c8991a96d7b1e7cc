#include "ical/Calendar.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace ical {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kOwnChunk = kChunk / 4;  // a text this long gets a chunk of its own

}  // namespace

char* TextStore::Begin(size_t size) {
    begunAlone_ = size > kOwnChunk;
    if (begunAlone_) {
        chunks_.push_back(std::make_unique<char[]>(size));
        return begun_ = chunks_.back().get();
    }
    if (size > left_) {
        chunks_.push_back(std::make_unique<char[]>(kChunk));
        free_ = chunks_.back().get();
        left_ = kChunk;
    }
    return begun_ = free_;
}

std::string_view TextStore::Commit(size_t size) {
    if (!begunAlone_) free_ += size, left_ -= size;
    return {begun_, size};
}

std::string_view TextStore::Add(std::string_view text) {
    if (text.empty()) return {};
    char* at = Begin(text.size());
    std::memcpy(at, text.data(), text.size());
    return Commit(text.size());
}

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Names in any case: `upper` is written in capitals.
bool Is(std::string_view name, std::string_view upper) {
    if (name.size() != upper.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (Upper(name[i]) != upper[i]) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The content lines of the bytes, unfolded: a line break (CRLF, LF or CR)
// followed by one space or tab continues the line. A line with no fold is a
// view of the input; a folded one is joined in a buffer kept from line to
// line, so that unfolding stays linear however long a line is.
class Lines {
public:
    explicit Lines(std::string_view bytes) : in_(bytes) {
        if (in_.substr(0, 3) == "\xEF\xBB\xBF") in_.remove_prefix(3);
    }

    bool Next(std::string_view& line, size_t& number) {
        if (at_ >= in_.size()) return false;
        number = number_;
        std::string_view piece = Physical();
        if (!Folds()) {
            line = piece;
            return true;
        }
        joined_.assign(piece);
        while (Folds()) {
            ++at_;  // the space or tab
            joined_.append(Physical());
        }
        line = joined_;
        return true;
    }

private:
    // The next physical line, and past its line break.
    std::string_view Physical() {
        const size_t start = at_;
        const char* p = in_.data();
        size_t i = at_;
        while (i < in_.size() && p[i] != '\n' && p[i] != '\r') ++i;
        std::string_view piece = in_.substr(start, i - start);
        if (i < in_.size()) {
            ++number_;
            i += p[i] == '\r' && i + 1 < in_.size() && p[i + 1] == '\n' ? 2 : 1;
            broke_ = true;
        } else {
            broke_ = false;
        }
        at_ = i;
        return piece;
    }
    bool Folds() const { return broke_ && at_ < in_.size() && (in_[at_] == ' ' || in_[at_] == '\t'); }

    std::string_view in_;
    size_t at_ = 0, number_ = 1;
    bool broke_ = false;
    std::string joined_;
};

// A content line: NAME *(;PARAM=VALUE[,VALUE]) : VALUE. Of the parameters,
// only those the reader acts on are kept (their first value).
struct Property {
    std::string_view name, value;
    std::string_view tzid, valueType, range, related;
};

bool NameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool ParseLine(std::string_view line, Property& out) {
    size_t i = 0;
    while (i < line.size() && NameChar(line[i])) ++i;
    if (i == 0 || i == line.size()) return false;
    out = Property{};
    out.name = line.substr(0, i);
    while (line[i] == ';') {
        const size_t nameStart = ++i;
        while (i < line.size() && NameChar(line[i])) ++i;
        if (i == line.size() || line[i] != '=') return false;
        const std::string_view name = line.substr(nameStart, i - nameStart);
        std::string_view first;
        bool firstSeen = false;
        do {
            ++i;  // '=' or ','
            std::string_view value;
            if (i < line.size() && line[i] == '"') {
                const size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) return false;
                value = line.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const size_t start = i;
                while (i < line.size() && line[i] != ',' && line[i] != ';' && line[i] != ':') ++i;
                value = line.substr(start, i - start);
            }
            if (!firstSeen) first = value, firstSeen = true;
        } while (i < line.size() && line[i] == ',');
        if (i == line.size()) return false;
        if (Is(name, "TZID")) out.tzid = Trim(first);
        if (Is(name, "VALUE")) out.valueType = first;
        if (Is(name, "RANGE")) out.range = first;
        if (Is(name, "RELATED")) out.related = first;
    }
    if (line[i] != ':') return false;
    out.value = line.substr(i + 1);
    return true;
}

// Valid UTF-8, with each maximal ill-formed part replaced by U+FFFD; TEXT
// escapes (\n \N \, \; \\) undone where asked; cut at kLongestText at a
// character's boundary.
std::string_view StoreText(TextStore& store, std::string_view raw, bool unescape) {
    if (raw.empty()) return {};
    const size_t most = raw.size() < kLongestText ? raw.size() : kLongestText;
    char* out = store.Begin(most * 3);  // every byte may become a three-byte U+FFFD
    size_t n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const size_t size = raw.size();
    size_t i = 0;
    while (i < size) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            char put = static_cast<char>(c);
            size_t used = 1;
            if (unescape && c == '\\' && i + 1 < size) {
                const char e = static_cast<char>(p[i + 1]);
                if (e == 'n' || e == 'N') put = '\n', used = 2;
                if (e == ',' || e == ';' || e == '\\') put = e, used = 2;
            }
            if (n + 1 > kLongestText) break;
            out[n++] = put;
            i += used;
            continue;
        }
        size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) length = 2;
        if (c >= 0xE0 && c <= 0xEF) length = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        if (c >= 0xF0 && c <= 0xF4) length = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        size_t good = length == 0 ? 0 : 1;
        while (good > 0 && good < length && i + good < size) {
            const unsigned char next = p[i + good];
            if (next < (good == 1 ? low : 0x80) || next > (good == 1 ? high : 0xBF)) break;
            ++good;
        }
        const bool whole = length > 0 && good == length;
        const size_t put = whole ? length : 3;
        if (n + put > kLongestText) break;
        if (whole) {
            std::memcpy(out + n, p + i, length);
        } else {
            std::memcpy(out + n, "\xEF\xBF\xBD", 3);
        }
        n += put;
        i += good > 0 ? good : 1;
    }
    return store.Commit(n);
}

bool Digits(std::string_view s, size_t at, size_t count, int32_t& value) {
    if (at + count > s.size()) return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

}  // namespace

// DATE (YYYYMMDD) or DATE-TIME (YYYYMMDDTHHMMSS, Z for UTC), by its form
// whatever VALUE says: services disagree with their own VALUE parameters.
bool ParseTime(std::string_view text, DateTime& out) {
    text = Trim(text);
    LocalDateTime t;
    if (!Digits(text, 0, 4, t.year) || !Digits(text, 4, 2, t.month) || !Digits(text, 6, 2, t.day)) return false;
    if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
    out = DateTime{};
    if (text.size() == 8) {
        out.wall = t;
        out.kind = TimeKind::Date;
        return true;
    }
    if (text.size() < 15 || Upper(text[8]) != 'T' || !Digits(text, 9, 2, t.hour) || !Digits(text, 11, 2, t.minute) ||
        !Digits(text, 13, 2, t.second))
        return false;
    if (t.hour > 23 || t.minute > 59 || t.second > 60) return false;
    if (t.second == 60) t.second = 59;  // a leap second: no zone's clock shows it
    if (text.size() == 16 && Upper(text[15]) == 'Z') {
        out.kind = TimeKind::Utc;
    } else if (text.size() == 15) {
        out.kind = TimeKind::Floating;
    } else {
        return false;
    }
    out.wall = t;
    return true;
}

// [+-]P[nW][nD][T[nH][nM][nS]], RFC 5545 3.3.6 (weeks with days too, as
// some services write).
bool ParseDuration(std::string_view text, Duration& out) {
    text = Trim(text);
    size_t i = 0;
    int64_t sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    if (i >= text.size() || Upper(text[i]) != 'P') return false;
    ++i;
    out = Duration{};
    bool inTime = false, any = false;
    while (i < text.size()) {
        if (Upper(text[i]) == 'T') {
            if (inTime) return false;
            inTime = true;
            ++i;
            continue;
        }
        int64_t n = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++digits > 9) return false;  // beyond 30 years of seconds: no calendar means it
            n = n * 10 + (text[i++] - '0');
        }
        if (digits == 0 || i >= text.size()) return false;
        const char unit = Upper(text[i++]);
        if (!inTime && unit == 'W')
            out.days += 7 * n;
        else if (!inTime && unit == 'D')
            out.days += n;
        else if (inTime && unit == 'H')
            out.seconds += 3600 * n;
        else if (inTime && unit == 'M')
            out.seconds += 60 * n;
        else if (inTime && unit == 'S')
            out.seconds += n;
        else
            return false;
        any = true;
    }
    if (!any) return false;
    out.days *= sign;
    out.seconds *= sign;
    return true;
}

namespace {

// +HHMM or +HHMMSS.
bool ParseOffset(std::string_view text, int32_t& seconds) {
    text = Trim(text);
    if (text.size() != 5 && text.size() != 7) return false;
    if (text[0] != '+' && text[0] != '-') return false;
    int32_t h = 0, m = 0, s = 0;
    if (!Digits(text, 1, 2, h) || !Digits(text, 3, 2, m) || (text.size() == 7 && !Digits(text, 5, 2, s))) return false;
    if (h > 23 || m > 59 || s > 59) return false;
    seconds = (h * 3600 + m * 60 + s) * (text[0] == '-' ? -1 : 1);
    return true;
}

enum class Kind : uint8_t { Calendar, Event, Alarm, TimeZone, Observance, Other };

struct Open {
    Kind kind;
    uint64_t nameHash;  // Other: which END closes it
};

uint64_t HashName(std::string_view name) {
    uint64_t h = 1469598103934665603ULL;
    for (char c : name) h = (h ^ static_cast<unsigned char>(Upper(c))) * 1099511628211ULL;
    return h;
}

Kind KindOf(std::string_view name) {
    if (Is(name, "VCALENDAR")) return Kind::Calendar;
    if (Is(name, "VEVENT")) return Kind::Event;
    if (Is(name, "VALARM")) return Kind::Alarm;
    if (Is(name, "VTIMEZONE")) return Kind::TimeZone;
    if (Is(name, "STANDARD") || Is(name, "DAYLIGHT")) return Kind::Observance;
    return Kind::Other;
}

// Deeper than this, components are only counted: nothing the calendar reads
// is nested more than four deep (VCALENDAR, VTIMEZONE, DAYLIGHT; VEVENT, VALARM).
constexpr size_t kDeepest = 32;

class Reader {
public:
    explicit Reader(Calendar& calendar) : c_(calendar) {}

    void Run(std::string_view bytes) {
        Lines lines(bytes);
        std::string_view line;
        while (lines.Next(line, number_)) {
            if (Trim(line).empty()) continue;
            Property p;
            if (!ParseLine(line, p)) {
                if (inCalendar_) SkipLine("not a content line (NAME:VALUE)");
                continue;
            }
            if (Is(p.name, "BEGIN")) {
                Begin(Trim(p.value));
            } else if (Is(p.name, "END")) {
                End(Trim(p.value));
            } else if (inCalendar_ && excess_ == 0 && depth_ > 0) {
                Take(p);
            }
        }
        if (eventOpen_) SkipEvent(eventLine_, "the file ends inside the event (no END:VEVENT)");
    }

private:
    void SkipLine(const char* reason) { Skipped(c_.skippedLines, number_, reason); }
    void SkipEvent(size_t line, const char* reason) {
        Skipped(c_.skippedEvents, line, reason);
        eventOpen_ = startSeen_ = false;
    }
    void Skipped(size_t& counter, size_t line, const char* reason) {
        ++counter;
        if (c_.skips.size() < kMostSkipsKept) c_.skips.push_back({line, reason});
    }

    Kind Top() const { return depth_ > 0 ? stack_[depth_ - 1].kind : Kind::Other; }

    void Begin(std::string_view name) {
        const Kind kind = KindOf(name);
        if (kind == Kind::Calendar) {
            // A calendar inside anything is a second file pasted onto a cut one.
            CloseTo(0);
            inCalendar_ = true;
            c_.isCalendar = true;
            Push(kind, 0);
            return;
        }
        if (!inCalendar_) return;
        if (kind == Kind::Event && eventOpen_) {
            // An event inside an event: the first was cut off where the second begins.
            CloseTo(eventDepth_);
            --depth_;
            SkipEvent(eventLine_, "the event is cut off by the next BEGIN:VEVENT");
        }
        if (excess_ > 0 || depth_ >= kDeepest) {
            ++excess_;
            SkipLine("components nested too deep");
            return;
        }
        const Kind top = Top();
        Kind as = Kind::Other;
        if (kind == Kind::Event && top == Kind::Calendar) as = Kind::Event;
        if (kind == Kind::Alarm && top == Kind::Event) as = Kind::Alarm;
        if (kind == Kind::TimeZone && top == Kind::Calendar) as = Kind::TimeZone;
        if (kind == Kind::Observance && top == Kind::TimeZone) as = Kind::Observance;
        Push(as, as == Kind::Other ? HashName(name) : 0);
        switch (as) {
            case Kind::Event:
                event_ = Event{};
                eventOpen_ = true;
                eventDepth_ = depth_;
                eventLine_ = number_;
                break;
            case Kind::Alarm: alarm_ = Alarm{}; break;
            case Kind::TimeZone: zone_ = TimeZoneDefinition{}; break;
            case Kind::Observance:
                observance_ = Observance{};
                observance_.daylight = Is(name, "DAYLIGHT");
                observanceStart_ = offsetFromSeen_ = offsetToSeen_ = false;
                break;
            default: break;
        }
    }

    void Push(Kind kind, uint64_t hash) { stack_[depth_++] = Open{kind, hash}; }

    void End(std::string_view name) {
        if (!inCalendar_) return;
        const Kind kind = KindOf(name);
        const uint64_t hash = HashName(name);
        size_t at = depth_;
        while (at > 0 && !Closes(stack_[at - 1], kind, hash)) --at;
        if (excess_ > 0) {
            // Past the depth the names were not kept: an END names one of them
            // unless it names a component the reader keeps and has open.
            if (at == 0 || kind == Kind::Other) {
                --excess_;
                return;
            }
            excess_ = 0;
        }
        if (at == 0) {
            SkipLine("END without its BEGIN");
            return;
        }
        CloseTo(at);
        --depth_;
        Finish(stack_[depth_].kind);
    }

    static bool Closes(const Open& open, Kind kind, uint64_t hash) {
        return open.kind == Kind::Other ? open.nameHash == hash : open.kind == kind;
    }

    // Closes what is open above `depth` components, finishing each as far
    // as it was read, and an event as cut off.
    void CloseTo(size_t depth) {
        while (depth_ > depth) {
            --depth_;
            const Kind kind = stack_[depth_].kind;
            if (kind == Kind::Event) {
                SkipEvent(eventLine_, "the event is cut off (its END:VEVENT is missing)");
            } else {
                Finish(kind);
            }
        }
        if (depth_ == 0) inCalendar_ = false;
        excess_ = 0;
    }

    void Finish(Kind kind) {
        switch (kind) {
            case Kind::Calendar: inCalendar_ = false; break;
            case Kind::Event:
                eventOpen_ = false;
                if (!startSeen_) {
                    Skipped(c_.skippedEvents, eventLine_, "the event has no readable DTSTART");
                    break;
                }
                if (event_.end && (event_.end->kind == TimeKind::Date) != (event_.start.kind == TimeKind::Date))
                    event_.end.reset();  // a date against a time: the length is the default one
                c_.events.push_back(std::move(event_));
                break;
            case Kind::Alarm:
                if (eventOpen_) event_.alarms.push_back(alarm_);
                break;
            case Kind::TimeZone:
                if (!zone_.tzid.empty()) c_.timeZones.push_back(std::move(zone_));
                break;
            case Kind::Observance:
                if (observanceStart_ && offsetToSeen_ && Top() == Kind::TimeZone) {
                    if (!offsetFromSeen_) observance_.offsetFrom = observance_.offsetTo;
                    zone_.observances.push_back(std::move(observance_));
                }
                break;
            default: break;
        }
        if (kind == Kind::Event) startSeen_ = false;
        if (kind == Kind::Observance) observanceStart_ = offsetToSeen_ = false;
    }

    void Take(const Property& p) {
        switch (Top()) {
            case Kind::Calendar: TakeCalendar(p); break;
            case Kind::Event: TakeEvent(p); break;
            case Kind::Alarm: TakeAlarm(p); break;
            case Kind::TimeZone:
                if (Is(p.name, "TZID")) zone_.tzid = c_.texts.Add(Trim(p.value));
                break;
            case Kind::Observance: TakeObservance(p); break;
            default: break;
        }
    }

    void TakeCalendar(const Property& p) {
        if (Is(p.name, "X-WR-CALNAME")) {
            if (c_.name.empty()) c_.name = StoreText(c_.texts, p.value, true);
        } else if (Is(p.name, "X-WR-TIMEZONE")) {
            if (c_.defaultZone.empty()) c_.defaultZone = c_.texts.Add(Trim(p.value));
        } else if (Is(p.name, "REFRESH-INTERVAL") || Is(p.name, "X-PUBLISHED-TTL")) {
            Duration d;
            if (!ParseDuration(p.value, d)) return SkipLine("unreadable duration");
            const int64_t seconds = d.days * 86400 + d.seconds;
            if (seconds <= 0) return;
            // REFRESH-INTERVAL is the standard's (RFC 7986); it wins over the older X- name.
            if (Is(p.name, "REFRESH-INTERVAL") || !refreshIsStandard_) c_.refreshSeconds = seconds;
            if (Is(p.name, "REFRESH-INTERVAL")) refreshIsStandard_ = true;
        }
    }

    bool Time(const Property& p, DateTime& out) {
        if (!ParseTime(p.value, out)) return false;
        if (out.kind == TimeKind::Floating && !p.tzid.empty()) {
            const uint16_t index = Tzid(p.tzid);
            if (index != kNoTzid) out.kind = TimeKind::Zoned, out.tzid = index;
        }
        return true;
    }

    static constexpr uint16_t kNoTzid = 0xFFFF;

    uint16_t Tzid(std::string_view name) {
        const size_t mask = tzidSlots_.size() - 1;  // a power of two, or none yet (mask is then all ones)
        size_t slot = TzidHash(name) & mask;
        if (!tzidSlots_.empty())
            for (; tzidSlots_[slot] != kNoTzid; slot = (slot + 1) & mask)
                if (c_.tzids[tzidSlots_[slot]] == name) return tzidSlots_[slot];
        if (c_.tzids.size() >= kNoTzid) return kNoTzid;
        const auto index = static_cast<uint16_t>(c_.tzids.size());
        c_.tzids.push_back(c_.texts.Add(name));
        if (2 * c_.tzids.size() > tzidSlots_.size()) {
            RehashTzids();
        } else {
            tzidSlots_[slot] = index;
        }
        return index;
    }

    static size_t TzidHash(std::string_view name) {
        uint64_t h = 1469598103934665603ULL;
        for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        return static_cast<size_t>(h ^ (h >> 32));
    }

    // The TZIDs' indexes by hash, open addressing, at most half full: a file
    // of many names stays linear (a standard hash map costs the Windows
    // program some 3 KB of library code for this one table).
    void RehashTzids() {
        tzidSlots_.assign(tzidSlots_.empty() ? 16 : 2 * tzidSlots_.size(), kNoTzid);
        const size_t mask = tzidSlots_.size() - 1;
        for (size_t i = 0; i < c_.tzids.size(); ++i) {
            size_t slot = TzidHash(c_.tzids[i]) & mask;
            while (tzidSlots_[slot] != kNoTzid) slot = (slot + 1) & mask;
            tzidSlots_[slot] = static_cast<uint16_t>(i);
        }
    }

    // Comma-separated times; for RDATE also periods (start/end, start/duration).
    template <typename Each>
    bool TimeList(const Property& p, const Each& each) {
        std::string_view rest = p.value;
        bool allRead = true;
        while (true) {
            const size_t comma = rest.find(',');
            std::string_view item = Trim(rest.substr(0, comma));
            if (!item.empty()) {
                RDate r;
                const size_t slash = item.find('/');
                Property one = p;
                one.value = item.substr(0, slash);
                bool ok = Time(one, r.start);
                if (ok && slash != std::string_view::npos) {
                    const std::string_view second = item.substr(slash + 1);
                    Duration d;
                    DateTime end;
                    one.value = second;
                    if (!second.empty() && (second[0] == 'P' || second[0] == '+' || second[0] == '-')) {
                        ok = ParseDuration(second, d);
                        r.duration = d;
                    } else {
                        ok = Time(one, end);
                        r.end = end;
                    }
                }
                if (ok) each(r);
                allRead = allRead && ok;
            }
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        return allRead;
    }

    void TakeEvent(const Property& p) {
        Event& e = event_;
        if (Is(p.name, "DTSTART")) {
            if (startSeen_) return;
            if (!Time(p, e.start)) return SkipLine("unreadable DTSTART");
            startSeen_ = true;
        } else if (Is(p.name, "DTEND")) {
            DateTime t;
            if (!Time(p, t)) return SkipLine("unreadable DTEND");
            if (!e.end) e.end = t;
        } else if (Is(p.name, "DURATION")) {
            Duration d;
            if (!ParseDuration(p.value, d)) return SkipLine("unreadable DURATION");
            if (!e.duration) e.duration = d;
        } else if (Is(p.name, "SUMMARY")) {
            if (e.summary.empty()) e.summary = StoreText(c_.texts, p.value, true);
        } else if (Is(p.name, "LOCATION")) {
            if (e.location.empty()) e.location = StoreText(c_.texts, p.value, true);
        } else if (Is(p.name, "UID")) {
            if (e.uid.empty()) e.uid = StoreText(c_.texts, Trim(p.value), true);
        } else if (Is(p.name, "RRULE")) {
            std::optional<RecurrenceRule> rule = ParseRule(Trim(p.value));
            if (!rule) return SkipLine("unreadable RRULE");
            e.rules.push_back(std::move(*rule));
        } else if (Is(p.name, "RDATE")) {
            if (!TimeList(p, [&](const RDate& r) { e.rdates.push_back(r); })) SkipLine("unreadable RDATE");
        } else if (Is(p.name, "EXDATE")) {
            if (!TimeList(p, [&](const RDate& r) { e.exdates.push_back(r.start); })) SkipLine("unreadable EXDATE");
        } else if (Is(p.name, "RECURRENCE-ID")) {
            DateTime t;
            if (!Time(p, t)) return SkipLine("unreadable RECURRENCE-ID");
            e.recurrenceId = t;
            e.thisAndFuture = Is(Trim(p.range), "THISANDFUTURE");
        } else if (Is(p.name, "SEQUENCE")) {
            int64_t n = 0;
            const std::string_view v = Trim(p.value);
            for (size_t i = 0; i < v.size() && i < 9; ++i) {
                if (v[i] < '0' || v[i] > '9') return SkipLine("unreadable SEQUENCE");
                n = n * 10 + (v[i] - '0');
            }
            e.sequence = static_cast<int32_t>(n);
        } else if (Is(p.name, "STATUS")) {
            e.cancelled = Is(Trim(p.value), "CANCELLED");
        }
    }

    void TakeAlarm(const Property& p) {
        if (Is(p.name, "ACTION")) {
            alarm_.action = c_.texts.Add(Trim(p.value));
        } else if (Is(p.name, "TRIGGER")) {
            alarm_.trigger = c_.texts.Add(Trim(p.value));
            alarm_.triggerValue = c_.texts.Add(p.valueType);
            alarm_.triggerRelated = c_.texts.Add(p.related);
        } else if (Is(p.name, "DESCRIPTION")) {
            alarm_.description = StoreText(c_.texts, p.value, false);
        }
    }

    void TakeObservance(const Property& p) {
        Observance& o = observance_;
        if (Is(p.name, "DTSTART")) {
            DateTime t;
            if (!ParseTime(p.value, t)) return SkipLine("unreadable DTSTART");
            o.start = t.wall;
            observanceStart_ = true;
        } else if (Is(p.name, "TZOFFSETFROM")) {
            if (!ParseOffset(p.value, o.offsetFrom)) return SkipLine("unreadable TZOFFSETFROM");
            offsetFromSeen_ = true;
        } else if (Is(p.name, "TZOFFSETTO")) {
            if (!ParseOffset(p.value, o.offsetTo)) return SkipLine("unreadable TZOFFSETTO");
            offsetToSeen_ = true;
        } else if (Is(p.name, "RRULE")) {
            std::optional<RecurrenceRule> rule = ParseRule(Trim(p.value));
            if (!rule) return SkipLine("unreadable RRULE");
            o.rules.push_back(std::move(*rule));
        } else if (Is(p.name, "RDATE")) {
            if (!TimeList(p, [&](const RDate& r) { o.rdates.push_back(r.start.wall); })) SkipLine("unreadable RDATE");
        }
    }

    Calendar& c_;
    size_t number_ = 0;
    Open stack_[kDeepest] = {};
    size_t depth_ = 0, excess_ = 0;
    bool inCalendar_ = false;
    bool eventOpen_ = false, startSeen_ = false;
    size_t eventDepth_ = 0, eventLine_ = 0;
    Event event_;
    Alarm alarm_;
    TimeZoneDefinition zone_;
    Observance observance_;
    bool observanceStart_ = false, offsetFromSeen_ = false, offsetToSeen_ = false, refreshIsStandard_ = false;
    std::vector<uint16_t> tzidSlots_;  // kNoTzid: free
};

}  // namespace

Calendar Read(std::string_view bytes) {
    Calendar calendar;
    // Room for the events at once, as services write them (in capitals): a
    // large export then never moves them all to a larger array. Bounded by
    // the bytes real events take, whatever a file of bare BEGIN lines says.
    size_t events = 0;
    for (size_t at = bytes.find("BEGIN:VEVENT"); at != std::string_view::npos; at = bytes.find("BEGIN:VEVENT", at + 12))
        ++events;
    calendar.events.reserve(std::min(events, bytes.size() / 256));
    Reader(calendar).Run(bytes);
    return calendar;
}

}  // namespace ical
