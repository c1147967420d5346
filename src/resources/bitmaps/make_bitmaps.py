#!/usr/bin/env python3
"""Draws the dialog's two job pictures as 48 x 24, 16-colour bitmaps.

The dialog paints them with a bitwise AND over its background, so white (all bits set) is the
transparent colour. Run from anywhere; writes events.bmp (133) and lists.bmp (135) beside itself.
"""
import os
import struct

W, H = 48, 24
# The 16 colours of the standard Windows palette, in its order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


class Picture:
    def __init__(self):
        self.px = [[WHITE] * W for _ in range(H)]

    def dot(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, c)
            self.dot(x, y1, c)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, c)
            self.dot(x1, y, c)

    def save(self, path):
        row_bytes = (W * 4 + 31) // 32 * 4
        pixels = bytearray()
        for y in range(H - 1, -1, -1):  # bottom-up rows
            row = self.px[y]
            line = bytearray((row[x] << 4) | row[x + 1] for x in range(0, W, 2))
            pixels += line + bytes(row_bytes - len(line))
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
        with open(path, "wb") as f:
            f.write(header + info + palette + pixels)


def film_strip(p, x0, y0, x1, y1):
    p.rect(x0, y0, x1, y1, BLACK)
    for x in range(x0 + 1, x1, 3):
        p.dot(x, y0 + 1, WHITE)
        p.dot(x, y1 - 1, WHITE)
    p.rect(x0 + 1, y0 + 3, x1 - 1, y1 - 3, GREY)


def events():
    """A calendar page with a marked day beside a strip of film: movie events."""
    p = Picture()
    p.rect(2, 2, 21, 21, SILVER)
    p.frame(2, 2, 21, 21, BLACK)
    p.rect(3, 3, 20, 6, RED)
    for x in (7, 15):  # binding rings
        p.rect(x, 0, x, 3, GREY)
    for y in range(9, 21, 3):
        for x in range(4, 20, 4):
            p.rect(x, y, x + 2, y + 1, WHITE)
    p.rect(12, 12, 14, 13, BLUE)  # the day of the premiere
    film_strip(p, 26, 8, 45, 17)
    p.rect(29, 11, 32, 14, AQUA)
    p.rect(35, 11, 38, 14, YELLOW)
    p.rect(41, 11, 43, 14, AQUA)
    return p


def lists():
    """A list of titles and a handheld with arrows both ways: items imported and exported."""
    p = Picture()
    p.rect(1, 1, 16, 22, WHITE)
    p.frame(1, 1, 16, 22, BLACK)
    for y in range(4, 21, 3):
        p.rect(3, y, 4, y, RED)
        p.rect(6, y, 14, y, NAVY)
    # arrows between the list and the handheld
    p.rect(19, 8, 29, 8, GREEN)
    for i in range(3):
        p.rect(29 - i, 8 - i, 29 - i, 8 + i, GREEN)
    p.rect(19, 15, 29, 15, MAROON)
    for i in range(3):
        p.rect(19 + i, 15 - i, 19 + i, 15 + i, MAROON)
    # the handheld
    p.rect(33, 1, 45, 22, GREY)
    p.frame(33, 1, 45, 22, BLACK)
    p.rect(35, 3, 43, 14, LIME)
    for y in (5, 8, 11):
        p.rect(36, y, 42, y, GREEN)
    for x in (35, 38, 41):
        p.rect(x, 18, x + 2, 19, SILVER)
    return p


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    events().save(os.path.join(here, "events.bmp"))
    lists().save(os.path.join(here, "lists.bmp"))
