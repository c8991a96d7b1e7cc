#include "ical/Zones.h"

#include <algorithm>

#include "ical/StableSort.h"
#include "ical/WindowsZonesTable.h"

namespace ical {

namespace {

class UtcZone final : public Zone {
public:
    int64_t ToUtc(const LocalDateTime& wall) const override { return WallSeconds(wall); }
    LocalDateTime ToWall(int64_t utcSeconds) const override { return FromWallSeconds(utcSeconds); }
};

const UtcZone kUtc;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int Compare(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char x = Lower(a[i]), y = Lower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string_view NameOf(const windows_zones::Name& name) { return {windows_zones::kNames + name.at, name.size}; }

const windows_zones::Name* Find(const windows_zones::Name* names, size_t count, std::string_view wanted) {
    windows_zones::UnpackNames();
    const windows_zones::Name* end = names + count;
    const windows_zones::Name* at = std::lower_bound(
        names, end, wanted, [](const windows_zones::Name& n, std::string_view w) { return Compare(NameOf(n), w) < 0; });
    return at != end && Compare(NameOf(*at), wanted) == 0 ? at : nullptr;
}

// An English display name's place list, without its "(UTC+01:00) " (older
// Windows wrote "(GMT+01:00) ").
std::string_view Places(std::string_view displayName) {
    if (displayName.empty() || displayName[0] != '(') return {};
    const size_t close = displayName.find(") ");
    return close == std::string_view::npos ? std::string_view{} : displayName.substr(close + 2);
}

}  // namespace

const Zone& Utc() { return kUtc; }

std::string_view WindowsZoneOfIana(std::string_view iana) {
    const auto* found = Find(windows_zones::kIana, windows_zones::kIanaCount, iana);
    return found ? NameOf(windows_zones::kWindows[found->other]) : std::string_view{};
}

std::string_view IanaZoneOfWindows(std::string_view windowsKey) {
    const auto* found = Find(windows_zones::kWindows, windows_zones::kWindowsCount, windowsKey);
    return found ? NameOf(windows_zones::kIana[found->other]) : std::string_view{};
}

std::string_view WindowsKeyOfDisplayName(std::string_view displayName) {
    const std::string_view places = Places(displayName);
    const auto* found = places.empty() ? nullptr : Find(windows_zones::kDisplay, windows_zones::kDisplayCount, places);
    return found ? NameOf(windows_zones::kWindows[found->other]) : std::string_view{};
}

std::string_view WithoutVendorPrefix(std::string_view tzid) {
    if (tzid.empty() || tzid[0] != '/') return tzid;
    for (size_t slash = tzid.find('/', 1); slash != std::string_view::npos; slash = tzid.find('/', slash + 1)) {
        const std::string_view rest = tzid.substr(slash + 1);
        if (!WindowsZoneOfIana(rest).empty()) return rest;
    }
    return tzid;
}

namespace {

int64_t DayOfMonth(int32_t year, int32_t month, int32_t monthDay) {
    const int32_t days = DaysInMonth(year, month);
    if (monthDay < 0) monthDay = days + 1 + monthDay;
    return monthDay >= 1 && monthDay <= days ? monthDay : 0;
}

// The onset a yearly observance rule gives in `year`, in the form every
// service writes them: one month, and one weekday by its place in the
// month (BYDAY=-1SU), or a weekday among days (BYDAY=SU;BYMONTHDAY=8,...,14,
// as older US rules were written), or a day of the month. A rule of any
// other form is left to the general expansion.
enum class Yearly { Onset, None, OtherForm };

Yearly YearlyOnset(const RecurrenceRule& rule, const LocalDateTime& start, int32_t year, LocalDateTime& out) {
    if (rule.freq != Frequency::Yearly || rule.byMonth.size() > 1 || rule.byDay.size() > 1 || !rule.byYearDay.empty() ||
        !rule.byWeekNo.empty() || !rule.bySetPos.empty() || rule.byHour.size() > 1 || rule.byMinute.size() > 1 ||
        rule.bySecond.size() > 1)
        return Yearly::OtherForm;
    if (year < start.year || (year - start.year) % rule.interval != 0) return Yearly::None;
    if (rule.count && (year - start.year) / rule.interval >= *rule.count) return Yearly::None;
    const int32_t month = rule.byMonth.empty() ? start.month : rule.byMonth[0];
    int64_t day = 0;
    if (rule.byDay.empty()) {
        if (rule.byMonthDay.size() > 1) return Yearly::OtherForm;
        day = DayOfMonth(year, month, rule.byMonthDay.empty() ? start.day : rule.byMonthDay[0]);
    } else {
        const WeekdayNum wd = rule.byDay[0];
        const int32_t days = DaysInMonth(year, month);
        if (!rule.byMonthDay.empty()) {
            if (wd.ordinal != 0) return Yearly::OtherForm;
            for (int32_t d = 1; d <= days && day == 0; ++d) {
                if (Weekday(year, month, d) != wd.weekday) continue;
                for (int32_t md : rule.byMonthDay)
                    if (DayOfMonth(year, month, md) == d) day = d;
            }
        } else if (wd.ordinal > 0) {
            const int32_t first = 1 + (wd.weekday - Weekday(year, month, 1) + 7) % 7;
            day = first + 7 * (wd.ordinal - 1);
            if (day > days) day = 0;
        } else if (wd.ordinal < 0) {
            const int32_t last = days - (Weekday(year, month, days) - wd.weekday + 7) % 7;
            day = last - 7 * (-wd.ordinal - 1);
            if (day < 1) day = 0;
        } else {
            return Yearly::OtherForm;
        }
    }
    if (day == 0) return Yearly::None;
    out = LocalDateTime{year, month, static_cast<int32_t>(day), start.hour, start.minute, start.second};
    if (!rule.byHour.empty()) out.hour = rule.byHour[0];
    if (!rule.byMinute.empty()) out.minute = rule.byMinute[0];
    if (!rule.bySecond.empty()) out.second = rule.bySecond[0];
    return out < start ? Yearly::None : Yearly::Onset;
}

bool WithinUntil(const RecurrenceRule& rule, const LocalDateTime& onsetWall, int64_t onsetUtc) {
    if (!rule.until) return true;
    if (rule.untilIsUtc) return onsetUtc <= WallSeconds(*rule.until);
    if (rule.untilIsDate) return WallSeconds(onsetWall) < WallSeconds(*rule.until) + 86400;
    return onsetWall <= *rule.until;
}

}  // namespace

DefinedZone::DefinedZone(const TimeZoneDefinition& definition) : definition_(&definition) {}

int32_t DefinedZone::OffsetAt(int64_t utcSeconds) const {
    bool found = false;
    int64_t latest = 0;
    int32_t offset = 0;
    const auto consider = [&](int64_t onsetUtc, int32_t offsetTo) {
        if (onsetUtc <= utcSeconds && (!found || onsetUtc >= latest))
            found = true, latest = onsetUtc, offset = offsetTo;
    };
    const Observance* earliest = nullptr;
    for (const Observance& o : definition_->observances) {
        if (!earliest || o.start < earliest->start) earliest = &o;
        consider(WallSeconds(o.start) - o.offsetFrom, o.offsetTo);
        for (const LocalDateTime& r : o.rdates) consider(WallSeconds(r) - o.offsetFrom, o.offsetTo);
        for (const RecurrenceRule& rule : o.rules) {
            const int32_t year = CivilFromDays((utcSeconds + o.offsetFrom) / 86400).year;
            bool general = false;
            for (int32_t y = year - 1; y <= year + 1 && !general; ++y) {
                LocalDateTime onset;
                const Yearly form = YearlyOnset(rule, o.start, y, onset);
                general = form == Yearly::OtherForm;
                const int64_t onsetUtc = WallSeconds(onset) - o.offsetFrom;
                if (form == Yearly::Onset && WithinUntil(rule, onset, onsetUtc)) consider(onsetUtc, o.offsetTo);
            }
            if (!general) continue;
            // Any other rule: its starts in the year and a half before the instant.
            const LocalDateTime to = FromWallSeconds(utcSeconds + o.offsetFrom + 1);
            const LocalDateTime from = FromWallSeconds(utcSeconds + o.offsetFrom - 550LL * 86400);
            std::optional<LocalDateTime> until;
            if (rule.until)
                until = rule.untilIsUtc ? FromWallSeconds(WallSeconds(*rule.until) + o.offsetFrom) : *rule.until;
            if (until && rule.untilIsDate) until = FromWallSeconds(WallSeconds(*until) + 86399);
            const Expansion e = Expand(rule, o.start, false, until, from, to, 1000);
            for (const LocalDateTime& s : e.starts) consider(WallSeconds(s) - o.offsetFrom, o.offsetTo);
        }
    }
    if (!found && earliest) return earliest->offsetFrom;
    return offset;
}

int64_t DefinedZone::ToUtc(const LocalDateTime& wall) const {
    return UtcOfWall(wall, [this](int64_t utc) { return static_cast<int64_t>(OffsetAt(utc)); });
}

LocalDateTime DefinedZone::ToWall(int64_t utcSeconds) const {
    return FromWallSeconds(utcSeconds + OffsetAt(utcSeconds));
}

namespace {

const Zone* FindDefined(const ResolvedZones& resolved, std::string_view tzid) {
    const auto& d = resolved.defined;
    const auto at =
        std::lower_bound(d.begin(), d.end(), tzid,
                         [](const std::unique_ptr<DefinedZone>& z, std::string_view t) { return z->Tzid() < t; });
    return at != d.end() && (*at)->Tzid() == tzid ? at->get() : nullptr;
}

// Outlook writes a second, edited copy of a Windows zone with " 1" after its name.
std::string_view WithoutCopyNumber(std::string_view name) {
    size_t end = name.size();
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
    if (end == name.size() || end < 2 || name[end - 1] != ' ') return name;
    return name.substr(0, end - 1);
}

}  // namespace

const Zone* ResolveTzid(std::string_view tzid, const ResolvedZones& resolved, const Calendar&,
                        const SystemZones& system) {
    if (tzid.empty()) return nullptr;
    if (const Zone* z = FindDefined(resolved, tzid)) return z;
    if (const Zone* z = system.ByWindowsName(tzid)) return z;
    const std::string_view bare = WithoutCopyNumber(tzid);
    if (bare != tzid)
        if (const Zone* z = system.ByWindowsName(bare)) return z;
    // The English display name, for a Windows whose own are in another language.
    const std::string_view key = WindowsKeyOfDisplayName(tzid);
    if (!key.empty())
        if (const Zone* z = system.ByWindowsName(key)) return z;
    const std::string_view windows = WindowsZoneOfIana(WithoutVendorPrefix(tzid));
    if (!windows.empty())
        if (const Zone* z = system.ByWindowsName(windows)) return z;
    return nullptr;
}

ResolvedZones ResolveZones(const Calendar& calendar, const SystemZones& system) {
    ResolvedZones r;
    for (const TimeZoneDefinition& d : calendar.timeZones)
        if (!d.observances.empty()) r.defined.push_back(std::make_unique<DefinedZone>(d));
    // The first definition of a TZID is the one used, as a file read top to bottom says it.
    StableSort(r.defined, [](const auto& a, const auto& b) { return a->Tzid() < b->Tzid(); });
    r.defined.erase(std::unique(r.defined.begin(), r.defined.end(),
                                [](const auto& a, const auto& b) { return a->Tzid() == b->Tzid(); }),
                    r.defined.end());
    const Zone& local = system.Local();
    r.byTzid.reserve(calendar.tzids.size());
    for (std::string_view tzid : calendar.tzids) {
        const Zone* z = ResolveTzid(tzid, r, calendar, system);
        if (!z) r.unknown.push_back(tzid);
        r.byTzid.push_back(z ? z : &local);
    }
    r.floating = &local;
    if (!calendar.defaultZone.empty()) {
        const Zone* z = ResolveTzid(calendar.defaultZone, r, calendar, system);
        if (!z) r.unknown.push_back(calendar.defaultZone);
        if (z) r.floating = z;
    }
    return r;
}

}  // namespace ical
