#!/usr/bin/env python3
"""Writes the demo handheld's databases as standard Palm database files.

make_handheld.py HANDHELD_DIR FEED_HOST

Movie-Lists.pdb: the movies of movies.tsv in the six default categories.
Movie-Events.pdb: no events yet; its three event lists point at http://FEED_HOST/cinevane/cal/...
"""
import os
import struct
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EPOCH_1904 = 2082844800
MEDIA = ["DVD", "DVR", "VCD", "SVCD", "LD", "SVHS", "VHS", "DivX", "Other"]
CATEGORIES = ["Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy", "To Rent"]


def handheld_now():
    """Seconds since 1904-01-01 of the local wall clock, as the handheld counts."""
    now = time.time()
    return int(now + time.localtime(now).tm_gmtoff) + EPOCH_1904


def cstr(text, capacity):
    data = text.encode("latin-1")[: capacity - 1]
    return data + b"\0"


def pack_movie(fields):
    (category, title, year, minutes, media, director, country, genres, owned, viewed, stars, mpaa,
     notes) = fields
    genre_mask = 0
    for bit in filter(None, genres.split(",")):
        genre_mask |= 1 << int(bit)
    status = (1 if owned == "1" else 0) | (2 if viewed == "1" else 0)
    prod_attr = ((int(year) - 1904) & 0x7F) | (2 << 8)  # colour
    rating_attr = (int(mpaa) & 7) << 3
    tech_attr = 0x2 | (3 << 6) if media != "VHS" else 0x2  # stereo, letterbox
    media_attr = 1 | (0 << 3) | (MEDIA.index(media) << 7)  # region 1, one item
    awards = 0
    if title == "Casablanca":
        awards = (1944 - 1927) | (1 << 7) | (1 << 8)
    fixed = struct.pack(">IIHBBIIHBBIHI", 0, 0, genre_mask, status, 0, 0, 0, prod_attr, rating_attr,
                        int(stars), tech_attr, media_attr, awards)
    assert len(fixed) == 34
    texts = [cstr(title, 181), cstr("", 51), cstr("", 11), cstr(director, 501), cstr(country, 51),
             cstr("", 501), cstr("", 51), cstr("", 7), cstr(minutes, 4), cstr("", 1101),
             cstr(notes, 501)]
    return int(category), fixed + b"".join(texts)


def category_block(names, version_word, last_id):
    block = bytearray(276)
    block[0:2] = version_word
    for i, name in enumerate(names):
        data = name.encode("latin-1")[:15]
        block[2 + 16 * i: 2 + 16 * i + len(data)] = data
    for i in range(16):
        block[258 + i] = i if (i < len(names) or last_id == 16) else 0
    block[274] = last_id
    return block


def write_pdb(path, name, type_code, creator, app_info, records, now):
    """records: list of (attributes, unique id, data)."""
    header_size = 78 + 8 * len(records) + 2
    offset = header_size
    app_info_offset = offset if app_info else 0
    offset += len(app_info)
    entries = b""
    for attributes, unique_id, data in records:
        entries += struct.pack(">IB", offset, attributes) + unique_id.to_bytes(3, "big")
        offset += len(data)
    header = struct.pack(">32sHHIIIIII4s4sIIH", name.encode("latin-1"), 0x0008, 1, now, now, 0, 1,
                         app_info_offset, 0, type_code, creator, len(records) + 1, 0, len(records))
    assert len(header) == 78
    with open(path + ".tmp", "wb") as out:
        out.write(header + entries + b"\0\0" + bytes(app_info))
        for _, _, data in records:
            out.write(data)
    os.replace(path + ".tmp", path)


def main():
    handheld, feed_host = sys.argv[1], sys.argv[2]
    os.makedirs(handheld, exist_ok=True)
    now = handheld_now()

    records = []
    with open(os.path.join(HERE, "movies.tsv"), encoding="utf-8") as source:
        for line in source:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            fields += [""] * (13 - len(fields))
            category, data = pack_movie(fields)
            records.append((category, len(records) + 1, data))
    lists_block = category_block(CATEGORIES, b"\x05\x00", 6)
    write_pdb(os.path.join(handheld, "Movie-Lists.pdb"), "Movie-Lists", b"QV03", b"QVX3",
              lists_block, records, now)

    events_block = bytearray(1960)
    events_block[0:276] = category_block(["DVD Releases", "Film Festivals", "Film Premieres"],
                                         b"\x03\x00", 16)
    paths = ["/cinevane/cal/DVD.asp", "/cinevane/cal/FilmFest.asp", "/cinevane/cal/Premiere.asp"]
    for i, path in enumerate(paths):
        address = (feed_host + path).encode("latin-1")
        events_block[276 + 101 * i: 276 + 101 * i + len(address)] = address
    last_update = (now // 86400) * 86400 - 5184000
    for i in range(16):
        struct.pack_into(">I", events_block, 1892 + 4 * i, last_update)
    write_pdb(os.path.join(handheld, "Movie-Events.pdb"), "Movie-Events", b"QV05", b"QVX5",
              events_block, [], now)
    print("handheld: %d movies in %d categories, 3 event lists at http://%s"
          % (len(records), len(CATEGORIES), feed_host))


if __name__ == "__main__":
    main()
