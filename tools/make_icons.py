#!/usr/bin/env python3
"""Draws the row icons and the MapSource button picture as small PNG files (src/gui/icons/).

Run by hand when a picture changes; the PNG files are committed. Standard library only.
"""
import math
import struct
import zlib
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "src" / "gui" / "icons"


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


def icon(name, draw, size=16):
    c = Canvas(size)
    draw(c)
    if size == 16:
        halo(c)
    c.png(OUT / (name + ".png"))


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
icon("gatso", lambda c: (c.rect(4, 2, 11, 14, YELLOW), c.frame(4, 2, 11, 14, BLACK), c.disc(8, 6, 2, BLACK)))
icon("redlight", lambda c: (c.rect(5, 1, 10, 14, BLACK), c.disc(8, 4, 2, RED), c.disc(8, 8, 2, GREY),
                            c.disc(8, 12, 2, GREY)))
icon("specs", lambda c: (c.disc(4.5, 8, 3.5, BLUE), c.disc(11.5, 8, 3.5, BLUE), c.rect(7, 7, 9, 8, BLACK)))
icon("mobile", lambda c: (c.rect(1, 5, 14, 11, PURPLE), c.disc(4, 12, 2, BLACK), c.disc(12, 12, 2, BLACK)))
icon("encryptyes", lambda c: padlock(c, RED, False))
icon("encryptno", lambda c: padlock(c, GREEN, True))
icon("mapsource", lambda c: (c.rect(2, 4, 29, 27, (200, 230, 200, 255)), c.frame(2, 4, 29, 27, DARKGREEN),
                             c.poly([(4, 24), (12, 10), (18, 18), (22, 13), (28, 24)], GREEN),
                             c.disc(22, 9, 3, RED)), size=32)
