#!/usr/bin/env python3
"""Pixel checks on screenshots of the X display (any format ImageMagick reads).

Each command prints one line of findings; the exit status is 0 when the check holds, 1 when it
does not, 2 on a usage error.

  palette IMG COLOUR...       every pixel is one of the colours (#RRGGBB); prints the number of
                              other pixels, the first few of them, and how many are not black
  share IMG COLOUR MIN        at least the fraction MIN of the pixels are exactly COLOUR
  same IMG REF MIN            at least the fraction MIN of the pixels equal those of REF
  regions IMG TOL MIN SPEC... SPEC is x0,y0,x1,y1=#RRGGBB (fractions of the width and height):
                              in each region at least MIN of the pixels lie within TOL (per
                              channel) of the colour
  layer IMG                   prints "rows N top_rows M": N counts the rows at the bottom in
                              which at least 90% of the pixels are white, M such rows in the
                              upper half
  differ A B MIN              at least MIN pixels differ between A and B
  crop IMG X Y W H OUT        writes the rectangle as OUT (any format ImageMagick writes)
  flakes IMG K WIDTH          the snow is drawn at scale K: every K x K square from (0, 0) is
                              one colour, and the commonest width of the separate flakes (groups
                              of touching non-black pixels) is WIDTH; prints the squares that
                              are not one colour and the commonest widths
  count IMG X Y W H COLOUR    prints "count N box L,T,R,B": the pixels of the rectangle that are
                              exactly COLOUR and their bounding box (from the rectangle's corner;
                              "box none" when there are none)
  only IMG X Y W H COLOUR     every pixel of the rectangle is COLOUR; prints how many are not
"""
import subprocess
import sys


def load(path):
    """Returns (width, height, bytes of RGB triples)."""
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    # P6 header: magic, width, height, maxval, each followed by whitespace.
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:pos + width * height * 3]


def colour(text):
    text = text.lstrip("#")
    return bytes(int(text[i:i + 2], 16) for i in (0, 2, 4))


def pixels(rgb):
    return [rgb[i:i + 3] for i in range(0, len(rgb), 3)]


def cmd_palette(args):
    _, _, rgb = load(args[0])
    allowed = {colour(c) for c in args[1:]}
    counts = {}
    for p in pixels(rgb):
        counts[p] = counts.get(p, 0) + 1
    other = {p: n for p, n in counts.items() if p not in allowed}
    bad = sum(other.values())
    nonblack = sum(n for p, n in counts.items() if p != b"\0\0\0")
    worst = sorted(other.items(), key=lambda kv: -kv[1])[:5]
    print("other %d nonblack %d%s" % (bad, nonblack, "".join(
        " #%02X%02X%02X:%d" % (p[0], p[1], p[2], n) for p, n in worst)))
    return 0 if bad == 0 else 1


def cmd_share(args):
    _, _, rgb = load(args[0])
    want = colour(args[1])
    px = pixels(rgb)
    share = sum(1 for p in px if p == want) / len(px)
    print("share %.4f" % share)
    return 0 if share >= float(args[2]) else 1


def cmd_same(args):
    w1, h1, a = load(args[0])
    w2, h2, b = load(args[1])
    if (w1, h1) != (w2, h2):
        print("sizes differ: %dx%d and %dx%d" % (w1, h1, w2, h2))
        return 1
    pa, pb = pixels(a), pixels(b)
    share = sum(1 for x, y in zip(pa, pb) if x == y) / len(pa)
    print("same %.4f" % share)
    return 0 if share >= float(args[2]) else 1


def cmd_regions(args):
    width, height, rgb = load(args[0])
    tol, need = int(args[1]), float(args[2])
    status = 0
    found = []
    for spec in args[3:]:
        box, hexcol = spec.split("=")
        x0, y0, x1, y1 = (float(v) for v in box.split(","))
        want = colour(hexcol)
        good = total = 0
        for y in range(int(y0 * height), int(y1 * height)):
            row = y * width * 3
            for x in range(int(x0 * width), int(x1 * width)):
                p = rgb[row + x * 3:row + x * 3 + 3]
                total += 1
                if all(abs(p[i] - want[i]) <= tol for i in range(3)):
                    good += 1
        share = good / total if total else 0.0
        found.append("%s:%.3f" % (spec, share))
        if share < need:
            status = 1
    print(" ".join(found))
    return status


def cmd_layer(args):
    width, height, rgb = load(args[0])
    white = b"\xff\xff\xff"

    def white_row(y):
        line = rgb[y * width * 3:(y + 1) * width * 3]
        return sum(1 for x in range(width) if line[x * 3:x * 3 + 3] == white) >= 0.9 * width

    rows = 0
    for y in range(height - 1, -1, -1):
        if not white_row(y):
            break
        rows += 1
    top_rows = sum(1 for y in range(height // 2) if white_row(y))
    print("rows %d top_rows %d" % (rows, top_rows))
    return 0


def cmd_differ(args):
    w1, h1, a = load(args[0])
    w2, h2, b = load(args[1])
    if (w1, h1) != (w2, h2):
        print("sizes differ")
        return 0
    n = sum(1 for x, y in zip(pixels(a), pixels(b)) if x != y)
    print("differ %d" % n)
    return 0 if n >= int(args[2]) else 1


def cmd_crop(args):
    img, x, y, w, h, out = args
    subprocess.run(["convert", img, "-crop", "%sx%s+%s+%s" % (w, h, x, y), "+repage", out],
                   check=True)
    return 0


def cmd_flakes(args):
    width, height, rgb = load(args[0])
    k, want = int(args[1]), int(args[2])
    px = pixels(rgb)
    mixed = 0
    for y0 in range(0, height - height % k, k):
        for x0 in range(0, width - width % k, k):
            first = px[y0 * width + x0]
            if any(px[(y0 + dy) * width + x0 + dx] != first
                   for dy in range(k) for dx in range(k)):
                mixed += 1
    # Groups of touching (8-neighbour) non-black pixels, and the width of each.
    black = b"\x00\x00\x00"
    seen = bytearray(width * height)
    widths = {}
    for start in range(width * height):
        if seen[start] or px[start] == black:
            continue
        seen[start] = 1
        stack, left, right = [start], width, -1
        while stack:
            i = stack.pop()
            x, y = i % width, i // width
            left, right = min(left, x), max(right, x)
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < width and 0 <= ny < height:
                        j = ny * width + nx
                        if not seen[j] and px[j] != black:
                            seen[j] = 1
                            stack.append(j)
        w = right - left + 1
        widths[w] = widths.get(w, 0) + 1
    common = sorted(widths.items(), key=lambda item: -item[1])[:4]
    print("mixed_squares %d widths %s" % (mixed, ",".join("%d:%d" % c for c in common)))
    return 0 if mixed == 0 and common and common[0][0] == want else 1


def rectangle(args):
    """The pixels of the rectangle X Y W H of the image, row by row, with their positions."""
    width, height, rgb = load(args[0])
    x0, y0, w, h = (int(v) for v in args[1:5])
    for y in range(max(0, y0), min(height, y0 + h)):
        for x in range(max(0, x0), min(width, x0 + w)):
            i = (y * width + x) * 3
            yield x - x0, y - y0, rgb[i:i + 3]


def cmd_count(args):
    want = colour(args[5])
    found = [(x, y) for x, y, p in rectangle(args) if p == want]
    if not found:
        print("count 0 box none")
        return 0
    xs, ys = [x for x, _ in found], [y for _, y in found]
    print("count %d box %d,%d,%d,%d" % (len(found), min(xs), min(ys), max(xs) + 1, max(ys) + 1))
    return 0


def cmd_only(args):
    want = colour(args[5])
    other = sum(1 for _, _, p in rectangle(args) if p != want)
    print("other %d" % other)
    return 0 if other == 0 else 1


COMMANDS = {"flakes": cmd_flakes, "palette": cmd_palette, "share": cmd_share, "same": cmd_same,
            "regions": cmd_regions, "layer": cmd_layer, "differ": cmd_differ, "crop": cmd_crop,
            "count": cmd_count, "only": cmd_only}

if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in COMMANDS:
        print(__doc__)
        sys.exit(2)
    sys.exit(COMMANDS[sys.argv[1]](sys.argv[2:]))
