#pragma once
#include <cstddef>
#include <cstdint>

// CLDR's table of Windows zones, generated at build time by
// ical/make_windows_zones.py: every name in kNames, each list sorted by its
// names in lower case.
namespace ical::windows_zones {

struct Name {
    uint16_t at;     // offset in kNames
    uint8_t size;    // bytes
    uint16_t other;  // kWindows: its zone in kIana (territory 001); kIana, kDisplay: its key in kWindows
};

// Unpacked from the packed form the program keeps by UnpackNames(), which
// a look-up calls first (it does the work once).
extern char kNames[];
void UnpackNames();
extern const Name kWindows[], kIana[], kDisplay[];
extern const size_t kWindowsCount, kIanaCount, kDisplayCount;

}  // namespace ical::windows_zones
