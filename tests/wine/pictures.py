#!/usr/bin/env python3
"""Writes the test pictures into a folder: a 40 x 60 picture of four coloured quadrants as
quad.bmp (24-bit), quad.jpg, quad.png, quad.gif and quad.tif (via ImageMagick) and quad.wmf (a
placeable metafile of four filled rectangles); the same picture as a phone stores a portrait
photo, turned a quarter anticlockwise into 60 x 40 with Exif orientation 6, as a baseline jpg
(phone_6.jpg) and a progressive one (phone_6_progressive.jpg); and bad.jpg, a file of junk bytes
that no decoder takes for a picture.

The picture is portrait while the screens are landscape, so a background that kept the aspect
ratio instead of stretching leaves the screen's sides uncovered.

Usage: pictures.py FOLDER
"""
import os
import random
import struct
import subprocess
import sys

WIDTH, HEIGHT = 40, 60
# Top left, top right, bottom left, bottom right.
QUADRANTS = [(0xC0, 0x30, 0x20), (0x20, 0xA0, 0x40), (0x20, 0x40, 0xC0), (0xE0, 0xC0, 0x20)]


def quadrant_colour(x, y):
    return QUADRANTS[(2 if y >= HEIGHT // 2 else 0) + (1 if x >= WIDTH // 2 else 0)]


def write_bmp(path):
    stride = (WIDTH * 3 + 3) // 4 * 4
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = quadrant_colour(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + image)


def record(function, *words):
    """One metafile record: size in 16-bit words, function number, parameters."""
    return struct.pack("<IH", 3 + len(words), function) + struct.pack("<%dH" % len(words), *words)


def write_wmf(path):
    records = [
        record(0x020B, 0, 0),  # SetWindowOrg (y, x)
        record(0x020C, HEIGHT, WIDTH),  # SetWindowExt (y, x)
        record(0x02FA, 5, 0, 0, 0, 0),  # CreatePenIndirect: PS_NULL -> object 0
        record(0x012D, 0),  # SelectObject 0
    ]
    half_w, half_h = WIDTH // 2, HEIGHT // 2
    boxes = [(0, 0, half_w, half_h), (half_w, 0, WIDTH, half_h), (0, half_h, half_w, HEIGHT),
             (half_w, half_h, WIDTH, HEIGHT)]
    for (left, top, right, bottom), (r, g, b) in zip(boxes, QUADRANTS):
        colorref = r | (g << 8) | (b << 16)
        records.append(record(0x02FC, 0, colorref & 0xFFFF, colorref >> 16, 0))  # brush -> 1
        records.append(record(0x012D, 1))  # SelectObject 1
        # Rectangle (bottom, right, top, left); a null pen leaves out the last row and column,
        # so each box reaches one unit further.
        records.append(record(0x041B, bottom + 1, right + 1, top, left))
        records.append(record(0x01F0, 1))  # DeleteObject 1
    records.append(record(0x0000))  # EOF
    body = b"".join(records)
    max_record = max(struct.unpack_from("<I", r)[0] for r in records)
    size_words = (18 + len(body)) // 2
    meta_header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, 2, max_record, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, WIDTH, HEIGHT, 96, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    with open(path, "wb") as f:
        f.write(placeable + struct.pack("<H", checksum) + meta_header + body)


def with_orientation(path, orientation):
    """Puts an Exif segment holding the orientation after the jpg's JFIF segment."""
    with open(path, "rb") as f:
        data = f.read()
    tiff = (b"II*\0" + struct.pack("<IH", 8, 1) + struct.pack("<HHIHH", 0x0112, 3, 1, orientation, 0)
            + struct.pack("<I", 0))
    exif = b"Exif\0\0" + tiff
    segment = b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif
    assert data[2:4] == b"\xff\xe0", "ImageMagick wrote no JFIF segment first"
    end = 4 + struct.unpack(">H", data[4:6])[0]
    with open(path, "wb") as f:
        f.write(data[:end] + segment + data[end:])


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_bmp(os.path.join(folder, "quad.bmp"))
    subprocess.run(["convert", os.path.join(folder, "quad.bmp"), "-quality", "95",
                    os.path.join(folder, "quad.jpg")], check=True)
    write_wmf(os.path.join(folder, "quad.wmf"))
    quad = os.path.join(folder, "quad.bmp")
    for name in ("quad.png", "quad.gif", "quad.tif"):
        subprocess.run(["convert", quad, os.path.join(folder, name)], check=True)
    for name, interlace in (("phone_6.jpg", "None"), ("phone_6_progressive.jpg", "JPEG")):
        path = os.path.join(folder, name)
        subprocess.run(["convert", quad, "-rotate", "270", "-quality", "95", "-interlace",
                        interlace, path], check=True)
        with_orientation(path, 6)
    junk = random.Random(1234)
    with open(os.path.join(folder, "bad.jpg"), "wb") as f:
        f.write(bytes(junk.randrange(256) for _ in range(4096)))


if __name__ == "__main__":
    main()
