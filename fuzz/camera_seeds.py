#!/usr/bin/env python3
"""Writes the seed inputs of the camera reader fuzz targets into corpus/<target>/seed-*."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SPHERICAL_ID = bytes.fromhex("ffcc8263f8554a938814587a02521fdd")


def q30(v):
    return struct.pack("<i", int(round(v * (1 << 30))))


def eye_v1(flags, rate, records):
    head = struct.pack("<HHH", 1, flags, rate)
    if flags & 1:
        head += struct.pack("<H", 7)
    if flags & 2:
        head += struct.pack("<h", -40)
    head += b"\0" * (-len(head) % 4)
    return head + b"".join(b"".join(q30(v) for v in q) for q in records)


def eye_v2(flags, pieces):
    head = struct.pack("<HHHHi", 2, flags, 50, 1, 3)
    if flags & 1:
        head += struct.pack("<H", 7)
    if flags & 2:
        head += struct.pack("<h", 40)
    head += b"\0" * (-len(head) % 4)
    body = b""
    for tick, records in pieces:
        data = b"".join(b"".join(q30(v) for v in q) + (b"\1\0\2\0\3\0\0\0" if flags & 1 else b"")
                        for q in records)
        body += struct.pack("<ii", tick, len(data)) + data
    return head + body


def box(kind, body):
    return struct.pack(">I", len(body) + 8) + kind + body


def head_block(text):
    return text + b" " * (512 - len(text))


def tail_block(text):
    return b"m" * (512 - len(text)) + text


UNIT = [(1, 0, 0, 0), (0.7071068, 0.7071068, 0, 0), (0.6, 0, 0.8, 0)]
LENS_BLOCK = b"0,1,0,0,0\n100,0.7071,0.7071,0,0\n"
SEEDS = {
    "gyro_parser_v1": [b"0,0.1,0,0 10,0.1,0,0\n20,0,0.2,0\n", b"0,1.5,0,0"],
    "quaternions_parser_v1": [b"0,1,0,0,0\n100,0.70710678,0.70710678,0,0\n", b"0,1,0,0\n"],
    "quaternions_parser_uqo_eye": [eye_v2(0, [(10, UNIT), (11, UNIT[:1])]),
                                   eye_v2(3, [(10, UNIT)])],
    "uqo_lens_q_parser": [b"v" * 64 + LENS_BLOCK + head_block(
        b"UQOLens{%d,1,2,3,4,5,6}" % len(LENS_BLOCK))],
    "vintaro360_eye_v1": [eye_v1(3, 67, UNIT), eye_v1(0, 50, UNIT[:1])],
    "jpeg360_xmp": [b"\xff\xd8" + b"\xff\xe0\x00\x10JFIF\0\1\1\0\0\1\0\1\0\0"
                    + b"\xff\xe1\x00\x22http://ns.adobe.com/xap/1.0/\0<x/>"
                    + b"\xff\xdb\x00\x04\0\0\xff\xd9"],
    "mp4_360_probe": [box(b"ftyp", b"isom\0\0\0\1") + box(b"moov", box(b"trak", box(
        b"tkhd", b"\0" * 20) + box(b"uuid", SPHERICAL_ID + b"<x>half_equirectangular</x>")))],
    "uqo_lens_trailers": [b"x" * 100 + head_block(b"UQOLens{0,1,2,3,4,5,6,1}"),
                          b"x" * 100 + head_block(b"UQOLensPhoto{70711,70711,0,0,1,2,3,4,5,6,1}")],
    "uqo_post_attachment": [
        b"x" * 100 + tail_block(b"{100,0,V_20230102_030405,40,2,3,9605,5405,5000}UQOCam"),
        b"x" * 100 + tail_block(b"{1,2,9605,5405,5000}Vintaro360")],
    "video_rotation_feeder": [eye_v1(0, 50, UNIT * 20), eye_v2(0, [(10 * i, UNIT * 3 + UNIT[:1])
                                                                for i in range(6)]),
                              b"x" * 64 + eye_v2(0, [(0, UNIT), (10, UNIT)]) + tail_block(
                                  b"{100,0,V,%d,2,0,0,0,0}UQOCam" % len(eye_v2(0, [(0, UNIT), (10, UNIT)])))],
    "vintaro360_names": [b"V_20230102_030405_017.MP4", b"LP_20230102_030405.JPG",
                         b"P: 5(-01:15) 7,2500,0.6,0,0.8,0,0.7", b"12,34}"],
}

for target, seeds in SEEDS.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for i, seed in enumerate(seeds):
        with open(os.path.join(folder, "seed-%d" % i), "wb") as f:
            f.write(seed)
