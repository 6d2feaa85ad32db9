#!/usr/bin/env python3
"""Draws KOVA's icon, a white "K" on a rounded blue square, and writes it as
an .ico file with 16x16 and 32x32 images of 32 bits (BGRA with alpha, plus
the 1-bit mask older readers of the format expect).

    make-icon.py [OUTPUT]      (default: app/win/kova.ico beside this folder)

The output is deterministic: the same script writes the same bytes, so the
committed icon can be checked against it.
"""

import os
import struct
import sys

BACKGROUND = (0x1F, 0x6F, 0xB2)  # RGB
GLYPH = (0xFF, 0xFF, 0xFF)
SUBSAMPLES = 4  # per axis, for smooth edges

# The "K" in unit coordinates (0..1, y downwards): the stem and two arms,
# each a segment drawn with a round pen of STROKE width.
STROKE = 0.15
SEGMENTS = [
    ((0.33, 0.22), (0.33, 0.78)),  # stem
    ((0.37, 0.54), (0.70, 0.22)),  # upper arm
    ((0.46, 0.45), (0.72, 0.78)),  # lower leg
]
CORNER = 0.18  # radius of the square's corners


def distance_to_segment(px, py, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    cx, cy = ax + t * dx, ay + t * dy
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5


def in_rounded_square(x, y):
    # The square fills the unit box but for its rounded corners.
    cx = min(max(x, CORNER), 1 - CORNER)
    cy = min(max(y, CORNER), 1 - CORNER)
    return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER ** 2


def in_glyph(x, y):
    return any(distance_to_segment(x, y, a, b) <= STROKE / 2 for a, b in SEGMENTS)


def render(size):
    """Rows of (r, g, b, a) tuples, top row first."""
    rows = []
    n = SUBSAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            cover = glyph = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    if in_rounded_square(x, y):
                        cover += 1
                        if in_glyph(x, y):
                            glyph += 1
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            g = glyph / cover
            colour = tuple(round(BACKGROUND[i] * (1 - g) + GLYPH[i] * g) for i in range(3))
            row.append(colour + (round(255 * cover / (n * n)),))
        rows.append(row)
    return rows


def bitmap(size):
    """The image as the .ico format stores it: a BITMAPINFOHEADER of twice
    the height, BGRA rows bottom-up, then the AND mask (1 = transparent)."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_r, _g, _b, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def icon(sizes):
    images = [bitmap(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "app", "win", "kova.ico")
    with open(target, "wb") as f:
        f.write(icon([16, 32]))


if __name__ == "__main__":
    main()
