#pragma once
#include <string>

#include "platform/FormEvents.h"

// What the icon shows and where the shortcut opens the calendar, as the
// stored text values "iconShows" ("calendar", "week", "day") and "opensOn"
// ("left", "working") say; absent or anything else, the calendar's icon
// and the place it was left, as always.
namespace icon_shows {

inline IconShows FromStored(const std::string& stored) {
    if (stored == "week") return IconShows::Week;
    if (stored == "day") return IconShows::Day;
    return IconShows::Calendar;
}

inline std::string StoredText(IconShows shows) {
    return shows == IconShows::Week ? "week" : shows == IconShows::Day ? "day" : "calendar";
}

}  // namespace icon_shows

namespace opens_on {

inline OpensOn FromStored(const std::string& stored) { return stored == "working" ? OpensOn::Working : OpensOn::Left; }

inline std::string StoredText(OpensOn where) { return where == OpensOn::Working ? "working" : "left"; }

}  // namespace opens_on
