#!/usr/bin/env python3
"""Writes Setup32's icon: an access-kit CD with a globe in front of it.

Usage: python3 make_icon.py OUT.ico

The file holds one 64x64 image with 256 colours (8 bits per pixel): a
BITMAPINFOHEADER, a 256-entry palette, the colour (XOR) bitmap and the
1-bit transparency (AND) mask. Only the standard library is used and only
exact arithmetic (no trigonometry), so the output is the same everywhere.
"""
import math
import struct
import sys

SIZE = 64

PALETTE = [                # (red, green, blue)
    (0, 0, 0),             # 0 transparent pixels / black
    (64, 64, 72),          # 1 disc outline
    (226, 226, 234),       # 2 silver, light
    (190, 190, 200),       # 3 silver, shaded
    (150, 220, 245),       # 4 sheen, cyan
    (238, 178, 222),       # 5 sheen, pink
    (244, 234, 150),       # 6 sheen, yellow
    (150, 150, 162),       # 7 hub
    (30, 90, 190),         # 8 ocean
    (90, 155, 235),        # 9 ocean, lit side
    (50, 165, 70),         # 10 land
    (205, 228, 255),       # 11 globe grid
    (10, 30, 90),          # 12 globe outline
]

DISC = (26.5, 26.5, 26.0)     # centre x, centre y, radius
HOLE, HUB = 4.5, 10.0
GLOBE = (45.0, 45.0, 17.0)
MERIDIANS = (0.0, 0.707, -0.707)             # sin of 0 and +-45 degrees
PARALLELS = (0.0, 0.5, -0.5)
LANDS = (                      # ellipses in unit globe coordinates: x, y, rx, ry
    (-0.35, -0.30, 0.30, 0.38),
    (0.30, 0.25, 0.28, 0.40),
    (0.45, -0.45, 0.22, 0.15),
)


def disc_pixel(x, y):
    """Palette index of the CD at pixel centre (x, y), or None outside it."""
    cx, cy, r = DISC
    dx, dy = x - cx, y - cy
    d = math.sqrt(dx * dx + dy * dy)
    if d > r or d < HOLE:
        return None
    if d > r - 1.2 or d < HOLE + 1.2:
        return 1
    if d < HUB:
        return 1 if d > HUB - 1.0 else 7
    # A rainbow sheen along the diagonal from top-right to bottom-left.
    if abs(dx + dy) < 0.4 * d:
        return (4, 5, 6)[int((d - HUB) / 5.4) % 3]
    return 2 if dx + dy < 0 else 3


def globe_pixel(x, y):
    """Palette index of the globe at pixel centre (x, y), or None outside it."""
    cx, cy, r = GLOBE
    u, v = (x - cx) / r, (y - cy) / r
    dd = u * u + v * v
    if dd > 1.0:
        return None
    if math.sqrt(dd) > 1.0 - 1.3 / r:
        return 12
    half_width = math.sqrt(1.0 - v * v)
    for s in MERIDIANS:
        if abs(u - s * half_width) * r < 0.55:
            return 11
    for p in PARALLELS:
        if abs(v - p) * r < 0.5:
            return 11
    for lx, ly, rx, ry in LANDS:
        if ((u - lx) / rx) ** 2 + ((v - ly) / ry) ** 2 <= 1.0:
            return 10
    return 9 if (u + 0.45) ** 2 + (v + 0.45) ** 2 < 0.2 else 8


def render():
    """Rows top to bottom of palette indexes; None marks a transparent pixel."""
    rows = []
    for j in range(SIZE):
        row = []
        for i in range(SIZE):
            x, y = i + 0.5, j + 0.5
            colour = globe_pixel(x, y)
            if colour is None:
                colour = disc_pixel(x, y)
            row.append(colour)
        rows.append(row)
    return rows


def ico_bytes(rows):
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += bytes(4 * (256 - len(PALETTE)))

    xor = bytearray()
    mask = bytearray()
    mask_stride = ((SIZE + 31) // 32) * 4
    for row in reversed(rows):                # DIBs are stored bottom-up
        xor += bytes(0 if c is None else c for c in row)
        bits = bytearray(mask_stride)
        for i, c in enumerate(row):
            if c is None:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits

    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 256, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icon.py OUT.ico\n")
        return 2
    with open(argv[1], "wb") as out:
        out.write(ico_bytes(render()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
