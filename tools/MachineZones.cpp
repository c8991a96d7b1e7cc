#include "tools/MachineZones.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace machine_zones {

namespace {

using ical::LocalDateTime;

// A POSIX TZ string's rules (std offset [dst [offset] [,start[/time],end[/time]]]),
// which a TZif file's footer gives for the times after its last transition.
struct PosixRule {
    char form = 'M';  // 'M' month.week.day, 'J' day 1-365 without 29 February, 'N' day 0-365
    int32_t month = 0, week = 0, weekday = 0, day = 0;
    int64_t seconds = 7200;  // the wall time of the change (02:00 unless written)
};

struct Posix {
    int64_t standard = 0, daylight = 0;  // seconds east of UTC
    bool hasDaylight = false;
    PosixRule start, end;
};

class PosixReader {
public:
    explicit PosixReader(std::string_view s) : s_(s) {}

    std::optional<Posix> Read() {
        Posix p;
        if (!Name()) return std::nullopt;
        std::optional<int64_t> offset = Offset();
        if (!offset) return std::nullopt;
        p.standard = -*offset;  // POSIX counts west of Greenwich
        if (at_ == s_.size()) return p;
        if (!Name()) return std::nullopt;
        p.hasDaylight = true;
        p.daylight = p.standard + 3600;
        if (at_ < s_.size() && s_[at_] != ',') {
            offset = Offset();
            if (!offset) return std::nullopt;
            p.daylight = -*offset;
        }
        if (at_ == s_.size()) {
            // No rules written: the United States' since 2007, as POSIX systems assume.
            p.start = {'M', 3, 2, 0, 0, 7200};
            p.end = {'M', 11, 1, 0, 0, 7200};
            return p;
        }
        if (s_[at_++] != ',' || !Rule(p.start) || at_ >= s_.size() || s_[at_++] != ',' || !Rule(p.end))
            return std::nullopt;
        return at_ == s_.size() ? std::optional<Posix>(p) : std::nullopt;
    }

private:
    bool Name() {
        const size_t begin = at_;
        if (at_ < s_.size() && s_[at_] == '<') {
            while (at_ < s_.size() && s_[at_] != '>') ++at_;
            if (at_ == s_.size()) return false;
            ++at_;
            return true;
        }
        while (at_ < s_.size() && ((s_[at_] >= 'A' && s_[at_] <= 'Z') || (s_[at_] >= 'a' && s_[at_] <= 'z'))) ++at_;
        return at_ - begin >= 3;
    }
    bool Number(int64_t& n) {
        const size_t begin = at_;
        n = 0;
        while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9' && at_ - begin < 4) n = n * 10 + (s_[at_++] - '0');
        return at_ > begin;
    }
    // [+-]hh[:mm[:ss]]
    std::optional<int64_t> Offset() {
        int64_t sign = 1;
        if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) sign = s_[at_++] == '-' ? -1 : 1;
        int64_t h = 0, m = 0, sec = 0;
        if (!Number(h)) return std::nullopt;
        if (at_ < s_.size() && s_[at_] == ':' && (++at_, !Number(m))) return std::nullopt;
        if (at_ < s_.size() && s_[at_] == ':' && (++at_, !Number(sec))) return std::nullopt;
        return sign * (h * 3600 + m * 60 + sec);
    }
    bool Rule(PosixRule& r) {
        int64_t a = 0, b = 0, c = 0;
        if (at_ < s_.size() && s_[at_] == 'M') {
            ++at_;
            if (!Number(a) || at_ >= s_.size() || s_[at_++] != '.' || !Number(b) || at_ >= s_.size() ||
                s_[at_++] != '.' || !Number(c))
                return false;
            if (a < 1 || a > 12 || b < 1 || b > 5 || c > 6) return false;
            r = {'M', static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c), 0, 7200};
        } else {
            const char form = at_ < s_.size() && s_[at_] == 'J' ? 'J' : 'N';
            if (form == 'J') ++at_;
            if (!Number(a) || a > 365) return false;
            r = {form, 0, 0, 0, static_cast<int32_t>(a), 7200};
        }
        if (at_ < s_.size() && s_[at_] == '/') {
            ++at_;
            const std::optional<int64_t> time = Offset();
            if (!time) return false;
            r.seconds = *time;
        }
        return true;
    }

    std::string_view s_;
    size_t at_ = 0;
};

// The wall seconds of a rule's change in a year.
int64_t ChangeIn(const PosixRule& r, int32_t year) {
    int64_t days = 0;
    if (r.form == 'M') {
        const int32_t first = 1 + (((r.weekday + 6) % 7) - ical::Weekday(year, r.month, 1) + 7) % 7;
        int32_t day = first + 7 * (r.week - 1);
        while (day > ical::DaysInMonth(year, r.month)) day -= 7;
        days = ical::DaysFromCivil(year, r.month, day);
    } else if (r.form == 'J') {
        days = ical::DaysFromCivil(year, 1, 1) + r.day - 1;
        if (ical::IsLeapYear(year) && r.day >= 60) ++days;
    } else {
        days = ical::DaysFromCivil(year, 1, 1) + r.day;
    }
    return days * 86400 + r.seconds;
}

int64_t PosixOffsetAt(const Posix& p, int64_t utc) {
    if (!p.hasDaylight) return p.standard;
    const int32_t year = ical::CivilFromDays((utc + p.standard) / 86400).year;
    const int64_t start = ChangeIn(p.start, year) - p.standard;  // written in standard time
    const int64_t end = ChangeIn(p.end, year) - p.daylight;      // written in daylight time
    const bool daylight = start < end ? (utc >= start && utc < end) : !(utc >= end && utc < start);
    return daylight ? p.daylight : p.standard;
}

class MachineZone final : public ical::Zone {
public:
    std::vector<int64_t> times;      // transitions, ascending
    std::vector<int32_t> offsetAft;  // the offset from each transition on
    int32_t offsetBefore = 0;        // before the first (local time type 0)
    std::optional<Posix> footer;     // after the last

    int64_t OffsetAt(int64_t utc) const {
        if (footer && (times.empty() || utc >= times.back())) return PosixOffsetAt(*footer, utc);
        const auto after = std::upper_bound(times.begin(), times.end(), utc);
        if (after == times.begin()) return offsetBefore;
        return offsetAft[static_cast<size_t>(after - times.begin() - 1)];
    }
    int64_t ToUtc(const LocalDateTime& wall) const override {
        return ical::UtcOfWall(wall, [this](int64_t utc) { return OffsetAt(utc); });
    }
    LocalDateTime ToWall(int64_t utc) const override { return ical::FromWallSeconds(utc + OffsetAt(utc)); }
};

class Bytes {
public:
    explicit Bytes(std::string_view b) : b_(b) {}
    bool Has(size_t n) const { return at_ + n <= b_.size(); }
    int64_t Be(size_t n) {
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i) v = v << 8 | static_cast<unsigned char>(b_[at_ + i]);
        at_ += n;
        if (n == 4) return static_cast<int32_t>(static_cast<uint32_t>(v));
        return static_cast<int64_t>(v);
    }
    void Skip(size_t n) { at_ += n; }
    size_t at_ = 0;
    std::string_view b_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ZoneDirectory() {
    const char* dir = std::getenv("TZDIR");
    return dir && *dir ? dir : "/usr/share/zoneinfo";
}

bool SafeName(std::string_view name) {
    return !name.empty() && name[0] != '/' && name.find("..") == std::string_view::npos;
}

}  // namespace

std::unique_ptr<ical::Zone> ZoneFromPosix(std::string_view tz) {
    std::optional<Posix> p = PosixReader(tz).Read();
    if (!p) return nullptr;
    auto zone = std::make_unique<MachineZone>();
    zone->footer = p;
    return zone;
}

std::unique_ptr<ical::Zone> ZoneFromTzif(std::string_view bytes) {
    Bytes b(bytes);
    const auto header = [&b](size_t counts[6]) {
        if (!b.Has(44) || b.b_.substr(b.at_, 4) != "TZif") return false;
        b.Skip(20);
        for (int i = 0; i < 6; ++i) counts[i] = static_cast<size_t>(static_cast<uint32_t>(b.Be(4)));
        return true;
    };
    size_t n[6];  // isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt
    if (!header(n)) return nullptr;
    const char version = bytes[4];
    const auto block = [&n](size_t timeSize) {
        return n[3] * timeSize + n[3] + n[4] * 6 + n[5] + n[2] * (timeSize + 4) + n[1] + n[0];
    };
    size_t timeSize = 4;
    if (version >= '2') {
        if (!b.Has(block(4))) return nullptr;
        b.Skip(block(4));  // the 32-bit data, for readers of the first version
        if (!header(n)) return nullptr;
        timeSize = 8;
    }
    if (!b.Has(block(timeSize)) || n[4] == 0) return nullptr;
    auto zone = std::make_unique<MachineZone>();
    std::vector<uint8_t> types(n[3]);
    for (size_t i = 0; i < n[3]; ++i) zone->times.push_back(b.Be(timeSize));
    for (size_t i = 0; i < n[3]; ++i) types[i] = static_cast<uint8_t>(b.Be(1));
    std::vector<int32_t> offsets(n[4]);
    for (size_t i = 0; i < n[4]; ++i) {
        offsets[i] = static_cast<int32_t>(b.Be(4));
        b.Skip(2);
    }
    for (size_t i = 0; i < n[3]; ++i) {
        if (types[i] >= n[4]) return nullptr;
        zone->offsetAft.push_back(offsets[types[i]]);
    }
    zone->offsetBefore = offsets[0];
    b.Skip(n[5] + n[2] * (timeSize + 4) + n[1] + n[0]);
    if (version >= '2' && b.Has(2) && bytes[b.at_] == '\n') {
        const size_t end = bytes.find('\n', b.at_ + 1);
        if (end != std::string_view::npos) zone->footer = PosixReader(bytes.substr(b.at_ + 1, end - b.at_ - 1)).Read();
    }
    return zone;
}

MachineZones::MachineZones() {
    const char* tz = std::getenv("TZ");
    std::string_view name = tz ? tz : "";
    if (!name.empty() && name[0] == ':') name.remove_prefix(1);
    if (!name.empty() && name[0] == '/') local_ = ZoneFromTzif(ReadFile(std::string(name)));
    if (!local_ && SafeName(name)) local_ = ZoneFromTzif(ReadFile(ZoneDirectory() + "/" + std::string(name)));
    if (!local_ && !name.empty()) local_ = ZoneFromPosix(name);
    if (!local_ && !tz) local_ = ZoneFromTzif(ReadFile("/etc/localtime"));
    if (!local_) local_ = ZoneFromPosix("UTC0");
}

MachineZones::MachineZones(std::string_view localIana) {
    if (SafeName(localIana)) local_ = ZoneFromTzif(ReadFile(ZoneDirectory() + "/" + std::string(localIana)));
    if (!local_) local_ = ZoneFromPosix("UTC0");
}

MachineZones::~MachineZones() = default;

const ical::Zone* MachineZones::ByIana(std::string_view iana) const {
    const auto found = loaded_.find(iana);
    if (found != loaded_.end()) return found->second.get();
    std::unique_ptr<ical::Zone> zone;
    if (SafeName(iana)) zone = ZoneFromTzif(ReadFile(ZoneDirectory() + "/" + std::string(iana)));
    const ical::Zone* kept = zone.get();
    loaded_.emplace(std::string(iana), std::move(zone));  // an unknown name is looked for once
    return kept;
}

const ical::Zone* MachineZones::ByWindowsName(std::string_view keyOrDisplayName) const {
    std::string_view iana = ical::IanaZoneOfWindows(keyOrDisplayName);
    if (iana.empty()) iana = ical::IanaZoneOfWindows(ical::WindowsKeyOfDisplayName(keyOrDisplayName));
    return iana.empty() ? nullptr : ByIana(iana);
}

}  // namespace machine_zones
