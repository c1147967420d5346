#!/usr/bin/python3
# Writes the expected starts of tests/data/feeds/recurrence/series.ics, computed by an independent
# implementation (Debian's python3-recurring-ical-events), to expected.txt beside it. Run once
# when the cases change; the tests read the stored result and need nothing of this.
#   /usr/bin/python3 tests/data/feeds/recurrence/make_expected.py
import datetime
import os

import icalendar
import recurring_ical_events

HERE = os.path.dirname(os.path.abspath(__file__))
# The window the test uses: 60 days before the sync's day (2026-12-08) to the end of the day 366
# days after it.
FIRST = datetime.datetime(2026, 10, 9, 0, 0, 0)
LAST = datetime.datetime(2027, 12, 9, 23, 59, 59)


def wall(value, zone):
    """The wall clock of a start in its series' own zone (a UTC RDATE is shown there)."""
    if isinstance(value, datetime.datetime):
        if value.tzinfo is not None and zone is not None:
            value = value.astimezone(zone)
        return value.replace(tzinfo=None)
    return datetime.datetime(value.year, value.month, value.day)


def main():
    with open(os.path.join(HERE, "series.ics"), "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    starts = {}
    order = []
    zones = {}
    for event in calendar.walk("VEVENT"):
        uid = str(event["UID"])
        if uid not in starts:
            starts[uid] = set()
            order.append(uid)
        if "RECURRENCE-ID" not in event:
            start = event["DTSTART"].dt
            zones[uid] = getattr(start, "tzinfo", None)
    # Ask a little wider than the window (zoned times), then keep the starts inside it.
    for event in recurring_ical_events.of(calendar).between(FIRST - datetime.timedelta(days=2),
                                                             LAST + datetime.timedelta(days=2)):
        start = wall(event["DTSTART"].dt, zones.get(str(event["UID"])))
        if FIRST <= start <= LAST:
            starts[str(event["UID"])].add(start)
    with open(os.path.join(HERE, "expected.txt"), "w") as out:
        out.write("# UID, then the starts (wall clock) inside the window, from make_expected.py\n")
        for uid in order:
            out.write(uid + " " + " ".join(s.strftime("%Y%m%dT%H%M%S") for s in sorted(starts[uid])) + "\n")


main()
