#!/usr/bin/env python3
"""Writes a calendar shaped like a large export from Outlook or Google: about
4,800 events in 1.6 MB over 2016-2027, in a Europe/Berlin VTIMEZONE with its
yearly rules, some times in UTC, all-day events, long folded descriptions,
about a tenth of the events recurring (weekly, monthly, yearly birthdays;
some with UNTIL, COUNT or EXDATE), a few overrides and a few reminders.
A real export is not ours to ship; the same seed writes the same bytes.

Usage: make_export.py OUT.ics [--events 4800]
"""
import argparse
import os
import datetime
import random

ZONE = "Europe/Berlin"
VTIMEZONE = """BEGIN:VTIMEZONE
TZID:Europe/Berlin
X-LIC-LOCATION:Europe/Berlin
BEGIN:DAYLIGHT
TZOFFSETFROM:+0100
TZOFFSETTO:+0200
TZNAME:CEST
DTSTART:19700329T020000
RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU
END:DAYLIGHT
BEGIN:STANDARD
TZOFFSETFROM:+0200
TZOFFSETTO:+0100
TZNAME:CET
DTSTART:19701025T030000
RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU
END:STANDARD
END:VTIMEZONE""".split("\n")

TOPICS = ["Stand-up", "Sprint review", "1:1 with Jürgen", "Budget planning", "Customer call", "Design review",
          "Lunch with Ana", "Dentist", "Quarterly business review", "Interview", "Workshop: Datenschutz",
          "Release retro", "Board meeting", "Training", "Offsite prep", "Café with Zoë", "Team dinner"]
PLACES = ["Room 4.12 (Berlin, 4th floor)", "Microsoft Teams Meeting", "https://meet.google.com/abc-defg-hij",
          "Friedrichstraße 68, 10117 Berlin", "Café Einstein; Kurfürstenstraße 58", "Online", "Hamburg office",
          "Conference room \"Spree\", building B"]
WORDS = ("agenda notes please review the attached slides before we meet, dial-in details below; "
         "Zugangsdaten folgen per E-Mail. action items: budget; hiring; roadmap, risks and the "
         "open questions from last time — see the shared folder").split()
PEOPLE = ["anna.schmidt", "jonas.weber", "lea.fischer", "m.mueller", "sofia.rossi", "tom.baker", "yuki.tanaka"]
DAYS = ["MO", "TU", "WE", "TH", "FR"]
FIRST, LAST = datetime.date(2016, 1, 1), datetime.date(2027, 12, 31)


def escaped(text):
    return text.replace("\\", "\\\\").replace(";", "\\;").replace(",", "\\,").replace("\n", "\\n")


def folded(line):
    """RFC 5545's folding: lines of at most 75 octets, never cutting a UTF-8 character."""
    data, out, limit = line.encode(), [], 75
    while len(data) > limit:
        cut = limit
        while data[cut] & 0xC0 == 0x80:
            cut -= 1
        out.append(data[:cut])
        data, limit = b" " + data[cut:], 75
    return b"\r\n".join(out + [data]) + b"\r\n"


def description(rng):
    paragraphs = []
    for _ in range(rng.choice([0, 0, 0, 0, 0, 0, 0, 0, 1, 2])):
        paragraphs.append(" ".join(rng.choice(WORDS) for _ in range(rng.randint(6, 30))).capitalize())
    if paragraphs and rng.random() < 0.3:
        paragraphs.append("Join: https://teams.microsoft.com/l/meetup-join/19%3ameeting_" +
                          "".join(rng.choice("abcdef0123456789") for _ in range(40)))
    return "\n\n".join(paragraphs)


def stamp(moment):
    return moment.strftime("%Y%m%dT%H%M%S")


def timed(rng, day, as_utc):
    start = datetime.datetime.combine(day, datetime.time(rng.randint(7, 18), rng.choice([0, 15, 30, 45])))
    end = start + datetime.timedelta(minutes=rng.choice([15, 30, 30, 45, 60, 60, 90, 120, 240]))
    if as_utc:
        return [f"DTSTART:{stamp(start)}Z", f"DTEND:{stamp(end)}Z"], start
    return [f"DTSTART;TZID={ZONE}:{stamp(start)}", f"DTEND;TZID={ZONE}:{stamp(end)}"], start


def rule(rng, start, all_day):
    """An RRULE, with its EXDATEs: a weekly meeting, a monthly one, or a birthday."""
    extra = []
    if all_day:
        return "RRULE:FREQ=YEARLY", extra
    kind = rng.random()
    if kind < 0.6:
        days = sorted(set(rng.sample(DAYS, rng.choice([1, 1, 2, 3]))) | {DAYS[start.weekday()]},
                      key=DAYS.index)
        text = f"RRULE:FREQ=WEEKLY;{'INTERVAL=2;' if rng.random() < 0.2 else ''}BYDAY={','.join(days)};WKST=MO"
        step = 7
    else:
        text = f"RRULE:FREQ=MONTHLY;BYMONTHDAY={start.day}"
        step = 28
    end = rng.random()  # most series end, as a real calendar's years of meetings do
    if end < 0.65:
        until = start + datetime.timedelta(days=rng.randint(60, 900))
        text += f";UNTIL={stamp(until - datetime.timedelta(hours=1))}Z"
    elif end < 0.85:
        text += f";COUNT={rng.randint(5, 60)}"
    if rng.random() < 0.3:
        for _ in range(rng.randint(1, 4)):
            skipped = start + datetime.timedelta(days=step * rng.randint(1, 20))
            extra.append(f"EXDATE;TZID={ZONE}:{stamp(skipped)}")
    return text, extra


def event(rng, number, day, recurring):
    kind = rng.random()
    all_day = kind < 0.18 or (recurring and rng.random() < 0.25)
    uid = f"{number:06d}-{rng.getrandbits(64):016x}@export.example.com"
    if all_day:
        span = 1 if recurring else rng.choice([1, 1, 1, 1, 2, 3, 5])
        times = [f"DTSTART;VALUE=DATE:{day:%Y%m%d}", f"DTEND;VALUE=DATE:{day + datetime.timedelta(days=span):%Y%m%d}"]
        start = datetime.datetime.combine(day, datetime.time())
        summary = f"Birthday: {rng.choice(PEOPLE).split('.')[0].title()}" if recurring else rng.choice(
            ["Holiday", "Trade fair, Hannover", "Out of office", "Conference; day 1"])
    else:
        if recurring and day.weekday() > 4:  # a meeting's series starts on a working day, one of its BYDAY
            day -= datetime.timedelta(days=day.weekday() - 4)
        times, start = timed(rng, day, kind > 0.88)
        summary = rng.choice(TOPICS)
    created = datetime.datetime.combine(day, datetime.time(9)) - datetime.timedelta(days=rng.randint(1, 60))
    lines = ["BEGIN:VEVENT", *times, f"DTSTAMP:{stamp(created)}Z", f"UID:{uid}",
             f"LAST-MODIFIED:{stamp(created)}Z", f"SUMMARY:{escaped(summary)}"]
    if rng.random() < 0.5:
        lines.append("STATUS:CONFIRMED")
    rules = []
    if recurring:
        text, exdates = rule(rng, start, all_day)
        rules = [text] + [e for e in exdates if not all_day]
    text = description(rng)
    if text:
        lines.append(f"DESCRIPTION:{escaped(text)}")
    if not all_day:
        lines.append(f"LOCATION:{escaped(rng.choice(PLACES))}")
    if not all_day and rng.random() < 0.15:
        organizer = rng.choice(PEOPLE)
        lines.append(f"ORGANIZER;CN={organizer.replace('.', ' ').title()}:mailto:{organizer}@example.com")
        for person in rng.sample(PEOPLE, rng.randint(0, 1)):
            lines.append(f"ATTENDEE;CUTYPE=INDIVIDUAL;ROLE=REQ-PARTICIPANT;PARTSTAT=ACCEPTED;"
                         f"CN={person}@example.com;X-NUM-GUESTS=0:mailto:{person}@example.com")
    lines += rules
    if rng.random() < 0.04:
        lines += ["BEGIN:VALARM", "ACTION:DISPLAY", "DESCRIPTION:This is an event reminder",
                  f"TRIGGER:-P0DT0H{rng.choice([5, 10, 15, 30])}M0S", "END:VALARM"]
    lines.append("END:VEVENT")
    return lines, uid, start, all_day, rules[:1]


def override(rng, uid, start):
    """A weekly meeting's instance moved by an hour, two weeks on."""
    moved = start + datetime.timedelta(days=14)
    new = moved + datetime.timedelta(hours=1)
    return ["BEGIN:VEVENT", f"DTSTART;TZID={ZONE}:{stamp(new)}",
            f"DTEND;TZID={ZONE}:{stamp(new + datetime.timedelta(minutes=30))}", f"DTSTAMP:{stamp(start)}Z",
            f"UID:{uid}", f"RECURRENCE-ID;TZID={ZONE}:{stamp(moved)}", "SUMMARY:Stand-up (moved)", "SEQUENCE:1",
            "END:VEVENT"]


def export(count):
    rng = random.Random(20261210)
    lines = ["BEGIN:VCALENDAR", "PRODID:-//Google Inc//Google Calendar 70.9054//EN", "VERSION:2.0",
             "CALSCALE:GREGORIAN", "METHOD:PUBLISH", "X-WR-CALNAME:Work", f"X-WR-TIMEZONE:{ZONE}", *VTIMEZONE]
    overrides = []
    span = (LAST - FIRST).days
    for number in range(count):
        day = FIRST + datetime.timedelta(days=rng.randint(0, span))
        lines_of_event, uid, start, all_day, rules = event(rng, number, day, rng.random() < 0.1)
        lines += lines_of_event
        if rules and "WEEKLY" in rules[0] and "INTERVAL" not in rules[0] and "COUNT" not in rules[0] \
                and "EXDATE" not in "".join(lines_of_event) and len(overrides) < 40 and rng.random() < 0.3:
            overrides.append(override(rng, uid, start))
    for lines_of_override in overrides:
        lines += lines_of_override
    lines.append("END:VCALENDAR")
    return b"".join(folded(line) for line in lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--events", type=int, default=4770)
    args = parser.parse_args()
    data = export(args.events)
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "wb") as out:
        out.write(data)
    print(f"{args.out}: {len(data):,} bytes, {data.count(b'BEGIN:VEVENT'):,} events, "
          f"{data.count(b'RRULE:FREQ=') - 2:,} recurring, {data.count(b'RECURRENCE-ID'):,} overrides")


if __name__ == "__main__":
    main()
