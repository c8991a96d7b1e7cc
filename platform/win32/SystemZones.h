#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ical/Zones.h"

// Windows' time zones for the calendar's times. Each year's rules come from
// GetTimeZoneInformationForYear (the registry's "Dynamic DST" where a zone
// has one), asked once per zone and year; the arithmetic is done here, for
// Wine 8 ends the program in SystemTimeToTzSpecificLocalTimeEx and
// TzSpecificLocalTimeToSystemTimeEx, and the other conversions read a
// skipped or repeated hour by rules of their own.
class WindowsZone final : public ical::Zone {
public:
    // The zone a DYNAMIC_TIME_ZONE_INFORMATION describes: its key's yearly
    // rules, else its own fields. With daylight saving disabled (the user's
    // choice for the local zone) standard time holds all year.
    explicit WindowsZone(const DYNAMIC_TIME_ZONE_INFORMATION& zone) : zone_(zone) {}
    int64_t ToUtc(const ical::LocalDateTime& wall) const override;
    ical::LocalDateTime ToWall(int64_t utcSeconds) const override;
    int32_t OffsetAt(int64_t utcSeconds) const;  // seconds east of UTC
    const DYNAMIC_TIME_ZONE_INFORMATION& Information() const { return zone_; }

private:
    struct Year {
        int32_t year;
        int32_t standard, daylight;  // offsets east of UTC, in seconds
        bool changes;                // whether the clocks change this year
        SYSTEMTIME toDaylight, toStandard;
    };
    Year Rules(int32_t year) const;
    static int32_t OffsetIn(const Year& rules, int64_t utcSeconds);

    DYNAMIC_TIME_ZONE_INFORMATION zone_;
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    mutable std::vector<Year> years_;
};

// The zones the registry lists (the keys under "Time Zones" in HKLM's
// SOFTWARE\Microsoft\Windows NT\CurrentVersion), read at the first name asked for; each zone made once and kept
// as long as this object. Callable from any thread.
class WindowsZones final : public ical::SystemZones {
public:
    WindowsZones() = default;
    WindowsZones(const WindowsZones&) = delete;
    WindowsZones& operator=(const WindowsZones&) = delete;
    // The zone's key ("W. Europe Standard Time"), also with a number after a
    // space as Outlook writes it ("W. Europe Standard Time 1"), or its
    // display name in the registry (Display, or MUI_Display in the user's
    // language); in any case.
    const ical::Zone* ByWindowsName(std::string_view keyOrDisplayName) const override;
    // The user's zone as Windows has it now (it may change while the program runs).
    const ical::Zone& Local() const override;

private:
    struct Known {
        std::wstring key, display, localDisplay;
        DYNAMIC_TIME_ZONE_INFORMATION zone;
    };
    void ReadRegistry() const;                                                 // with lock_ held
    const WindowsZone* Made(const DYNAMIC_TIME_ZONE_INFORMATION& zone) const;  // with lock_ held

    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    mutable bool read_ = false;
    mutable std::vector<Known> known_;
    mutable std::vector<std::unique_ptr<WindowsZone>> made_;
};
