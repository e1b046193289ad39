#!/usr/bin/env python3
"""Draws the angle view's direction icon: a red 60-degree fan pointing up from its bottom centre.

Writes resources/image/playerView/icon_angle.png (24x20, RGBA), 4x4 supersampled.
Run from the repository root: python3 tools/resources/draw_angle_icon.py
"""
import math
import struct
import zlib

WIDTH, HEIGHT, SAMPLES = 24, 20, 4
APEX = (12.0, 20.0)
RADIUS = 19.0
HALF_ANGLE = math.radians(30.0)
COLOUR = (150, 5, 5)


def inside(x, y):
    dx, dy = x - APEX[0], APEX[1] - y
    distance = math.hypot(dx, dy)
    return 0 < distance <= RADIUS and abs(math.atan2(dx, dy)) <= HALF_ANGLE


def coverage(px, py):
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            hits += inside(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
    return hits / (SAMPLES * SAMPLES)


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


rows = []
for y in range(HEIGHT):
    row = []
    for x in range(WIDTH):
        row += [*COLOUR, round(255 * coverage(x, y))]
    rows.append(row)
with open("resources/image/playerView/icon_angle.png", "wb") as out:
    out.write(png(rows))
