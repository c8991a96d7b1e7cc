#pragma once
#include <string>

#include "platform/FormEvents.h"

// Which week numbers the calendar shows, as the stored text value
// "weekNumbers" beside "left" and "top" says: "0" none, "1" as the regional
// format counts them, "iso" ISO 8601's; absent or anything else, the
// regional format's, as the calendar always showed them.
namespace week_numbers {

inline WeekNumbering FromStored(const std::string& stored) {
    if (stored == "0") return WeekNumbering::None;
    if (stored == "iso") return WeekNumbering::Iso;
    return WeekNumbering::Regional;
}

inline std::string StoredText(WeekNumbering numbering) {
    switch (numbering) {
        case WeekNumbering::None: return "0";
        case WeekNumbering::Iso: return "iso";
        case WeekNumbering::Regional: break;
    }
    return "1";
}

}  // namespace week_numbers
