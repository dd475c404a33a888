#!/usr/bin/env python3
"""Makes the offline base map (src/map/data/world.vmap) from Natural Earth's land and country
borders as the world-atlas npm package carries them (TopoJSON, three scales).

Run by hand when the data changes; the file it writes is committed. Standard library only.

    mkdir /tmp/atlas && cd /tmp/atlas && npm pack world-atlas && tar xzf world-atlas-*.tgz
    tools/make_base_map.py /tmp/atlas/package

The file, all integers little-endian:

    8 bytes   "VNTRLMAP"
    u8        format version, 1
    u8        number of levels, coarse to fine; per level:
      u8        Natural Earth scale in millions (110, 50, 10)
      4 x f64   degrees per step in x and y, then the longitude and latitude of step 0
      varint    number of land rings; per ring: varint number of points (3 or more), then the
                points: the first as two varints (x, y steps), every other one as two zig-zag
                varints, its difference from the one before
      varint    number of border lines (where two countries meet); per line the same, 2 points
                or more

A ring is not closed by repeating its first point. Shapes that cross the 180th meridian (Chukotka,
Fiji) are cut there into a part on each side, so that none of their edges runs across the map. Varints are unsigned LEB128 (7 bits a byte,
low bits first); zig-zag maps 0, -1, 1, -2, ... to 0, 1, 2, 3, ...
"""
import json
import struct
import sys
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "src" / "map" / "data" / "world.vmap"
LEVELS = [(110, "countries-110m.json"), (50, "countries-50m.json"), (10, "countries-10m.json")]


def varint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def zigzag(value):
    return value * 2 if value >= 0 else -value * 2 - 1


def absolute_arcs(topology):
    """The arcs as lists of absolute (x, y) steps (TopoJSON keeps them as differences)."""
    arcs = []
    for arc in topology["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x, y))
        arcs.append(points)
    return arcs


def arc_points(arcs, index):
    return arcs[index] if index >= 0 else list(reversed(arcs[~index]))


def ring_points(arcs, ring):
    points = []
    for index in ring:
        part = arc_points(arcs, index)
        points.extend(part if not points else part[1:])  # arcs meet at a shared point
    if len(points) > 1 and points[0] == points[-1]:
        points.pop()
    return points


STEPS = 99999  # the quantized longitude of 180° E; 0 is 180° W


def unwrapped(points):
    """The points with the jumps across the 180th meridian taken out: longitudes run on past it."""
    out = [points[0]]
    for x, y in points[1:]:
        px = out[-1][0]
        while x - px > STEPS / 2:
            x -= STEPS
        while px - x > STEPS / 2:
            x += STEPS
        out.append((x, y))
    return out


def crosses(points, closed):
    pairs = list(zip(points, points[1:] + (points[:1] if closed else [])))
    return any(abs(b[0] - a[0]) > STEPS / 2 for a, b in pairs)


def clip_half(points, at, keep_below):
    """Sutherland-Hodgman against the line x = at: the part of the ring on one side of it."""
    inside = (lambda p: p[0] <= at) if keep_below else (lambda p: p[0] >= at)
    out = []
    for i, p in enumerate(points):
        q = points[i - 1]
        if inside(p) != inside(q):
            t = (at - q[0]) / (p[0] - q[0])
            out.append((at, q[1] + (p[1] - q[1]) * t))
        if inside(p):
            out.append(p)
    return out


def quantized(points):
    out = []
    for x, y in points:
        point = (min(max(round(x), 0), STEPS), round(y))
        if not out or out[-1] != point:
            out.append(point)
    return out


def cut_ring(points, pole_y):
    """A ring that crosses the 180th meridian as its parts on each side of it."""
    if not crosses(points, True):
        return [points]
    flat = unwrapped(points)
    if abs(unwrapped(points + points[:1])[-1][0] - flat[0][0]) > STEPS / 2:
        # Around the pole (Antarctica): where it jumps across the map it goes down to the pole
        # and back instead, so that it encloses the land to the map's edge.
        jump = next(i for i in range(1, len(points) + 1)
                    if abs(points[i % len(points)][0] - points[i - 1][0]) > STEPS / 2)
        after = points[jump % len(points)]
        return [points[:jump] + [(points[jump - 1][0], pole_y), (after[0], pole_y)] + points[jump:]]
    lowest = min(x for x, _ in flat)
    highest = max(x for x, _ in flat)
    parts = []
    for k in range(int(lowest // STEPS), int(highest // STEPS) + 1):
        part = clip_half(clip_half(flat, k * STEPS, False), (k + 1) * STEPS, True)
        part = quantized([(x - k * STEPS, y) for x, y in part])
        if len(part) >= 3:
            parts.append(part)
    return parts


def cut_line(points):
    """A line split where it jumps across the 180th meridian."""
    lines = [[points[0]]]
    for a, b in zip(points, points[1:]):
        if abs(b[0] - a[0]) > STEPS / 2:
            lines.append([])
        lines[-1].append(b)
    return [line for line in lines if len(line) >= 2]


def polygons(geometry):
    if geometry["type"] == "Polygon":
        return [geometry["arcs"]]
    if geometry["type"] == "MultiPolygon":
        return geometry["arcs"]
    return []


def land_rings(topology, arcs):
    scale_y, origin_y = topology["transform"]["scale"][1], topology["transform"]["translate"][1]
    south_pole = round((-90 - origin_y) / scale_y)
    rings = []
    for geometry in topology["objects"]["land"]["geometries"]:
        for polygon in polygons(geometry):
            for ring in polygon:
                points = ring_points(arcs, ring)
                if len(points) >= 3:
                    rings.extend(cut_ring(points, south_pole))
    return rings


def border_lines(topology, arcs):
    """The arcs two different countries share, joined into lines where they continue each other."""
    users = {}
    for number, geometry in enumerate(topology["objects"]["countries"]["geometries"]):
        for polygon in polygons(geometry):
            for ring in polygon:
                for index in ring:
                    users.setdefault(index if index >= 0 else ~index, set()).add(number)
    lines = []
    for index in sorted(i for i, countries in users.items() if len(countries) > 1):
        points = arcs[index]
        if lines and lines[-1][-1] == points[0]:
            lines[-1].extend(points[1:])
        elif len(points) >= 2:
            lines.append(list(points))
    return [part for line in lines for part in cut_line(line)]


def encode_points(points):
    out = bytearray(varint(len(points)))
    px, py = points[0]
    out += varint(px) + varint(py)
    for x, y in points[1:]:
        out += varint(zigzag(x - px)) + varint(zigzag(y - py))
        px, py = x, y
    return bytes(out)


def encode_level(scale, topology):
    arcs = absolute_arcs(topology)
    transform = topology["transform"]
    out = bytearray(struct.pack("<B4d", scale, *transform["scale"], *transform["translate"]))
    for shapes in (land_rings(topology, arcs), border_lines(topology, arcs)):
        out += varint(len(shapes))
        for points in shapes:
            out += encode_points(points)
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_base_map.py WORLD-ATLAS-PACKAGE-FOLDER")
    folder = Path(sys.argv[1])
    out = bytearray(b"VNTRLMAP" + struct.pack("<BB", 1, len(LEVELS)))
    for scale, name in LEVELS:
        level = encode_level(scale, json.loads((folder / name).read_text()))
        out += level
        print(f"1:{scale}m: {len(level)} bytes")
    OUT.parent.mkdir(parents=True, exist_ok=True)
    OUT.write_bytes(out)
    print(f"{OUT}: {len(out)} bytes")


if __name__ == "__main__":
    main()
