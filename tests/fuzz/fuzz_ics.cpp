// Any bytes read as a calendar, and its occurrences in a month found, in
// zones of the calendar's own (VTIMEZONE) and a fixed local one: no crash,
// no undefined behaviour, no run-away time or memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ical/Calendar.h"
#include "ical/Occurrences.h"
#include "ical/Zones.h"

namespace {

// A zone an hour ahead of UTC, known by every Windows name: the lookups run
// without the machine's zoneinfo.
class FixedZones final : public ical::SystemZones {
public:
    const ical::Zone* ByWindowsName(std::string_view name) const override { return name.empty() ? nullptr : &zone_; }
    const ical::Zone& Local() const override { return zone_; }

private:
    class Fixed final : public ical::Zone {
    public:
        int64_t ToUtc(const ical::LocalDateTime& wall) const override { return ical::WallSeconds(wall) - 3600; }
        ical::LocalDateTime ToWall(int64_t utc) const override { return ical::FromWallSeconds(utc + 3600); }
    } zone_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ical::Calendar calendar = ical::Read(std::string_view(reinterpret_cast<const char*>(data), size));
    const FixedZones zones;
    const ical::OccurrenceList list = ical::FindOccurrences(calendar, zones, {2026, 12, 1}, {2027, 1, 1});
    for (const ical::Occurrence& o : list.items) {
        const ical::DayRange days = ical::DaysTouched(o);
        if (days.last < days.first) __builtin_trap();
    }
    ical::FindOccurrences(calendar, zones, {2026, 12, 1}, {2027, 1, 1}, ical::WindowClock::AsWritten);
    return 0;
}
