#!/usr/bin/env python3
"""Prints the demo handheld's movies and events one per line, for a before/after comparison.

show_handheld.py HANDHELD_DIR
"""
import os
import struct
import sys

MEDIA = ["DVD", "DVR", "VCD", "SVCD", "LD", "SVHS", "VHS", "DivX", "Other"]
EPOCH_1904 = 2082844800


def read_pdb(path):
    """(category names, [(record id, category, data)]) of a Palm record database."""
    with open(path, "rb") as pdb:
        data = pdb.read()
    app_info, count = struct.unpack(">I", data[52:56])[0], struct.unpack(">H", data[76:78])[0]
    entries = [struct.unpack(">IB3s", data[78 + 8 * i: 86 + 8 * i]) for i in range(count)]
    offsets = [offset for offset, _, _ in entries] + [len(data)]
    records = [(int.from_bytes(uid, "big"), attributes & 0x0F, data[offsets[i]:offsets[i + 1]])
               for i, (_, attributes, uid) in enumerate(entries)]
    names = []
    if app_info:
        for slot in range(16):
            raw = data[app_info + 2 + 16 * slot: app_info + 18 + 16 * slot]
            names.append(raw.split(b"\0")[0].decode("latin-1"))
    return names, records


def show_movies(path):
    names, records = read_pdb(path)
    for uid, category, data in records:
        prod_attr, = struct.unpack(">H", data[20:22])
        media_attr, = struct.unpack(">H", data[28:30])
        texts = data[34:].split(b"\0")
        texts += [b""] * (11 - len(texts))
        year = 1904 + (prod_attr & 0x7F) if prod_attr & 0x7F else ""
        media = MEDIA[(media_attr >> 7) & 0xF] if ((media_attr >> 7) & 0xF) < 9 else "DVD"
        name = names[category] if category < len(names) and names[category] else "Unfiled Movies"
        notes = texts[10].decode("latin-1")
        print("movie  #%-3d %-14s %s (%s, %s, %s min)%s" % (uid, name, texts[0].decode("latin-1"), year, media,
                                                          texts[8].decode("latin-1"),
                                                          " - " + notes if notes else ""))


def show_events(path):
    names, records = read_pdb(path)
    for uid, category, data in records:
        start, = struct.unpack(">I", data[50:54])
        summary = data[60:].split(b"\0")[0].decode("latin-1")
        day = __import__("time").strftime("%Y-%m-%d", __import__("time").gmtime(start - EPOCH_1904))
        print("event  #%-3d %-14s %s %s" % (uid, names[category] if category < len(names) else "", day, summary))


def main():
    handheld = sys.argv[1]
    movies = os.path.join(handheld, "Movie-Lists.pdb")
    events = os.path.join(handheld, "Movie-Events.pdb")
    if os.path.exists(movies):
        show_movies(movies)
    if os.path.exists(events):
        show_events(events)


if __name__ == "__main__":
    main()
