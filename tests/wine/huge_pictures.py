#!/usr/bin/env python3
"""Writes pictures that would exhaust or freeze a saver that believed them, into a folder:

  bmp_30000.bmp, bmp_65535.bmp    24-bit bitmap headers claiming 30000 x 30000 and 65535 x 65535
                                  pixels, followed by a few rows' worth of bytes
  jpg_30000.jpg, jpg_65535.jpg    a real jpg whose frame header is patched to claim those sizes
  jpg_many_scans.jpg              a real progressive 2400 x 1800 jpg whose last scan is repeated
                                  until it has 400 scans (each one a pass over the whole picture)
  jpg_progressive.jpg             the same jpg as it was made: a picture the saver shows
  wmf_huge_extent.wmf             a placeable metafile 32767 inches square
  wmf_many_records.wmf            a placeable metafile of a million lines
  wmf_lines.wmf                   one of 15 000 lines, within the bound: a picture the saver shows
  wmf_huge_bitmap.wmf             a metafile one inch square whose one record draws a bitmap that
                                  claims 30000 x 30000 pixels in 64 bytes
  wmf_bitmap.wmf                  one whose record draws a real 64 x 48 bitmap over the whole
                                  inch: a picture the saver shows
  png_30000.png, tif_30000.tif    a real png and tiff whose headers are patched to claim 30000 x
                                  30000 pixels (the png's header checksum made right again)

Usage: huge_pictures.py FOLDER
"""
import os
import struct
import subprocess
import sys


def bmp(width, height):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 3780, 3780, 0, 0)
    pixels = b"\x40" * 4096
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def segments(data):
    """The jpg's marker segments up to the first scan, then the scans, as (marker, bytes)."""
    out, at = [], 2
    while at < len(data):
        assert data[at] == 0xFF
        marker = data[at + 1]
        if marker == 0xD9:
            break
        length = struct.unpack(">H", data[at + 2:at + 4])[0]
        end = at + 2 + length
        if marker == 0xDA:  # the scan's coded data runs to the next marker
            while not (data[end] == 0xFF and data[end + 1] not in (0x00,) and
                       not 0xD0 <= data[end + 1] <= 0xD7):
                end += 1
        out.append((marker, data[at:end]))
        at = end
    return out


def with_frame_size(data, width, height):
    out = bytearray(data)
    for marker, seg in segments(data):
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            at = bytes(out).index(seg)
            out[at + 5:at + 9] = struct.pack(">HH", height, width)
    return bytes(out)


def with_scans(data, count):
    segs = segments(data)
    scans = sum(1 for m, _ in segs if m == 0xDA)
    last = segs[-1][1]
    return data[:-2] + last * (count - scans) + b"\xFF\xD9"


def wmf(right, bottom, inch, lines):
    line = struct.pack("<IHHH", 5, 0x0213, 0, 0)  # LineTo
    # The window over the whole box, a red pen (CreatePenIndirect: solid, width 1) selected,
    # then moves and lines.
    pen = (struct.pack("<IHHH", 5, 0x020B, 0, 0) + struct.pack("<IHHH", 5, 0x020C, bottom, right) +
           struct.pack("<IHHHHHH", 8, 0x02FA, 0, 1, 0, 0x00FF, 0x0000) +
           struct.pack("<IHH", 4, 0x012D, 0))
    body = pen + b"".join(struct.pack("<IHHH", 5, 0x0213 if i % 2 else 0x0214, (i * 7) % bottom,
                                (i * 13) % right) for i in range(lines))
    body = body + struct.pack("<IH", 3, 0)
    meta = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + len(body) // 2, 1, 8, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, right, bottom, inch, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    return placeable + struct.pack("<H", checksum) + meta + body


def wmf_of(records, right=1440, bottom=1440, inch=1440):
    """A placeable metafile of the box (0, 0)-(right, bottom) in 1/inch inch with the window set
    over the whole box, then the records."""
    window = struct.pack("<IHHH", 5, 0x020B, 0, 0) + struct.pack("<IHHH", 5, 0x020C, bottom, right)
    body = window + b"".join(records) + struct.pack("<IH", 3, 0)
    largest = max(len(r) // 2 for r in records + [window])
    meta = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + len(body) // 2, 1, largest, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, right, bottom, inch, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    return placeable + struct.pack("<H", checksum) + meta + body


def stretch_dib(width, height, bits, right=1440, bottom=1440):
    """A StretchDIBits record of a 24-bit bitmap claiming width x height pixels over the box."""
    params = struct.pack("<IH", 0x00CC0020, 0) + struct.pack("<8H", height, width, 0, 0, bottom,
                                                             right, 0, 0)
    params += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0) + bits
    if len(params) % 2:
        params += b"\0"
    return struct.pack("<IH", 3 + len(params) // 2, 0x0F43) + params


def png_with_size(data, width, height):
    """A png whose header chunk claims width x height, with its checksum made right."""
    import zlib
    assert data[12:16] == b"IHDR"
    body = b"IHDR" + struct.pack(">II", width, height) + data[24:29]
    return data[:12] + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF) + data[33:]


def tiff_with_size(data, width, height):
    """A little-endian tiff whose first directory claims width x height (as long values)."""
    assert data[:4] == b"II*\0"
    out = bytearray(data)
    directory = struct.unpack_from("<I", data, 4)[0]
    count = struct.unpack_from("<H", data, directory)[0]
    for i in range(count):
        entry = directory + 2 + 12 * i
        tag = struct.unpack_from("<H", data, entry)[0]
        if tag in (256, 257):
            struct.pack_into("<HHII", out, entry, tag, 4, 1, width if tag == 256 else height)
    return bytes(out)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)

    def write(name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

    write("bmp_30000.bmp", bmp(30000, 30000))
    write("bmp_65535.bmp", bmp(65535, 65535))
    progressive = os.path.join(folder, "jpg_progressive.jpg")
    subprocess.run(["convert", "-size", "2400x1800", "gradient:#3060C0-#C0E0FF", "-interlace",
                    "JPEG", "-quality", "90", progressive], check=True)
    with open(progressive, "rb") as f:
        data = f.read()
    write("jpg_30000.jpg", with_frame_size(data, 30000, 30000))
    write("jpg_65535.jpg", with_frame_size(data, 65535, 65535))
    write("jpg_many_scans.jpg", with_scans(data, 400))
    write("wmf_huge_extent.wmf", wmf(32767, 32767, 1, 10))
    write("wmf_many_records.wmf", wmf(1440, 1440, 1440, 1000000))
    write("wmf_lines.wmf", wmf(1440, 1440, 1440, 15000))
    write("wmf_huge_bitmap.wmf", wmf_of([stretch_dib(30000, 30000, b"\x40" * 64)]))
    # Rows of 64 pixels (192 bytes), bottom row first: a sky blue that no flake is drawn in.
    write("wmf_bitmap.wmf", wmf_of([stretch_dib(64, 48, bytes([0xC8, 0x78, 0x1E]) * 64 * 48)]))
    for ext, patch in (("png", png_with_size), ("tif", tiff_with_size)):
        real = os.path.join(folder, "real." + ext)
        subprocess.run(["convert", "-size", "64x64", "gradient:#3060C0-#C0E0FF", real], check=True)
        with open(real, "rb") as f:
            write(ext + "_30000." + ext, patch(f.read(), 30000, 30000))
        os.remove(real)


if __name__ == "__main__":
    main()
