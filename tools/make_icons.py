#!/usr/bin/env python3
"""Draws the row icons and the MapSource button picture as small PNG files (src/gui/icons/), and
the camera icons once more, half again as large, as 8-bit BMP files for POI files
(src/formats/gpi/icons/).

Run by hand when a picture changes; the PNG and BMP files are committed. Standard library only.
"""
import math
import struct
import zlib
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "src" / "gui" / "icons"
POI_OUT = Path(__file__).resolve().parent.parent / "src" / "formats" / "gpi" / "icons"
MAGENTA = (255, 0, 255)  # what units show as transparent


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def put(self, x, y, rgba):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = rgba

    def rect(self, x0, y0, x1, y1, rgba):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, rgba)

    def frame(self, x0, y0, x1, y1, rgba):
        for x in range(x0, x1 + 1):
            self.put(x, y0, rgba)
            self.put(x, y1, rgba)
        for y in range(y0, y1 + 1):
            self.put(x0, y, rgba)
            self.put(x1, y, rgba)

    def disc(self, cx, cy, r, rgba, inner=-1.0):
        for y in range(self.size):
            for x in range(self.size):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if inner <= d <= r:
                    self.put(x, y, rgba)

    def poly(self, pts, rgba):
        for y in range(self.size):
            for x in range(self.size):
                px, py = x + 0.5, y + 0.5
                inside = False
                j = len(pts) - 1
                for i in range(len(pts)):
                    xi, yi = pts[i]
                    xj, yj = pts[j]
                    if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                        inside = not inside
                    j = i
                if inside:
                    self.put(x, y, rgba)

    def png(self, path):
        raw = b"".join(b"\x00" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                         chunk(b"IEND", b""))


    def bmp(self, path):
        """An 8-bit BMP, bottom row first; transparent pixels are magenta."""
        colours = [MAGENTA]
        rows = []
        for row in reversed(self.px):
            indexes = []
            for r, g, b, a in row:
                c = (r, g, b) if a >= 128 else MAGENTA
                if c not in colours:
                    colours.append(c)
                indexes.append(colours.index(c))
            rows.append(bytes(indexes) + b"\x00" * (-self.size % 4))
        palette = b"".join(struct.pack("4B", b, g, r, 0) for r, g, b in colours)
        pixels = b"".join(rows)
        offset = 14 + 40 + len(palette)
        path.write_bytes(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) +
                         struct.pack("<IiiHHIIiiII", 40, self.size, self.size, 1, 8, 0, len(pixels), 2835, 2835,
                                     len(colours), 0) + palette + pixels)


class ScaledCanvas(Canvas):
    """A larger canvas drawn with the coordinates of a 16-pixel one."""

    def __init__(self, size):
        super().__init__(size)
        self.s = size / 16

    def rect(self, x0, y0, x1, y1, rgba):
        s = self.s
        super().rect(math.floor(x0 * s), math.floor(y0 * s), math.ceil((x1 + 1) * s) - 1,
                     math.ceil((y1 + 1) * s) - 1, rgba)

    def frame(self, x0, y0, x1, y1, rgba):
        for x in (x0, x1):
            self.rect(x, y0, x, y1, rgba)
        for y in (y0, y1):
            self.rect(x0, y, x1, y, rgba)

    def disc(self, cx, cy, r, rgba, inner=-1.0):
        super().disc(cx * self.s, cy * self.s, r * self.s, rgba, inner * self.s)

    def poly(self, pts, rgba):
        super().poly([(x * self.s, y * self.s) for x, y in pts], rgba)


BLACK = (30, 30, 30, 255)
WHITE = (255, 255, 255, 255)
GREEN = (40, 150, 60, 255)
DARKGREEN = (20, 90, 30, 255)
BLUE = (40, 90, 200, 255)
RED = (210, 40, 40, 255)
ORANGE = (240, 140, 20, 255)
YELLOW = (245, 210, 30, 255)
GREY = (130, 130, 130, 255)
PURPLE = (130, 60, 170, 255)


HALO = (235, 235, 235, 255)


def halo(c):
    """A light edge around every shape, so that dark parts stay visible on a dark grid."""
    edge = []
    for y in range(c.size):
        for x in range(c.size):
            if c.px[y][x][3] == 0 and any(
                    0 <= x + dx < c.size and 0 <= y + dy < c.size and c.px[y + dy][x + dx][3] != 0 and
                    c.px[y + dy][x + dx] != HALO for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                edge.append((x, y))
    for x, y in edge:
        c.put(x, y, HALO)


def icon(name, draw, size=16, poi=False):
    c = Canvas(size)
    draw(c)
    if size == 16:
        halo(c)
    c.png(OUT / (name + ".png"))
    if poi:
        large = ScaledCanvas(24)
        draw(large)
        large.bmp(POI_OUT / (name + ".bmp"))


def box(c, fill, border):
    c.rect(2, 4, 13, 13, fill)
    c.frame(2, 4, 13, 13, border)
    c.rect(2, 4, 13, 6, border)


def padlock(c, colour, open_):
    c.rect(3, 7, 12, 14, colour)
    c.disc(8, 7, 4.5, colour, inner=2.6)
    c.rect(3, 7, 12, 8, colour)
    if open_:
        c.rect(9, 3, 13, 7, (0, 0, 0, 0))
    c.rect(7, 10, 8, 12, WHITE)


OUT.mkdir(parents=True, exist_ok=True)
POI_OUT.mkdir(parents=True, exist_ok=True)
icon("geocache", lambda c: box(c, GREEN, DARKGREEN))
icon("waypoint", lambda c: (c.rect(3, 2, 4, 14, BLACK), c.poly([(5, 2), (14, 5.5), (5, 9)], BLUE)))
icon("traditional", lambda c: (box(c, GREEN, DARKGREEN), c.rect(6, 8, 9, 11, WHITE)))
icon("webcam", lambda c: (c.rect(2, 5, 13, 12, GREY), c.disc(8, 8.5, 3, BLACK), c.disc(8, 8.5, 1.5, WHITE)))
icon("multi", lambda c: (c.rect(1, 1, 9, 9, ORANGE), c.frame(1, 1, 9, 9, BLACK), c.rect(6, 6, 14, 14, ORANGE),
                         c.frame(6, 6, 14, 14, BLACK)))
icon("mystery", lambda c: (c.poly([(8, 1), (15, 8), (8, 15), (1, 8)], BLUE), c.rect(7, 5, 8, 9, WHITE),
                           c.rect(7, 11, 8, 12, WHITE)))
icon("event", lambda c: (c.disc(8, 8, 7, RED), c.disc(8, 8, 2.5, WHITE)))
icon("virtual", lambda c: (c.frame(2, 2, 13, 13, BLUE), c.frame(3, 3, 12, 12, BLUE)))
icon("locationless", lambda c: c.disc(8, 8, 7, YELLOW, inner=4.5))
icon("empty", lambda c: c.disc(8, 8, 3, GREY))
icon("gatso", lambda c: (c.rect(4, 2, 11, 14, YELLOW), c.frame(4, 2, 11, 14, BLACK), c.disc(8, 6, 2, BLACK)),
     poi=True)
icon("redlight", lambda c: (c.rect(5, 1, 10, 14, BLACK), c.disc(8, 4, 2, RED), c.disc(8, 8, 2, GREY),
                            c.disc(8, 12, 2, GREY)), poi=True)
icon("specs", lambda c: (c.disc(4.5, 8, 3.5, BLUE), c.disc(11.5, 8, 3.5, BLUE), c.rect(7, 7, 9, 8, BLACK)),
     poi=True)
icon("mobile", lambda c: (c.rect(1, 5, 14, 11, PURPLE), c.disc(4, 12, 2, BLACK), c.disc(12, 12, 2, BLACK)),
     poi=True)
icon("encryptyes", lambda c: padlock(c, RED, False))
icon("encryptno", lambda c: padlock(c, GREEN, True))
icon("mapsource", lambda c: (c.rect(2, 4, 29, 27, (200, 230, 200, 255)), c.frame(2, 4, 29, 27, DARKGREEN),
                             c.poly([(4, 24), (12, 10), (18, 18), (22, 13), (28, 24)], GREEN),
                             c.disc(22, 9, 3, RED)), size=32)
