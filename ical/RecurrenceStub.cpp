// Stands in for ical/Recurrence.cpp until it is merged: a rule is read as
// far as the parts a VTIMEZONE's rules use, and expands to its first start
// only. Delete this file (and its line in CMakeLists.txt) when the real one
// lands.
#include <string_view>

#include "ical/Recurrence.h"

namespace ical {

namespace {

bool Number(std::string_view s, int32_t& out) {
    int32_t sign = 1;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) sign = s[0] == '-' ? -1 : 1, s.remove_prefix(1);
    if (s.empty() || s.size() > 9) return false;
    out = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    out *= sign;
    return true;
}

}  // namespace

std::optional<RecurrenceRule> ParseRule(std::string_view value) {
    static constexpr std::string_view kFreq[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY",
                                                 "WEEKLY",   "MONTHLY",  "YEARLY"};
    static constexpr std::string_view kDays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
    RecurrenceRule rule;
    bool freq = false;
    while (!value.empty()) {
        const std::string_view part = value.substr(0, value.find(';'));
        value.remove_prefix(part.size() < value.size() ? part.size() + 1 : part.size());
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view name = part.substr(0, eq), v = part.substr(eq + 1);
        int32_t n = 0;
        if (name == "FREQ") {
            for (size_t i = 0; i < 7; ++i)
                if (v == kFreq[i]) rule.freq = static_cast<Frequency>(i), freq = true;
        } else if (name == "INTERVAL") {
            if (!Number(v, n) || n < 1) return std::nullopt;
            rule.interval = n;
        } else if (name == "COUNT") {
            if (!Number(v, n) || n < 1) return std::nullopt;
            rule.count = n;
        } else if (name == "BYMONTH") {
            if (!Number(v, n)) return std::nullopt;
            rule.byMonth.push_back(n);
        } else if (name == "BYMONTHDAY") {
            if (!Number(v, n)) return std::nullopt;
            rule.byMonthDay.push_back(n);
        } else if (name == "BYDAY") {
            for (std::string_view rest = v; !rest.empty();) {
                const std::string_view day = rest.substr(0, rest.find(','));
                rest.remove_prefix(day.size() < rest.size() ? day.size() + 1 : day.size());
                if (day.size() < 2) return std::nullopt;
                WeekdayNum wd;
                if (day.size() > 2 && !Number(day.substr(0, day.size() - 2), wd.ordinal)) return std::nullopt;
                wd.weekday = -1;
                for (int32_t i = 0; i < 7; ++i)
                    if (day.substr(day.size() - 2) == kDays[i]) wd.weekday = i;
                if (wd.weekday < 0) return std::nullopt;
                rule.byDay.push_back(wd);
            }
        } else if (name == "UNTIL") {
            int32_t date = 0, time = 0;
            if (v.size() < 8 || !Number(v.substr(0, 8), date)) return std::nullopt;
            rule.until = LocalDateTime{date / 10000, date / 100 % 100, date % 100};
            rule.untilIsDate = v.size() == 8;
            rule.untilIsUtc = v.size() == 16 && v[15] == 'Z';
            if (v.size() >= 15 && Number(v.substr(9, 6), time))
                rule.until->hour = time / 10000, rule.until->minute = time / 100 % 100, rule.until->second = time % 100;
        }
    }
    if (!freq) return std::nullopt;
    return rule;
}

Expansion Expand(const RecurrenceRule&, const LocalDateTime& dtstart, bool, std::optional<LocalDateTime>,
                 const LocalDateTime& from, const LocalDateTime& to, size_t limit) {
    Expansion out;
    if (dtstart >= from && dtstart < to && limit > 0) out.starts.push_back(dtstart);
    return out;
}

}  // namespace ical
