#!/usr/bin/env python3
"""Turns a character map of 32 x 32 pixels (resources/frin_icon.txt) into a 16-colour .ico.

Usage: make_ico.py MAP ICO
Lines starting with '#' are comments; the other non-empty lines are the rows, top first, one
character per pixel. '.' is transparent; the letters name colours of the standard 16-colour
palette (see COLOURS).
"""
import struct
import sys

# The standard 16-colour palette: index -> (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
COLOURS = {'K': 0, 'N': 4, 'S': 7, 'G': 8, 'B': 12, 'C': 14, 'W': 15}
SIZE = 32


def read_map(path):
    rows = []
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            rows.append(line)
    if len(rows) != SIZE or any(len(r) != SIZE for r in rows):
        sys.exit(f'{path}: the map must be {SIZE} rows of {SIZE} characters')
    for r in rows:
        for c in r:
            if c != '.' and c not in COLOURS:
                sys.exit(f'{path}: unknown pixel character {c!r}')
    return rows


def make_ico(rows):
    # Colour bits, 4 per pixel, bottom row first; rows of 16 bytes need no padding.
    xor = bytearray()
    for r in reversed(rows):
        for x in range(0, SIZE, 2):
            hi = COLOURS.get(r[x], 0)
            lo = COLOURS.get(r[x + 1], 0)
            xor.append(hi << 4 | lo)
    # Transparency mask, 1 bit per pixel (1 = transparent), bottom row first, 4 bytes a row.
    mask = bytearray()
    for r in reversed(rows):
        bits = 0
        for c in r:
            bits = bits << 1 | (1 if c == '.' else 0)
        mask += bits.to_bytes(4, 'big')
    palette = b''.join(bytes((b, g, r_, 0)) for (r_, g, b) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return icondir + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = make_ico(read_map(sys.argv[1]))
    with open(sys.argv[2], 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
