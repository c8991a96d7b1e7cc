#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "ical/Zones.h"

// The zones of this machine (not Windows): its zoneinfo files (TZif, RFC
// 8536) under $TZDIR or /usr/share/zoneinfo, a Windows name mapped to IANA
// through CLDR's territory "001" entries. For the native tool and the tests.
namespace machine_zones {

class MachineZones final : public ical::SystemZones {
public:
    // The local zone from TZ (a zoneinfo name, a file, or a POSIX TZ string),
    // else /etc/localtime, else UTC.
    MachineZones();
    // The local zone by its IANA name (the tests' user).
    explicit MachineZones(std::string_view localIana);
    ~MachineZones() override;

    const ical::Zone* ByWindowsName(std::string_view keyOrDisplayName) const override;
    const ical::Zone& Local() const override { return *local_; }
    // nullptr when the machine has no such zone.
    const ical::Zone* ByIana(std::string_view iana) const;

private:
    std::unique_ptr<ical::Zone> local_;
    mutable std::map<std::string, std::unique_ptr<ical::Zone>, std::less<>> loaded_;
};

// A zone from a TZif file's bytes, or a POSIX TZ string ("CET-1CEST,M3.5.0,M10.5.0/3");
// nullptr when they cannot be read.
std::unique_ptr<ical::Zone> ZoneFromTzif(std::string_view bytes);
std::unique_ptr<ical::Zone> ZoneFromPosix(std::string_view tz);

}  // namespace machine_zones
