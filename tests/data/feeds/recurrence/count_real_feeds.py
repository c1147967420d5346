#!/usr/bin/python3
# Writes real_feeds.txt beside this script: for each real feed of tests/data/feeds, how many
# handheld records a first synchronization writes when the list's window starts on 2000-01-01 and
# the sync's day is 2026-12-08: one per single event (by UID) starting in the window, and one per
# occurrence of a repeating event starting from the window's start to the end of the day 366 days
# after the sync's day, as an independent implementation (Debian's python3-recurring-ical-events)
# expands them. Run once; the tests read the stored result.
import datetime
import os

import icalendar
import recurring_ical_events

HERE = os.path.dirname(os.path.abspath(__file__))
FEEDS = os.path.dirname(HERE)
FIRST = datetime.datetime(2000, 1, 1)
LAST = datetime.datetime(2027, 12, 9, 23, 59, 59)


def wall(value):
    if isinstance(value, datetime.datetime):
        return value.replace(tzinfo=None)
    return datetime.datetime(value.year, value.month, value.day)


def count(name):
    with open(os.path.join(FEEDS, name), "rb") as f:
        calendar = icalendar.Calendar.from_ical(f.read())
    series = set()
    date_series = set()
    for event in calendar.walk("VEVENT"):
        if "RRULE" in event or "RDATE" in event:
            series.add(str(event["UID"]))
            if not isinstance(event["DTSTART"].dt, datetime.datetime):
                date_series.add(str(event["UID"]))
    records = set()
    for event in calendar.walk("VEVENT"):
        uid = str(event["UID"])
        if uid not in series and "RECURRENCE-ID" not in event and wall(event["DTSTART"].dt) >= FIRST:
            records.add(uid)
    for event in recurring_ical_events.of(calendar).between(FIRST, LAST + datetime.timedelta(seconds=1)):
        uid = str(event["UID"])
        start = wall(event["DTSTART"].dt)
        if uid in series and FIRST <= start <= LAST:
            replaced = event.get("RECURRENCE-ID")
            key = start
            if replaced is not None:
                key = replaced.dt
                # A series of dates: Google writes the replaced date as its midnight in UTC; the
                # library moves that into the event's zone (the day before) and then gives the
                # override beside the occurrence it replaces. The date is what it names.
                if uid in date_series and isinstance(key, datetime.datetime) and key.tzinfo is not None:
                    key = key.astimezone(datetime.timezone.utc)
                    key = datetime.datetime(key.year, key.month, key.day)
                key = wall(key)
            records.add((uid, key))
    return len(records)


with open(os.path.join(HERE, "real_feeds.txt"), "w") as out:
    out.write("# feed, records written by a first sync (window from 2000-01-01, sync on 2026-12-08)\n")
    for name in sorted(os.listdir(FEEDS)):
        if name.endswith(".ics"):
            out.write("%s %d\n" % (name, count(name)))
