// ics_bench FILE YYYYMM [RUNS]: how long reading an iCalendar file and finding
// one month's occurrences take, with the calendar's reader and, in the same
// run, with libical where it was found at build time. Each run reads the file
// afresh and expands the month on what it just read, as the calendar does
// when a copy is loaded; the user's zone is UTC for both, so that both count
// the same window. Prints, for each reader, the median and the least
// milliseconds of the read, of the expansion and of both, and the number of
// occurrences found.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ical/Calendar.h"
#include "ical/Occurrences.h"
#include "tools/MachineZones.h"

#ifdef CALENDAR_BENCH_LIBICAL
#include <libical/ical.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Figures {
    std::vector<double> read, expand, both;
    size_t found = 0;

    void Add(Clock::time_point start, Clock::time_point read_, Clock::time_point expanded) {
        read.push_back(Ms(start, read_));
        expand.push_back(Ms(read_, expanded));
        both.push_back(Ms(start, expanded));
    }
};

void Print(const char* who, Figures& figures) {
    for (auto [what, values] :
         {std::pair{"read", &figures.read}, {"expand", &figures.expand}, {"both", &figures.both}}) {
        std::sort(values->begin(), values->end());
        std::printf("%-8s %-7s median %9.3f  min %9.3f ms\n", who, what, (*values)[values->size() / 2],
                    values->front());
    }
    std::printf("%-8s found   %zu\n", who, figures.found);
}

struct Window {
    int year = 0, month = 0;
};

void Ours(const std::string& bytes, Window w, const machine_zones::MachineZones& zones, Figures& figures) {
    const ical::LocalDateTime from{w.year, w.month, 1},
        to = w.month == 12 ? ical::LocalDateTime{w.year + 1, 1, 1} : ical::LocalDateTime{w.year, w.month + 1, 1};
    const Clock::time_point start = Clock::now();
    const ical::Calendar calendar = ical::Read(bytes);
    const Clock::time_point read = Clock::now();
    const ical::OccurrenceList list = ical::FindOccurrences(calendar, zones, from, to);
    figures.Add(start, read, Clock::now());
    figures.found = list.items.size();
}

#ifdef CALENDAR_BENCH_LIBICAL
// What an instance's callback needs: the overridden instances (UID and the
// original start) that the master's own expansion must leave out, as ours
// puts each override in the place of the instance it replaces.
struct Expansion {
    std::set<std::pair<std::string, time_t>> overridden;
    size_t found = 0;
};

void Found(icalcomponent* event, icaltime_span* span, void* data) {
    auto& expansion = *static_cast<Expansion*>(data);
    if (!expansion.overridden.empty() && !icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) &&
        expansion.overridden.count({icalcomponent_get_uid(event), span->start}))
        return;
    ++expansion.found;
}

size_t Expand(icalcomponent* calendar, icaltimetype from, icaltimetype to) {
    Expansion expansion;
    for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
        if (!id) continue;
        const icaltimetype original = icalproperty_get_datetime_with_component(id, e);
        expansion.overridden.emplace(icalcomponent_get_uid(e), icaltime_as_timet_with_zone(original, original.zone));
    }
    for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        icalcomponent_foreach_recurrence(e, from, to, Found, &expansion);
    return expansion.found;
}

void Libical(const std::string& bytes, Window w, Figures& figures) {
    icaltimetype from = icaltime_null_time();
    from.year = w.year, from.month = w.month, from.day = 1;
    from = icaltime_set_timezone(&from, icaltimezone_get_utc_timezone());
    icaltimetype to = from;
    to.year += w.month / 12, to.month = w.month % 12 + 1;
    const Clock::time_point start = Clock::now();
    icalcomponent* calendar = icalparser_parse_string(bytes.c_str());
    const Clock::time_point read = Clock::now();
    if (!calendar) {
        std::fprintf(stderr, "ics_bench: libical could not read the file\n");
        std::exit(2);
    }
    figures.found = Expand(calendar, from, to);
    figures.Add(start, read, Clock::now());
    icalcomponent_free(calendar);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const int month = argc >= 3 ? std::atoi(argv[2]) : 0, runs = argc >= 4 ? std::atoi(argv[3]) : 21;
    if (argc < 3 || argc > 4 || month / 100 < 1970 || month % 100 < 1 || month % 100 > 12 || runs < 1) {
        std::fprintf(stderr, "usage: ics_bench FILE YYYYMM [RUNS]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in || bytes.empty()) {
        std::fprintf(stderr, "ics_bench: cannot read %s\n", argv[1]);
        return 2;
    }
    std::printf("%s: %zu bytes, month %d-%02d, %d runs\n", argv[1], bytes.size(), month / 100, month % 100, runs);
    const Window window{month / 100, month % 100};
    const machine_zones::MachineZones zones("UTC");
    Figures ours, theirs;
    // In turns, so that a machine that is busy for a while slows both alike.
    for (int run = 0; run < runs; ++run) {
        Ours(bytes, window, zones, ours);
#ifdef CALENDAR_BENCH_LIBICAL
        Libical(bytes, window, theirs);
#endif
    }
    Print("ours", ours);
#ifdef CALENDAR_BENCH_LIBICAL
    Print("libical", theirs);
#else
    std::printf("libical  missing (pkg-config found no libical at build time): ours alone measured\n");
#endif
    return 0;
}
