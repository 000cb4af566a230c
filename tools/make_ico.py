#!/usr/bin/env python3
"""Makes frin.ico: the 32 x 32 16-colour image from its character map, then the same crystal
drawn at 16, 24, 48, 64 and 256 pixels in 32-bit colour with alpha.

Usage: make_ico.py MAP ICO [SHEET]
MAP is the character map of the 32 x 32 image (resources/frin_icon.txt): lines starting with '#'
are comments; the other non-empty lines are the rows, top first, one character per pixel. '.' is
transparent; the letters name colours of the standard 16-colour palette (see COLOURS). SHEET, when
given, is a PNG of every size side by side on a chequered ground (docs/icon_sizes.png).

The directory lists the 32 x 32 16-colour image first, then the drawn sizes smallest first. The
drawn images are 32-bit DIBs with an AND mask, which every Windows since XP reads, except the
256 x 256 one, which is a PNG as Vista and later read it (XP never asks for one so large).
"""
import math
import struct
import sys
import zlib

# The standard 16-colour palette: index -> (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
COLOURS = {'K': 0, 'N': 4, 'S': 7, 'G': 8, 'B': 12, 'C': 14, 'W': 15}
SIZE = 32

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
CYAN = (0, 255, 255)

# The crystal that every drawn size is made from, in pixels of the 32 x 32 image, from the
# crystal's centre; it follows the hand-drawn one. Six white arms, one pointing straight up, each
# with one pair of branches leaving it at 60 degrees on either side (so each branch runs parallel
# to a neighbouring arm); a white hexagon at the centre; cyan at the end of every arm and branch
# and in a hexagonal ring round the centre; a black outline round all of it (its width is set for
# each size). Lines have round ends; a line's reach is its length plus its half width. Each size
# is drawn from this at its own resolution, where a larger map could only be reduced (its lines
# going grey) or enlarged (going blocky).
CRYSTAL = {
    'arm': 13.0,          # length of an arm
    'arm_half': 1.0,      # half the width of an arm
    'arm_cyan': 2.0,      # the cyan end of an arm, measured back from its reach
    'branch_at': 7.2,     # where a pair of branches leaves its arm, from the centre
    'branch': 3.8,        # length of a branch
    'branch_half': 1.0,   # half the width of a branch
    'branch_cyan': 1.4,   # the cyan end of a branch
    'hub': 3.4,           # the centre hexagon's corner radius (corners left and right)
    'ring': (1.1, 2.3),   # the cyan ring's inner and outer corner radii
}

# How each drawn size is rendered: pixels per pixel of the 32 x 32 design (a little less where
# the crystal and its outline must fit with a pixel to spare); where the centre falls, on a
# pixel's corner (the middle of the image) or on the centre of pixel (c, c), which an odd line
# width needs to be sharp; whether the edges are sharp (each pixel takes what lies under its
# centre, as in the hand-drawn 32 x 32) or antialiased; the outline's width in pixels (one up to
# 24, then about a 32nd of the size, so that the 256-pixel crystal keeps the hand-drawn one's
# bold outline and black pockets); and what the smallest sizes leave out: at 16 pixels the
# branches would close the gaps between the arms, and at 16 and 24 the cyan ring fills to a cyan
# centre.
DRAWN = [
    {'size': 16, 'scale': 0.42, 'centre': 7, 'sharp': True, 'outline': 1, 'branches': False,
     'ring': (0, 2.3), 'arm_cyan': 2.5},
    {'size': 24, 'scale': 0.75, 'sharp': True, 'outline': 1, 'ring': (0, 2.3)},
    {'size': 48, 'scale': 1.4, 'centre': 23, 'outline': 2},
    {'size': 64, 'scale': 2.0, 'outline': 2},
    {'size': 256, 'scale': 8.0, 'outline': 8},
]

SQRT3_2 = math.sqrt(3) / 2
# The six directions, clockwise from straight up (y grows downwards). The set is its own mirror
# image both ways, so the drawing is exactly symmetric.
DIRECTIONS = [(0.0, -1.0), (SQRT3_2, -0.5), (SQRT3_2, 0.5), (0.0, 1.0), (-SQRT3_2, 0.5),
              (-SQRT3_2, -0.5)]


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


def map_image(rows):
    """The 16-colour .ico image: header, palette, colour bits and mask."""
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
    return header + palette + bytes(xor) + bytes(mask)


def map_pixels(rows):
    """The 32 x 32 map as rows of (red, green, blue, alpha), for the sheet."""
    return [[(*PALETTE[COLOURS[c]], 255) if c in COLOURS else (0, 0, 0, 0) for c in r]
            for r in rows]


# --- Drawing the crystal ----------------------------------------------------------------------

def hexagon(x, y, radius):
    """Signed distance-like measure to a hexagon with corners left and right: negative inside."""
    ax, ay = abs(x), abs(y)
    return max(ay, ax * SQRT3_2 + ay * 0.5) - radius * SQRT3_2


def crystal_lines(c, scale, branches, snap):
    """The lines of crystal c in pixels from the centre: (start, direction, length, half width,
    cyan from), cyan from being the distance along the line where its cyan end begins. snap:
    'even' or 'odd' rounds widths to whole pixels, odd ones where the centre lies on a pixel's
    centre, so that antialiased upright arms have their edges on pixel edges; None keeps them."""

    def half(w):
        if snap == 'odd':
            return max(0, round(w * scale - 0.5)) + 0.5
        if snap == 'even':
            return max(1, round(w * scale))
        return w * scale

    lines = []
    arm_half = half(c['arm_half'])
    arm = c['arm'] * scale
    for a, d in enumerate(DIRECTIONS):
        lines.append(((0.0, 0.0), d, arm, arm_half, arm + arm_half - c['arm_cyan'] * scale))
        if not branches:
            continue
        start = (d[0] * c['branch_at'] * scale, d[1] * c['branch_at'] * scale)
        branch_half = half(c['branch_half'])
        branch = c['branch'] * scale
        for side in (1, 5):
            lines.append((start, DIRECTIONS[(a + side) % 6], branch, branch_half,
                          branch + branch_half - c['branch_cyan'] * scale))
    return lines


def distances(x, y, c, lines, scale):
    """How far (x, y) (pixels from the centre) lies outside the white crystal c, and outside its
    cyan parts: negative inside."""
    white = hexagon(x, y, c['hub'] * scale)
    inner, outer = c['ring']
    cyan = max(hexagon(x, y, outer * scale), -hexagon(x, y, inner * scale))
    for (sx, sy), (ux, uy), length, half, cyan_from in lines:
        rx, ry = x - sx, y - sy
        along = rx * ux + ry * uy
        t = min(max(along, 0.0), length)
        qx, qy = rx - t * ux, ry - t * uy
        d = math.sqrt(qx * qx + qy * qy) - half
        white = min(white, d)
        cyan = min(cyan, max(d, cyan_from - along))
    return white, max(cyan, white)


def draw(how):
    """The crystal drawn as how (an entry of DRAWN) says: rows of (red, green, blue, alpha),
    alpha straight."""
    size, scale, sharp = how['size'], how['scale'], how.get('sharp', False)
    c = dict(CRYSTAL, **{k: v for k, v in how.items() if k in CRYSTAL})
    snap = None if sharp else 'odd' if 'centre' in how else 'even'
    lines = crystal_lines(c, scale, how.get('branches', True), snap)
    outline = how['outline']
    middle = size / 2 if 'centre' not in how else how['centre'] + 0.5

    def cover(d):  # the share of the pixel on the inner side of an edge d pixels away
        if sharp:
            return 1.0 if d <= 0 else 0.0
        return min(max(0.5 - d, 0.0), 1.0)

    image = []
    for py in range(size):
        row = []
        y = py + 0.5 - middle
        for px in range(size):
            x = px + 0.5 - middle
            white, cyan = distances(x, y, c, lines, scale)
            a_all, a_white, a_cyan = cover(white - outline), cover(white), cover(cyan)
            if a_all <= 0:
                row.append((0, 0, 0, 0))
                continue
            parts = ((WHITE, a_white - a_cyan), (CYAN, a_cyan), (BLACK, a_all - a_white))
            rgb = [round(sum(col[i] * share for col, share in parts) / a_all) for i in range(3)]
            row.append((*rgb, round(a_all * 255)))
        image.append(row)
    return image


# --- Writing the images -----------------------------------------------------------------------

def dib_image(pixels):
    """A 32-bit DIB icon image: BGRA rows bottom first, then the AND mask (1 where the pixel is
    less than half opaque, for whatever draws by the mask alone)."""
    size = len(pixels)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        for (_, _, _, a) in row:
            bits = bits << 1 | (1 if a < 128 else 0)
        mask += (bits << (stride * 8 - size)).to_bytes(stride, 'big')
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + colour + bytes(mask)


def png_image(pixels):
    """An RGBA PNG, each row filtered by the difference from the pixel to its left."""
    width, height = len(pixels[0]), len(pixels)
    raw = bytearray()
    for row in pixels:
        raw.append(1)  # filter type 1: Sub
        previous = (0, 0, 0, 0)
        for p in row:
            raw += bytes((p[i] - previous[i]) & 0xFF for i in range(4))
            previous = p
    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def make_ico(rows):
    # (width, colours, bits per pixel, image)
    entries = [(SIZE, 16, 4, map_image(rows))]
    for how in DRAWN:
        size, pixels = how['size'], draw(how)
        entries.append((size, 0, 32, png_image(pixels) if size == 256 else dib_image(pixels)))
    data = struct.pack('<HHH', 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, colours, bits, image in entries:
        side = size % 256  # 0 stands for 256
        data += struct.pack('<BBBBHHII', side, side, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    return data + b''.join(image for *_, image in entries)


def sheet(images):
    """Every image side by side, bottoms aligned, on a chequered ground, as a PNG."""
    gap = 12
    width = sum(len(i) for i in images) + gap * (len(images) + 1)
    height = max(len(i) for i in images) + 2 * gap
    ground = [[(252, 252, 252, 255) if (x // 8 + y // 8) % 2 else (226, 226, 226, 255)
               for x in range(width)] for y in range(height)]
    left = gap
    for image in images:
        top = height - gap - len(image)
        for y, row in enumerate(image):
            for x, (r, g, b, a) in enumerate(row):
                under = ground[top + y][left + x]
                ground[top + y][left + x] = tuple(
                    (c * a + u * (255 - a) + 127) // 255 for c, u in zip((r, g, b), under)) + (255,)
        left += len(image) + gap
    return png_image(ground)


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    rows = read_map(sys.argv[1])
    with open(sys.argv[2], 'wb') as f:
        f.write(make_ico(rows))
    if len(sys.argv) == 4:
        images = [draw(how) for how in DRAWN]
        images.insert(2, map_pixels(rows))
        with open(sys.argv[3], 'wb') as f:
            f.write(sheet(images))


if __name__ == '__main__':
    main()
