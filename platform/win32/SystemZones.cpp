#include "platform/win32/SystemZones.h"

#include <cstring>

#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"

namespace {

const wchar_t kZonesKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

// A zone's TZI value in the registry.
struct RegistryRules {
    LONG bias, standardBias, daylightBias;
    SYSTEMTIME standardDate, daylightDate;
};

bool SameText(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The wall time, in the year asked for, at which a SYSTEMTIME rule changes
// the clocks: the wDay-th (5: the last) wDayOfWeek of wMonth, or, with a
// wYear, that very date.
int64_t WallOfChange(int32_t year, const SYSTEMTIME& rule) {
    int32_t day = rule.wDay;
    if (rule.wYear == 0) {
        const int32_t firstWeekday = (ical::Weekday(year, rule.wMonth, 1) + 1) % 7;  // 0 Sunday, as wDayOfWeek
        day = 1 + (rule.wDayOfWeek - firstWeekday + 7) % 7 + (rule.wDay - 1) * 7;
        while (day > ical::DaysInMonth(year, rule.wMonth)) day -= 7;
    }
    // Some zones change at 23:59:59.999, meaning midnight.
    return ical::DaysFromCivil(year, rule.wMonth, day) * 86400 + rule.wHour * 3600 + rule.wMinute * 60 + rule.wSecond +
           (rule.wMilliseconds ? 1 : 0);
}

}  // namespace

WindowsZone::Year WindowsZone::Rules(int32_t year) const {
    year = year < 1601 ? 1601 : year > 30827 ? 30827 : year;
    AcquireSRWLockShared(&lock_);
    for (const Year& known : years_)
        if (known.year == year) {
            Year found = known;
            ReleaseSRWLockShared(&lock_);
            return found;
        }
    ReleaseSRWLockShared(&lock_);

    // Vista before its first service pack has no yearly rules: the zone's one set holds every year.
    using ForYear = BOOL(WINAPI*)(USHORT, DYNAMIC_TIME_ZONE_INFORMATION*, TIME_ZONE_INFORMATION*);
    const auto forYear = OptionalFunction<ForYear>("kernel32.dll", "GetTimeZoneInformationForYear");
    DYNAMIC_TIME_ZONE_INFORMATION zone = zone_;
    TIME_ZONE_INFORMATION rules{};
    if (!forYear || !forYear(static_cast<USHORT>(year), &zone, &rules)) {
        rules.Bias = zone_.Bias;
        rules.StandardBias = zone_.StandardBias;
        rules.DaylightBias = zone_.DaylightBias;
        rules.StandardDate = zone_.StandardDate;
        rules.DaylightDate = zone_.DaylightDate;
    }
    Year made{year,
              static_cast<int32_t>(-(rules.Bias + rules.StandardBias) * 60),
              static_cast<int32_t>(-(rules.Bias + rules.DaylightBias) * 60),
              rules.StandardDate.wMonth != 0 && rules.DaylightDate.wMonth != 0 && !zone_.DynamicDaylightTimeDisabled,
              rules.DaylightDate,
              rules.StandardDate};
    AcquireSRWLockExclusive(&lock_);
    years_.push_back(made);
    ReleaseSRWLockExclusive(&lock_);
    return made;
}

int32_t WindowsZone::OffsetIn(const Year& rules, int64_t utcSeconds) {
    if (!rules.changes) return rules.standard;
    // The change to daylight time is written in standard time, the change back in daylight time.
    const int64_t toDaylight = WallOfChange(rules.year, rules.toDaylight) - rules.standard;
    const int64_t toStandard = WallOfChange(rules.year, rules.toStandard) - rules.daylight;
    const bool daylight = toDaylight < toStandard ? utcSeconds >= toDaylight && utcSeconds < toStandard
                                                  : utcSeconds >= toDaylight || utcSeconds < toStandard;
    return daylight ? rules.daylight : rules.standard;
}

int32_t WindowsZone::OffsetAt(int64_t utcSeconds) const {
    // A year's rules are for its local wall times: around New Year the local
    // year may be the one before or after UTC's.
    const int32_t utcYear = ical::FromWallSeconds(utcSeconds).year;
    const int32_t offset = OffsetIn(Rules(utcYear), utcSeconds);
    const int32_t localYear = ical::FromWallSeconds(utcSeconds + offset).year;
    return localYear == utcYear ? offset : OffsetIn(Rules(localYear), utcSeconds);
}

int64_t WindowsZone::ToUtc(const ical::LocalDateTime& wall) const {
    return ical::UtcOfWall(wall, [this](int64_t utc) { return static_cast<int64_t>(OffsetAt(utc)); });
}

ical::LocalDateTime WindowsZone::ToWall(int64_t utcSeconds) const {
    return ical::FromWallSeconds(utcSeconds + OffsetAt(utcSeconds));
}

void WindowsZones::ReadRegistry() const {
    read_ = true;
    HKEY zones = nullptr;
    // The 64-bit view also for the 32-bit program: the one Windows itself keeps up to date.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kZonesKey, 0, KEY_READ | KEY_WOW64_64KEY, &zones) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        const LONG found = RegEnumKeyExW(zones, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        if (found != ERROR_SUCCESS || length >= 128) continue;
        HKEY zone = nullptr;
        if (RegOpenKeyExW(zones, name, 0, KEY_READ, &zone) != ERROR_SUCCESS) continue;
        RegistryRules rules{};
        DWORD bytes = sizeof(rules);
        if (RegGetValueW(zone, nullptr, L"TZI", RRF_RT_REG_BINARY, nullptr, &rules, &bytes) == ERROR_SUCCESS &&
            bytes == sizeof(rules)) {
            Known known{name, {}, {}, {}};
            known.zone.Bias = rules.bias;
            known.zone.StandardBias = rules.standardBias;
            known.zone.DaylightBias = rules.daylightBias;
            known.zone.StandardDate = rules.standardDate;
            known.zone.DaylightDate = rules.daylightDate;
            std::memcpy(known.zone.TimeZoneKeyName, name, (length + 1) * sizeof(wchar_t));
            wchar_t text[256];
            bytes = sizeof(text);
            if (RegGetValueW(zone, nullptr, L"Display", RRF_RT_REG_SZ, nullptr, text, &bytes) == ERROR_SUCCESS)
                known.display = text;
            bytes = 0;
            if (RegLoadMUIStringW(zone, L"MUI_Display", text, sizeof(text), &bytes, 0, nullptr) == ERROR_SUCCESS)
                known.localDisplay = text;
            known_.push_back(std::move(known));
        }
        RegCloseKey(zone);
    }
    RegCloseKey(zones);
}

const WindowsZone* WindowsZones::Made(const DYNAMIC_TIME_ZONE_INFORMATION& zone) const {
    for (const auto& made : made_) {
        const DYNAMIC_TIME_ZONE_INFORMATION& known = made->Information();
        // A zone without a key (Windows could not name the local one) is known by all its fields.
        if (zone.TimeZoneKeyName[0] ? SameText(known.TimeZoneKeyName, zone.TimeZoneKeyName) &&
                                          known.DynamicDaylightTimeDisabled == zone.DynamicDaylightTimeDisabled
                                    : std::memcmp(&known, &zone, sizeof(zone)) == 0)
            return made.get();
    }
    made_.push_back(std::make_unique<WindowsZone>(zone));
    return made_.back().get();
}

const ical::Zone* WindowsZones::ByWindowsName(std::string_view keyOrDisplayName) const {
    std::wstring name = wide_text::Utf16(std::string(keyOrDisplayName));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    while (!name.empty() && name.front() == L' ') name.erase(0, 1);
    // Outlook numbers the zones it writes: "W. Europe Standard Time 1".
    std::wstring numbered = name;
    size_t digits = numbered.size();
    while (digits > 0 && numbered[digits - 1] >= L'0' && numbered[digits - 1] <= L'9') --digits;
    numbered = digits < numbered.size() && digits > 1 && numbered[digits - 1] == L' ' ? numbered.substr(0, digits - 1)
                                                                                      : std::wstring();
    AcquireSRWLockExclusive(&lock_);
    if (!read_) ReadRegistry();
    const WindowsZone* found = nullptr;
    for (const Known& known : known_)
        if (SameText(known.key, name) || SameText(known.display, name) || SameText(known.localDisplay, name))
            found = Made(known.zone);
    for (const Known& known : known_)
        if (!found && SameText(known.key, numbered)) found = Made(known.zone);
    ReleaseSRWLockExclusive(&lock_);
    return found;
}

const ical::Zone& WindowsZones::Local() const {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) zone = {};
    AcquireSRWLockExclusive(&lock_);
    const WindowsZone* local = Made(zone);
    ReleaseSRWLockExclusive(&lock_);
    return *local;
}
