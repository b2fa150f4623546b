#!/usr/bin/env python3
"""Draws the program's icon, a watch face over a parcel, and writes orderwatch.ico.

The icon is committed; run this only to draw it again. Each size is drawn from the same
shapes with 4x4 supersampling, stored as a 32-bit image with alpha.
"""
import math
import struct
from pathlib import Path

SIZES = (16, 24, 32, 48)
PARCEL = (0xC8, 0x8A, 0x3C)  # cardboard brown
TAPE = (0xE8, 0xC8, 0x8C)
FACE = (0xFF, 0xFF, 0xFF)
RIM = (0x1F, 0x5F, 0xB0)
HAND = (0x20, 0x20, 0x20)


def colour_at(x, y):
    """The colour and coverage of the point (x, y) of a unit square, y downwards."""
    cx, cy, r = 0.62, 0.60, 0.36
    d = math.hypot(x - cx, y - cy)
    if d <= r:
        if d >= r - 0.07:
            return RIM
        # Hands at ten past ten: thin bars from the centre.
        for angle, length in ((-60, 0.22), (200, 0.17)):
            a = math.radians(angle)
            hx, hy = math.cos(a), math.sin(a)
            t = (x - cx) * hx + (y - cy) * hy
            n = abs(-(x - cx) * hy + (y - cy) * hx)
            if 0 <= t <= length and n <= 0.035:
                return HAND
        return FACE
    if 0.06 <= x <= 0.70 and 0.10 <= y <= 0.66:
        if 0.34 <= x <= 0.42:
            return TAPE
        return PARCEL
    return None


def draw(size):
    """Rows of BGRA pixels, bottom row first as the icon format wants."""
    samples = 4
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) / size,
                                  (py + (sy + 0.5) / samples) / size)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            total[i] += c[i]
            if covered:
                r, g, b = (t // covered for t in total)
                alpha = covered * 255 // (samples * samples)
                row += bytes((b, g, r, alpha))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(reversed(rows))


def icon_image(size):
    pixels = draw(size)
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + mask_row * size, 0, 0, 0, 0)
    return header + pixels + bytes(mask_row * size)


def main():
    images = [icon_image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    Path(__file__).with_name("orderwatch.ico").write_bytes(out)


if __name__ == "__main__":
    main()
