#!/usr/bin/env python3
"""Writes the demo's three calendar feeds, dated around today, under DIR/cinevane/cal/.

make_feeds.py DIR
"""
import datetime
import os
import sys

FEEDS = {
    "DVD.asp": ("DVD Releases", [
        (-3, "The Long Voyage Home - restored edition", "Four-disc set with commentary."),
        (4, "Night Train - special edition", "New transfer from the original negative."),
        (9, "Harbor Lights on DVD", "Includes the director's first short film."),
        (16, "The Glass Orchard - collector's box", "Limited to 5,000 copies."),
        (23, "Paper Moons: The Complete Series", "All 26 episodes, remastered."),
        (30, "Silent Harbour on Blu-ray and DVD", ""),
    ]),
    "FilmFest.asp": ("Film Festivals", [
        (2, "Riverside Film Festival opens", "Ten days, 140 films, 30 premieres."),
        (12, "Northern Lights Documentary Week", "Screenings in four cities."),
        (26, "Short Film Night", "Audience award voted on the spot."),
        (40, "Autumn Animation Festival", "Retrospective: 50 years of stop motion."),
    ]),
    "Premiere.asp": ("Film Premieres", [
        (1, "Premiere: The Quiet Border", "Red carpet at the Palace Cinema."),
        (6, "Premiere: Saltwater", "Cast and director in attendance."),
        (13, "Premiere: A Winter Index", ""),
        (20, "Premiere: Lanterns", "Gala screening for charity."),
        (35, "Premiere: Open Country", "Followed by a Q&A, with music; all welcome."),
    ]),
}


def escape(text):
    return text.replace("\\", "\\\\").replace(";", "\\;").replace(",", "\\,")


def main():
    folder = os.path.join(sys.argv[1], "cinevane", "cal")
    os.makedirs(folder, exist_ok=True)
    today = datetime.date.today()
    stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")
    for name, (title, events) in FEEDS.items():
        lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Reelbox demo//feeds//EN",
                 "X-WR-CALNAME:" + title, "METHOD:PUBLISH"]
        for number, (days, summary, description) in enumerate(events):
            start = today + datetime.timedelta(days=days)
            lines += ["BEGIN:VEVENT",
                      "UID:demo-%s-%d@reelbox.example" % (name.split(".")[0].lower(), number),
                      "DTSTAMP:" + stamp,
                      "DTSTART;VALUE=DATE:" + start.strftime("%Y%m%d"),
                      "DTEND;VALUE=DATE:" + (start + datetime.timedelta(days=1)).strftime("%Y%m%d"),
                      "SUMMARY:" + escape(summary)]
            if description:
                lines.append("DESCRIPTION:" + escape(description))
            lines.append("END:VEVENT")
        lines.append("END:VCALENDAR")
        with open(os.path.join(folder, name), "w", newline="") as out:
            out.write("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()
