// ics_occurrences FILE FROM TO: the occurrences of an iCalendar file's events
// that overlap the dates [FROM, TO) (YYYYMMDD), one a line, by start:
// START<TAB>END<TAB>SUMMARY, each time as iCalendar writes it (YYYYMMDD,
// YYYYMMDDTHHMMSSZ converted to UTC, YYYYMMDDTHHMMSS floating). Dates and
// floating times are held against the window as written, UTC and zoned
// times against its days in UTC. What was skipped goes to standard error.
// Exit 0; 2 when the file cannot be read at all.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "ical/Calendar.h"
#include "ical/Occurrences.h"
#include "tools/MachineZones.h"

namespace {

bool ParseDate(const char* text, ical::LocalDateTime& out) {
    const std::string s(text);
    if (s.size() != 8 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    out = ical::LocalDateTime{std::stoi(s.substr(0, 4)), std::stoi(s.substr(4, 2)), std::stoi(s.substr(6, 2))};
    return out.month >= 1 && out.month <= 12 && out.day >= 1 && out.day <= ical::DaysInMonth(out.year, out.month);
}

std::string Format(const ical::DateTime& t, int64_t utc) {
    char buffer[32];
    ical::LocalDateTime w =
        t.kind == ical::TimeKind::Utc || t.kind == ical::TimeKind::Zoned ? ical::FromWallSeconds(utc) : t.wall;
    if (t.kind == ical::TimeKind::Date) {
        std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", w.year, w.month, w.day);
    } else {
        std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d%s", w.year, w.month, w.day, w.hour, w.minute,
                      w.second, t.kind == ical::TimeKind::Floating ? "" : "Z");
    }
    return buffer;
}

// A summary on one line: its line breaks as iCalendar escapes them.
std::string OneLine(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r' || c == '\t')
            out += ' ';
        else
            out += c;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    ical::LocalDateTime from, to;
    if (argc != 4 || !ParseDate(argv[2], from) || !ParseDate(argv[3], to)) {
        std::fprintf(stderr, "usage: ics_occurrences FILE FROM TO (dates YYYYMMDD, TO excluded)\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ics_occurrences: cannot open %s\n", argv[1]);
        return 2;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "ics_occurrences: cannot read %s\n", argv[1]);
        return 2;
    }
    const ical::Calendar calendar = ical::Read(bytes);
    if (!calendar.isCalendar) {
        std::fprintf(stderr, "ics_occurrences: %s is not a calendar\n", argv[1]);
        return 2;
    }
    const machine_zones::MachineZones zones;
    const ical::OccurrenceList list = ical::FindOccurrences(calendar, zones, from, to, ical::WindowClock::AsWritten);
    for (const ical::Occurrence& o : list.items) {
        std::printf("%s\t%s\t%s\n", Format(o.start, o.startUtc).c_str(), Format(o.end, o.endUtc).c_str(),
                    OneLine(o.summary).c_str());
    }
    for (const ical::Skip& s : calendar.skips) std::fprintf(stderr, "%s:%zu: %s\n", argv[1], s.line, s.reason);
    const size_t skipped = calendar.skippedLines + calendar.skippedEvents;
    if (skipped > calendar.skips.size())
        std::fprintf(stderr, "%s: and %zu more skipped\n", argv[1], skipped - calendar.skips.size());
    for (std::string_view z : list.unknownZones)
        std::fprintf(stderr, "%s: unknown time zone \"%.*s\", read as local time\n", argv[1],
                     static_cast<int>(z.size()), z.data());
    if (list.cutRules > 0)
        std::fprintf(stderr, "%s: %zu recurrences cut at %zu occurrences in the window\n", argv[1], list.cutRules,
                     ical::kMostOccurrencesInAWindow);
    return 0;
}
