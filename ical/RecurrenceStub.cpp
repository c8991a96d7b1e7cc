// Stands in for ical/Recurrence.cpp until it is merged: a rule is read as
// far as its FREQ, and expands to its first start only. Delete this file
// (and its line in CMakeLists.txt) when the real one lands.
#include <string_view>

#include "ical/Recurrence.h"

namespace ical {

std::optional<RecurrenceRule> ParseRule(std::string_view value) {
    static constexpr std::string_view kNames[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY",
                                                  "WEEKLY",   "MONTHLY",  "YEARLY"};
    const size_t at = value.find("FREQ=");
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view freq = value.substr(at + 5, value.find(';', at) - at - 5);
    for (size_t i = 0; i < 7; ++i) {
        if (freq != kNames[i]) continue;
        if (value.find("INTERVAL=0") != std::string_view::npos) return std::nullopt;
        RecurrenceRule rule;
        rule.freq = static_cast<Frequency>(i);
        return rule;
    }
    return std::nullopt;
}

Expansion Expand(const RecurrenceRule&, const LocalDateTime& dtstart, bool, std::optional<LocalDateTime>,
                 const LocalDateTime& from, const LocalDateTime& to, size_t limit) {
    Expansion out;
    if (dtstart >= from && dtstart < to && limit > 0) out.starts.push_back(dtstart);
    return out;
}

}  // namespace ical
