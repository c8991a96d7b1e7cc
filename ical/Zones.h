#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ical/Calendar.h"
#include "ical/Time.h"

// Time zones: what a wall time in a zone is in UTC and back. The platform
// provides its own zones (SystemZones: Windows' on Windows, the machine's
// zoneinfo in the native tool); a calendar's VTIMEZONE definitions are
// evaluated here, and a TZID is resolved in this order: the file's own
// VTIMEZONE, a Windows zone name, an IANA name through CLDR's table of
// Windows zones, else the user's local time (counted).
namespace ical {

class Zone {
public:
    virtual ~Zone() = default;
    // A wall time the clocks skip is read with the offset before the change
    // (02:30 on a spring-forward day is 03:30 after it, RFC 5545 3.3.5); a
    // repeated one is its first instant.
    virtual int64_t ToUtc(const LocalDateTime& wall) const = 0;
    virtual LocalDateTime ToWall(int64_t utcSeconds) const = 0;
};

class SystemZones {
public:
    virtual ~SystemZones() = default;
    // A Windows zone by its key ("W. Europe Standard Time") or its display
    // name ("(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna");
    // nullptr when unknown. The zone lives as long as this object.
    virtual const Zone* ByWindowsName(std::string_view keyOrDisplayName) const = 0;
    virtual const Zone& Local() const = 0;
};

const Zone& Utc();

// The Windows zone CLDR's table maps an IANA name to (any of its
// territories), and the IANA name it gives a Windows zone for territory
// "001"; empty when the table has none.
std::string_view WindowsZoneOfIana(std::string_view iana);
std::string_view IanaZoneOfWindows(std::string_view windowsKey);
// The Windows key of an English display name, as the table's comments give
// them ("(UTC+01:00) Amsterdam, Berlin, ..."; "(GMT+01:00) ..." alike);
// empty when unknown. Windows' own display names are in the user's language.
std::string_view WindowsKeyOfDisplayName(std::string_view displayName);

// The IANA name in a TZID as Thunderbird and other programs write it, with
// a vendor prefix ("/mozilla.org/20070129_1/Europe/Berlin"): the part the
// table knows, else the TZID unchanged.
std::string_view WithoutVendorPrefix(std::string_view tzid);

// A VTIMEZONE's observances, evaluated: the onset in effect at an instant is
// the latest at or before it, whatever STANDARD or DAYLIGHT it is labelled;
// before the first, the first's offsetFrom holds. Cost per call does not
// depend on how far back the definition starts (Outlook writes 1601).
class DefinedZone final : public Zone {
public:
    explicit DefinedZone(const TimeZoneDefinition& definition);
    int64_t ToUtc(const LocalDateTime& wall) const override;
    LocalDateTime ToWall(int64_t utcSeconds) const override;
    int32_t OffsetAt(int64_t utcSeconds) const;
    std::string_view Tzid() const { return definition_->tzid; }

private:
    const TimeZoneDefinition* definition_;
};

// The UTC instant of a wall time for any zone that can say its offset at an
// instant, by the rules Zone::ToUtc states.
template <typename OffsetAt>
int64_t UtcOfWall(const LocalDateTime& wall, const OffsetAt& offsetAt) {
    const int64_t w = WallSeconds(wall);
    const int64_t before = offsetAt(w - 86400), after = offsetAt(w + 86400);
    const bool beforeHolds = offsetAt(w - before) == before, afterHolds = offsetAt(w - after) == after;
    if (beforeHolds && afterHolds) return w - (before > after ? before : after);  // repeated: the first
    if (afterHolds) return w - after;
    return w - before;  // skipped (or in no zone's rules): the offset before the change
}

// Every TZID of a calendar (and its X-WR-TIMEZONE) resolved once.
struct ResolvedZones {
    std::vector<const Zone*> byTzid;                    // as Calendar::tzids, never null: the local zone when unknown
    const Zone* floating = nullptr;                     // X-WR-TIMEZONE's zone, else the local one
    std::vector<std::string_view> unknown;              // TZIDs read as the user's local time
    std::vector<std::unique_ptr<DefinedZone>> defined;  // the VTIMEZONEs with observances, by TZID
};

ResolvedZones ResolveZones(const Calendar& calendar, const SystemZones& system);

// The zone a TZID names, in the order above; nullptr when none knows it.
const Zone* ResolveTzid(std::string_view tzid, const ResolvedZones& defined, const Calendar& calendar,
                        const SystemZones& system);

}  // namespace ical
