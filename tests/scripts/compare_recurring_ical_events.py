#!/usr/bin/env python3
"""A second opinion on a calendar's occurrences, run by hand: Debian's
python3-recurring-ical-events, printed as ics_occurrences prints them.

  diff <(/usr/bin/python3 tests/scripts/compare_recurring_ical_events.py FILE FROM TO) \
       <(build/native/ics_occurrences FILE FROM TO)

A difference is a question, not a verdict: the library reads a TZID with a
vendor prefix as floating time, for one.
"""
import datetime
import sys

import icalendar
import recurring_ical_events


def basic(value):
    if isinstance(value, datetime.datetime):
        if value.tzinfo is None:
            return value.strftime("%Y%m%dT%H%M%S")
        return value.astimezone(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")
    return value.strftime("%Y%m%d")


def main(path, start, end):
    day = lambda text: datetime.date(int(text[:4]), int(text[4:6]), int(text[6:]))  # noqa: E731
    with open(path, "rb") as source:
        calendar = icalendar.Calendar.from_ical(source.read())
    lines = []
    for event in recurring_ical_events.of(calendar).between(day(start), day(end)):
        if str(event.get("STATUS", "")).upper() != "CANCELLED":
            end_time = event["DTEND"].dt if "DTEND" in event else event["DTSTART"].dt
            lines.append((basic(event["DTSTART"].dt), basic(end_time), str(event.get("SUMMARY", ""))))
    for line in sorted(lines):
        print("\t".join(line))


if __name__ == "__main__":
    main(*sys.argv[1:4])
