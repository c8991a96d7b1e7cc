#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/PlatformServices.h"

// The calendars the user added, each a local file or an address, stored as
// typed, one value each beside the window's others ("calendar1" to
// "calendar16"), so that an administrator can set them with `reg add`.
namespace calendars {

constexpr size_t kMostCalendars = 16;

struct Source {
    std::string typed;  // as the user typed or picked it, and as it is stored
    bool isAddress = false;
    std::string url;  // what is asked for: webcal:// read as https://
};

// What the typed text stands for: an address (https://, http://, webcal://,
// in any case) or a file's whole path (on a drive or a share); none for an
// address of another kind (ftp://, a bare host), a relative path, a device
// or an empty text.
std::optional<Source> Classify(const std::string& typed);

// What a line in the Settings window calls it before the calendar names
// itself: the file's name, or the address's host. Never the whole address,
// which for most services holds the secret that gives access.
std::string ShortName(const Source& source);

// The name the last good copy of an address is kept under: the same address
// always gives the same name, and a name gives nothing of the address away.
std::string CopyName(const std::string& typed);

// The stored calendars, in order; empty and unreadable values are passed over.
std::vector<Source> ReadStored(SettingsStore& store, const std::string& appName);
// The list written whole: the values past its end that hold a calendar are
// emptied, so that a removed one does not come back at the next start.
void WriteStored(SettingsStore& store, const std::string& appName, const std::vector<Source>& sources);

}  // namespace calendars
