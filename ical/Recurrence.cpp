#include "ical/Recurrence.h"

#include <algorithm>

namespace ical {
namespace {

// ---- Reading an RRULE value ----

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// A decimal number with an optional sign, within [low, high].
std::optional<int64_t> ReadNumber(std::string_view text, int64_t low, int64_t high) {
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
    if (text.empty() || text.size() > 18) return std::nullopt;  // 18 digits cannot overflow
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// Lists that count from the end with negative numbers have no zero.
bool ReadList(std::string_view text, int32_t low, int32_t high, std::vector<int32_t>& out) {
    while (true) {
        const size_t comma = text.find(',');
        const std::optional<int64_t> n = ReadNumber(text.substr(0, comma), low, high);
        if (!n || (low < 0 && *n == 0)) return false;
        out.push_back(static_cast<int32_t>(*n));
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

constexpr std::string_view kWeekdays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

std::optional<int32_t> ReadWeekday(std::string_view text) {
    for (int32_t i = 0; i < 7; ++i)
        if (SameName(text, kWeekdays[i])) return i;
    return std::nullopt;
}

bool ReadDays(std::string_view text, std::vector<WeekdayNum>& out) {
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (item.size() < 2) return false;
        const std::optional<int32_t> weekday = ReadWeekday(item.substr(item.size() - 2));
        const std::string_view ordinal = item.substr(0, item.size() - 2);
        const std::optional<int64_t> n = ordinal.empty() ? 0 : ReadNumber(ordinal, -53, 53);
        if (!weekday || !n || (!ordinal.empty() && *n == 0)) return false;
        out.push_back({static_cast<int32_t>(*n), *weekday});
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

// YYYYMMDD, or YYYYMMDDTHHMMSS with an optional Z.
bool ReadUntil(std::string_view text, RecurrenceRule& rule) {
    auto digits = [&](size_t at, size_t n) -> int32_t {
        const std::optional<int64_t> v = ReadNumber(text.substr(at, n), 0, 9999);
        return v && text[at] != '+' && text[at] != '-' ? static_cast<int32_t>(*v) : -1;
    };
    const bool isDate = text.size() == 8;
    const bool isUtc = text.size() == 16 && Upper(text[15]) == 'Z';
    if (!isDate && text.size() != 15 && !isUtc) return false;
    if (!isDate && Upper(text[8]) != 'T') return false;
    LocalDateTime at{digits(0, 4), digits(4, 2), digits(6, 2)};
    if (!isDate) at.hour = digits(9, 2), at.minute = digits(11, 2), at.second = digits(13, 2);
    if (at.year < 0 || at.month < 1 || at.day < 1 || at.day > DaysInMonth(at.year, at.month)) return false;
    if (at.hour < 0 || at.hour > 23 || at.minute < 0 || at.minute > 59 || at.second < 0 || at.second > 60) return false;
    rule.until = at, rule.untilIsDate = isDate, rule.untilIsUtc = isUtc;
    return true;
}

constexpr std::string_view kFrequencies[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
enum Part {
    kFreq,
    kUntil,
    kCount,
    kInterval,
    kBySecond,
    kByMinute,
    kByHour,
    kByDay,
    kByMonthDay,
    kByYearDay,
    kByWeekNo,
    kByMonth,
    kBySetPos,
    kWkst,
    kParts
};
constexpr std::string_view kPartNames[kParts] = {"FREQ",     "UNTIL",   "COUNT",    "INTERVAL",   "BYSECOND",
                                                 "BYMINUTE", "BYHOUR",  "BYDAY",    "BYMONTHDAY", "BYYEARDAY",
                                                 "BYWEEKNO", "BYMONTH", "BYSETPOS", "WKST"};

bool ReadPart(std::string_view name, std::string_view text, RecurrenceRule& rule, uint32_t& seen) {
    int part = 0;
    while (part < kParts && !SameName(name, kPartNames[part])) ++part;
    if (part == kParts) return true;  // X-names and parts this reader does not know
    // A part written twice is refused, as COUNT with UNTIL is: which one the
    // writer meant cannot be told.
    if (seen & (1u << part)) return false;
    seen |= 1u << part;
    switch (part) {
        case kFreq:
            for (int32_t i = 0; i < 7; ++i)
                if (SameName(text, kFrequencies[i])) return rule.freq = static_cast<Frequency>(i), true;
            return false;
        case kUntil: return ReadUntil(text, rule);
        case kCount: return (rule.count = ReadNumber(text, 1, INT64_MAX)).has_value();
        case kInterval: {
            const std::optional<int64_t> n = ReadNumber(text, 1, INT32_MAX);
            rule.interval = static_cast<int32_t>(n.value_or(1));
            return n.has_value();
        }
        case kBySecond: return ReadList(text, 0, 60, rule.bySecond);  // 60: a leap second
        case kByMinute: return ReadList(text, 0, 59, rule.byMinute);
        case kByHour: return ReadList(text, 0, 23, rule.byHour);
        case kByDay: return ReadDays(text, rule.byDay);
        case kByMonthDay: return ReadList(text, -31, 31, rule.byMonthDay);
        case kByYearDay: return ReadList(text, -366, 366, rule.byYearDay);
        case kByWeekNo: return ReadList(text, -53, 53, rule.byWeekNo);
        case kByMonth: return ReadList(text, 1, 12, rule.byMonth);
        case kBySetPos: return ReadList(text, -366, 366, rule.bySetPos);
        default: {
            const std::optional<int32_t> weekday = ReadWeekday(text);
            rule.weekStart = weekday.value_or(0);
            return weekday.has_value();
        }
    }
}

bool AllWithin(const std::vector<int32_t>& list, int32_t low, int32_t high) {
    return std::all_of(list.begin(), list.end(), [&](int32_t v) { return v >= low && v <= high && (low >= 0 || v); });
}

// What both ParseRule and Expand require of a rule. The parts that RFC 5545
// says not to use with a FREQ (BYWEEKNO other than YEARLY, BYYEARDAY with
// DAILY to MONTHLY, BYMONTHDAY with WEEKLY) still limit as their names say,
// so they are kept; an ordinal BYDAY has no month or year to count in below
// MONTHLY, so it is refused.
bool Valid(const RecurrenceRule& r) {
    if (r.freq < Frequency::Secondly || r.freq > Frequency::Yearly) return false;
    if (r.interval < 1 || (r.count && r.until) || (r.count && *r.count < 1)) return false;
    if (r.weekStart < 0 || r.weekStart > 6) return false;
    const bool ordinals = r.freq == Frequency::Monthly || r.freq == Frequency::Yearly;
    for (const WeekdayNum& d : r.byDay)
        if (d.weekday < 0 || d.weekday > 6 || d.ordinal < -53 || d.ordinal > 53 || (d.ordinal && !ordinals))
            return false;
    return AllWithin(r.bySecond, 0, 60) && AllWithin(r.byMinute, 0, 59) && AllWithin(r.byHour, 0, 23) &&
           AllWithin(r.byMonthDay, -31, 31) && AllWithin(r.byYearDay, -366, 366) && AllWithin(r.byWeekNo, -53, 53) &&
           AllWithin(r.byMonth, 1, 12) && AllWithin(r.bySetPos, -366, 366);
}

}  // namespace

std::optional<RecurrenceRule> ParseRule(std::string_view value) {
    RecurrenceRule rule;
    uint32_t seen = 0;
    while (true) {
        const size_t end = value.find(';');
        const std::string_view part = value.substr(0, end);
        const size_t equals = part.find('=');
        // An empty part (a trailing semicolon) is as good as none.
        if (!part.empty() && (equals == std::string_view::npos ||
                              !ReadPart(part.substr(0, equals), part.substr(equals + 1), rule, seen)))
            return std::nullopt;
        if (end == std::string_view::npos) break;
        value.remove_prefix(end + 1);
    }
    if (!(seen & (1u << kFreq)) || !Valid(rule)) return std::nullopt;
    return rule;
}

namespace {

// ---- Expanding a rule ----

constexpr int64_t kDay = 86400;
// Years beyond these are no calendar's; keeping to them keeps every sum far
// from overflowing.
constexpr int32_t kFirstYear = -1000000, kLastYear = 1000000;
// Periods and days looked at before giving up (and saying `cut`): a COUNT
// must be counted from dtstart, but not for ever. A million reaches some
// 2,700 years of a DAILY to YEARLY rule, a century of an HOURLY one, eleven
// days of a SECONDLY one.
constexpr int64_t kMostWork = 1000000;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }
int32_t WeekdayOf(int64_t day) { return static_cast<int32_t>(((day % 7) + 7 + 3) % 7); }  // 1970-01-01, a Thursday

bool Has(const std::vector<int32_t>& sorted, int32_t v) { return std::binary_search(sorted.begin(), sorted.end(), v); }

// The first day of week 1 of `year`: the week that holds 4 January holds at
// least four days of the year, whatever day weeks start on (RFC 5545, BYWEEKNO).
int64_t FirstWeekDay(int64_t year, int32_t weekStart) {
    const int64_t fourth = DaysFromCivil(static_cast<int32_t>(year), 1, 4);
    return fourth - (WeekdayOf(fourth) - weekStart + 7) % 7;
}

struct DayFacts {
    int64_t number;
    int32_t year, month, day, weekday, yearDay, daysInMonth, daysInYear;
};

DayFacts Facts(int64_t number) {
    const LocalDateTime d = CivilFromDays(number);
    DayFacts f{number, d.year, d.month, d.day, WeekdayOf(number), 0, DaysInMonth(d.year, d.month), 365};
    f.yearDay = static_cast<int32_t>(number - DaysFromCivil(d.year, 1, 1) + 1);
    if (IsLeapYear(d.year)) f.daysInYear = 366;
    return f;
}

std::vector<int32_t> Sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

// A time of day's part: the rule's list, or dtstart's where it has none; no
// wall clock shows a 60th second.
std::vector<int32_t> TimeSet(const std::vector<int32_t>& by, int32_t fromStart, int32_t highest) {
    std::vector<int32_t> v = by.empty() ? std::vector<int32_t>{fromStart} : by;
    v.erase(std::remove_if(v.begin(), v.end(), [&](int32_t x) { return x > highest; }), v.end());
    return Sorted(std::move(v));
}

class Expander {
public:
    Expander(const RecurrenceRule& rule, const LocalDateTime& dtstart, bool dateOnly,
             std::optional<LocalDateTime> untilWall, const LocalDateTime& from, const LocalDateTime& to, size_t limit);
    Expansion Run();

private:
    bool SubDaily() const { return rule_.freq <= Frequency::Hourly; }
    bool DayMatches(const DayFacts& f) const;
    bool WeekdayMatches(const WeekdayNum& entry, const DayFacts& f) const;
    bool WeekMatches(const DayFacts& f) const;
    int64_t FirstPeriod() const;
    int64_t SubDailyPeriod(int64_t k);
    int64_t NextChance(int64_t at) const;
    int64_t DayPeriod(int64_t k);
    std::optional<int64_t> FirstDay(int64_t k) const;
    void FillDays(int64_t k, int64_t firstDay);
    void TakePeriod(int32_t base);
    void TakeDay(int64_t day, int32_t base);
    bool Take(int64_t key);
    bool Stop() { return done_ = true, false; }

    const RecurrenceRule& rule_;
    const bool dateOnly_, valid_;
    bool startValid_ = false;
    const size_t limit_;
    LocalDateTime start_;
    int64_t startKey_ = 0, fromKey_ = 0, toKey_ = 0;  // wall seconds
    std::optional<int64_t> untilKey_, remaining_;     // remaining_: COUNT less the occurrences taken
    std::vector<int32_t> hours_, minutes_, seconds_, months_, monthsOfYear_;
    std::vector<int32_t> offsets_;  // seconds after a period's base at which its occurrences fall
    int64_t step_ = 1, base_ = 0;   // below DAILY: the periods start `step_` seconds apart from base_
    int64_t day0_ = 0, week0_ = 0, month0_ = 0, year0_ = 0;
    std::vector<int64_t> days_;  // the current period's days, ascending
    int64_t lastKey_ = 0, work_ = 0;
    bool done_ = false, anyDayLimit_ = false;
    Expansion out_;
};

bool ValidTime(const LocalDateTime& t) {
    return t.year >= kFirstYear && t.year <= kLastYear && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 59;
}

int64_t Clamped(const LocalDateTime& t) {
    return std::clamp(WallSeconds(t), WallSeconds({kFirstYear, 1, 1}), WallSeconds({kLastYear, 1, 1}));
}

Expander::Expander(const RecurrenceRule& rule, const LocalDateTime& dtstart, bool dateOnly,
                   std::optional<LocalDateTime> untilWall, const LocalDateTime& from, const LocalDateTime& to,
                   size_t limit)
    : rule_(rule), dateOnly_(dateOnly), valid_(Valid(rule)), limit_(limit), start_(dtstart) {
    // An all-day event's times are all midnight, its UNTIL a date.
    if (dateOnly_) start_.hour = start_.minute = start_.second = 0;
    // A dtstart that is no wall time, or past the years kept to, yields
    // nothing, not even itself.
    startValid_ = ValidTime(start_);
    // The caller should say UNTIL in wall time; read as written otherwise.
    if (!untilWall) untilWall = rule.until;
    startKey_ = lastKey_ = WallSeconds(start_), fromKey_ = Clamped(from), toKey_ = Clamped(to);
    if (untilWall) untilKey_ = dateOnly_ ? FloorDiv(WallSeconds(*untilWall), kDay) * kDay : WallSeconds(*untilWall);
    if (rule.count) remaining_ = *rule.count - 1;
    if (!valid_ || !startValid_) return;
    hours_ = TimeSet(rule.byHour, start_.hour, 23), minutes_ = TimeSet(rule.byMinute, start_.minute, 59);
    seconds_ = TimeSet(rule.bySecond, start_.second, 59), months_ = Sorted(rule.byMonth);
    const bool dayParts =
        !rule.byWeekNo.empty() || !rule.byYearDay.empty() || !rule.byMonthDay.empty() || !rule.byDay.empty();
    anyDayLimit_ = dayParts || !months_.empty();
    monthsOfYear_ = !months_.empty() ? months_
                    : dayParts       ? std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}
                                     : std::vector<int32_t>{start_.month};
    // The parts of the time of day finer than FREQ expand: the offsets are
    // their every combination, ascending.
    offsets_ = {0};
    auto spread = [&](const std::vector<int32_t>& values, int32_t seconds) {
        std::vector<int32_t> next;
        for (const int32_t o : offsets_)
            for (const int32_t v : values) next.push_back(o + v * seconds);
        offsets_.swap(next);
    };
    if (!dateOnly_ && rule.freq > Frequency::Hourly) spread(hours_, 3600);
    if (!dateOnly_ && rule.freq > Frequency::Minutely) spread(minutes_, 60);
    if (!dateOnly_ && rule.freq > Frequency::Secondly) spread(seconds_, 1);
    const int64_t tod = startKey_ - FloorDiv(startKey_, kDay) * kDay;
    const int64_t unit = rule.freq == Frequency::Hourly ? 3600 : rule.freq == Frequency::Minutely ? 60 : 1;
    step_ = unit * rule.interval, base_ = startKey_ - tod % unit;
    day0_ = FloorDiv(startKey_, kDay), week0_ = day0_ - (WeekdayOf(day0_) - rule.weekStart + 7) % 7;
    month0_ = int64_t{start_.year} * 12 + start_.month - 1, year0_ = start_.year;
}

// Without COUNT nothing before the window matters: the walk starts at the
// period that holds `from` (for YEARLY the one before: its year of weeks may
// run into the first days of `from`'s year).
int64_t Expander::FirstPeriod() const {
    if (remaining_) return 0;
    const int64_t fromDay = FloorDiv(fromKey_, kDay), interval = rule_.interval;
    const LocalDateTime date = CivilFromDays(fromDay);
    int64_t k = 0;
    switch (rule_.freq) {
        case Frequency::Daily: k = FloorDiv(fromDay - day0_, interval); break;
        case Frequency::Weekly: k = FloorDiv(fromDay - week0_, 7 * interval); break;
        case Frequency::Monthly: k = FloorDiv(int64_t{date.year} * 12 + date.month - 1 - month0_, interval); break;
        case Frequency::Yearly: k = FloorDiv(int64_t{date.year} - 1 - year0_, interval); break;
        default: k = FloorDiv(fromKey_ - base_, step_); break;
    }
    return std::max<int64_t>(k, 0);
}

Expansion Expander::Run() {
    if (!startValid_) return out_;
    if (startKey_ >= fromKey_ && startKey_ < toKey_) {
        if (limit_ == 0)
            out_.cut = true;
        else
            out_.starts.push_back(start_);
    }
    // An UNTIL before the window or before dtstart leaves nothing more;
    // BYSECOND=60 alone names no second a wall clock shows.
    if (!valid_ || seconds_.empty() || (untilKey_ && *untilKey_ < std::max(fromKey_, startKey_ + 1))) return out_;
    for (int64_t k = FirstPeriod(); !done_;) {
        if (++work_ > kMostWork) {
            out_.cut = true;
            break;
        }
        k = SubDaily() ? SubDailyPeriod(k) : DayPeriod(k);
    }
    return out_;
}

// A period of a second, a minute or an hour; the next one worth a look.
int64_t Expander::SubDailyPeriod(int64_t k) {
    const int64_t at = base_ + k * step_;
    if (at >= toKey_ || (untilKey_ && at > *untilKey_)) {
        Stop();
        return k;
    }
    int64_t next = NextChance(at);
    if (next == at) {
        days_.assign(1, FloorDiv(at, kDay));
        TakePeriod(dateOnly_ ? 0 : static_cast<int32_t>(at - days_[0] * kDay));
        next = dateOnly_ ? (days_[0] + 1) * kDay : at + 1;  // an all-day event has one occurrence a day
    }
    return std::max(k + 1, CeilDiv(next - base_, step_));
}

// `at` when the period starting there can yield; else the first wall second
// worth a look after it, past the days, hours and minutes the rule rules out.
int64_t Expander::NextChance(int64_t at) const {
    const int64_t day = FloorDiv(at, kDay), midnight = day * kDay;
    if (anyDayLimit_ && !DayMatches(Facts(day))) return midnight + kDay;
    if (dateOnly_) return at;
    const int32_t tod = static_cast<int32_t>(at - midnight), h = tod / 3600, m = tod / 60 % 60, s = tod % 60;
    auto after = [](const std::vector<int32_t>& sorted, int32_t v) {
        const auto it = std::upper_bound(sorted.begin(), sorted.end(), v);
        return it == sorted.end() ? -1 : *it;
    };
    if (!rule_.byHour.empty() && !Has(hours_, h)) {
        const int32_t n = after(hours_, h);
        return n < 0 ? midnight + kDay : midnight + n * 3600;
    }
    const int64_t hour = midnight + h * 3600;
    if (rule_.freq <= Frequency::Minutely && !rule_.byMinute.empty() && !Has(minutes_, m)) {
        const int32_t n = after(minutes_, m);
        return n < 0 ? hour + 3600 : hour + n * 60;
    }
    const int64_t minute = hour + m * 60;
    if (rule_.freq == Frequency::Secondly && !rule_.bySecond.empty() && !Has(seconds_, s)) {
        const int32_t n = after(seconds_, s);
        return n < 0 ? minute + 60 : minute + n;
    }
    return at;
}

// A period of a day or more: its days, then its occurrences; the next period.
int64_t Expander::DayPeriod(int64_t k) {
    const std::optional<int64_t> first = FirstDay(k);
    if (!first || *first * kDay >= toKey_ || (untilKey_ && *first * kDay > *untilKey_)) {
        Stop();
        return k;
    }
    days_.clear();
    FillDays(k, *first);
    if (!days_.empty()) TakePeriod(0);
    return k + 1;
}

// The first day the period can hold; none past the years kept to.
std::optional<int64_t> Expander::FirstDay(int64_t k) const {
    const int64_t n = k * rule_.interval;
    switch (rule_.freq) {
        case Frequency::Daily: return day0_ + n;
        case Frequency::Weekly: return week0_ + 7 * n;
        case Frequency::Monthly: {
            const int64_t year = FloorDiv(month0_ + n, 12);
            if (year > kLastYear) return std::nullopt;
            return DaysFromCivil(static_cast<int32_t>(year), static_cast<int32_t>(month0_ + n - year * 12 + 1), 1);
        }
        default: {
            const int64_t year = year0_ + n;
            if (year > kLastYear) return std::nullopt;
            return rule_.byWeekNo.empty() ? DaysFromCivil(static_cast<int32_t>(year), 1, 1)
                                          : FirstWeekDay(year, rule_.weekStart);
        }
    }
}

void Expander::FillDays(int64_t k, int64_t first) {
    const int64_t n = k * rule_.interval;
    auto scan = [&](int64_t from, int64_t days) {
        work_ += days;
        for (int64_t d = from; d < from + days; ++d)
            if (DayMatches(Facts(d))) days_.push_back(d);
    };
    auto scanMonth = [&](int64_t year, int32_t month) {
        const int32_t y = static_cast<int32_t>(year);
        scan(DaysFromCivil(y, month, 1), DaysInMonth(y, month));
    };
    switch (rule_.freq) {
        case Frequency::Daily: scan(first, 1); break;
        case Frequency::Weekly: scan(first, 7); break;
        case Frequency::Monthly: {
            const int64_t year = FloorDiv(month0_ + n, 12);
            const int32_t month = static_cast<int32_t>(month0_ + n - year * 12 + 1);
            if (months_.empty() || Has(months_, month)) scanMonth(year, month);
            break;
        }
        default: {
            const int64_t year = year0_ + n;
            if (rule_.byWeekNo.empty()) {
                for (const int32_t month : monthsOfYear_) scanMonth(year, month);
                break;
            }
            // A year of weeks: its weeks 1 to 52 or 53, from its first day on.
            const int64_t weeks = (FirstWeekDay(year + 1, rule_.weekStart) - first) / 7;
            std::vector<int32_t> chosen;
            for (const int32_t w : rule_.byWeekNo) chosen.push_back(static_cast<int32_t>(w > 0 ? w : weeks + 1 + w));
            for (const int32_t w : Sorted(std::move(chosen)))
                if (w >= 1 && w <= weeks) scan(first + 7 * (w - 1), 7);
        }
    }
}

// Whether a day of the period is one of the rule's. Every BYxxx part of days
// that is there must allow it, whether RFC 5545 has it expand the period or
// limit it: expanding the period's days and then limiting them is the same
// as keeping the days all the parts allow. Where the rule names no day,
// dtstart's stands in.
bool Expander::DayMatches(const DayFacts& f) const {
    auto listed = [](const std::vector<int32_t>& by, int32_t v, int32_t length) {
        return by.empty() || std::find(by.begin(), by.end(), v) != by.end() ||
               std::find(by.begin(), by.end(), v - length - 1) != by.end();
    };
    if (!months_.empty() && !Has(months_, f.month)) return false;
    if (!listed(rule_.byMonthDay, f.day, f.daysInMonth) || !listed(rule_.byYearDay, f.yearDay, f.daysInYear))
        return false;
    // YEARLY takes its days from the weeks themselves (FillDays).
    if (!rule_.byWeekNo.empty() && rule_.freq != Frequency::Yearly && !WeekMatches(f)) return false;
    if (!rule_.byDay.empty())
        return std::any_of(rule_.byDay.begin(), rule_.byDay.end(),
                           [&](const WeekdayNum& e) { return WeekdayMatches(e, f); });
    switch (rule_.freq) {
        case Frequency::Weekly: return f.weekday == WeekdayOf(day0_);
        case Frequency::Monthly: return !rule_.byMonthDay.empty() || f.day == start_.day;
        case Frequency::Yearly:
            return !rule_.byWeekNo.empty() || !rule_.byYearDay.empty() || !rule_.byMonthDay.empty() ||
                   (f.day == start_.day && (!months_.empty() || f.month == start_.month));
        default: return true;
    }
}

bool Expander::WeekdayMatches(const WeekdayNum& e, const DayFacts& f) const {
    if (e.weekday != f.weekday) return false;
    if (e.ordinal == 0) return true;
    // Within the month for MONTHLY, and for YEARLY with BYMONTH (RFC 5545);
    // else within the year.
    const bool inMonth = rule_.freq == Frequency::Monthly || !months_.empty();
    const int32_t index = inMonth ? f.day - 1 : f.yearDay - 1, length = inMonth ? f.daysInMonth : f.daysInYear;
    return e.ordinal > 0 ? index / 7 + 1 == e.ordinal : (length - 1 - index) / 7 + 1 == -e.ordinal;
}

// BYWEEKNO below YEARLY: the week of the day's own year of weeks.
bool Expander::WeekMatches(const DayFacts& f) const {
    int64_t year = f.year, first = FirstWeekDay(year, rule_.weekStart);
    if (f.number < first) first = FirstWeekDay(--year, rule_.weekStart);
    int64_t next = FirstWeekDay(year + 1, rule_.weekStart);
    if (f.number >= next) first = next, next = FirstWeekDay(++year + 1, rule_.weekStart);
    const int32_t week = static_cast<int32_t>((f.number - first) / 7 + 1);
    const int32_t weeks = static_cast<int32_t>((next - first) / 7);
    return std::find(rule_.byWeekNo.begin(), rule_.byWeekNo.end(), week) != rule_.byWeekNo.end() ||
           std::find(rule_.byWeekNo.begin(), rule_.byWeekNo.end(), week - weeks - 1) != rule_.byWeekNo.end();
}

// The period's occurrences are its days by the offsets, in order; BYSETPOS
// picks from them by their places.
void Expander::TakePeriod(int32_t base) {
    if (rule_.bySetPos.empty()) {
        for (size_t i = 0; i < days_.size() && !done_; ++i) TakeDay(days_[i], base);
        return;
    }
    const int64_t width = static_cast<int64_t>(offsets_.size()), total = static_cast<int64_t>(days_.size()) * width;
    std::vector<int64_t> picked;
    for (const int32_t p : rule_.bySetPos) {
        const int64_t i = p > 0 ? p - 1 : total + p;
        if (i >= 0 && i < total) picked.push_back(days_[i / width] * kDay + base + offsets_[i % width]);
    }
    std::sort(picked.begin(), picked.end());
    for (size_t i = 0; i < picked.size() && Take(picked[i]); ++i) {}
}

// A day's occurrences. Those before the window only count towards COUNT:
// they are counted in one sum, not one by one.
void Expander::TakeDay(int64_t day, int32_t base) {
    const int64_t at = day * kDay + base;
    size_t i = std::upper_bound(offsets_.begin(), offsets_.end(), lastKey_ - at) - offsets_.begin();
    const size_t j = std::lower_bound(offsets_.begin(), offsets_.end(), fromKey_ - at) - offsets_.begin();
    if (j > i) {
        if (remaining_) {
            if (static_cast<int64_t>(j - i) > *remaining_) {
                Stop();
                return;
            }
            *remaining_ -= static_cast<int64_t>(j - i);
        }
        lastKey_ = at + offsets_[j - 1], i = j;
    }
    while (i < offsets_.size() && Take(at + offsets_[i])) ++i;
}

// The next candidate, later than the last; false once the rule or the window
// has ended.
bool Expander::Take(int64_t key) {
    if (key <= lastKey_) return true;
    if (key >= toKey_ || (untilKey_ && key > *untilKey_) || (remaining_ && *remaining_ == 0)) return Stop();
    lastKey_ = key;
    if (remaining_) --*remaining_;
    if (key < fromKey_) return true;
    if (out_.starts.size() >= limit_) {
        out_.cut = true;
        return Stop();
    }
    out_.starts.push_back(FromWallSeconds(key));
    return true;
}

}  // namespace

Expansion Expand(const RecurrenceRule& rule, const LocalDateTime& dtstart, bool dateOnly,
                 std::optional<LocalDateTime> untilWall, const LocalDateTime& from, const LocalDateTime& to,
                 size_t limit) {
    return Expander(rule, dtstart, dateOnly, untilWall, from, to, limit).Run();
}

}  // namespace ical
