#!/usr/bin/env python3
"""Draws the wizard's icon (a blue disc with a white box being gathered) at 32x32 and 16x16,
32-bit with alpha, and writes it as an .ico file: make-icon.py OUTPUT.ico"""
import math
import struct
import sys


def pixel(size, x, y):
    c = (size - 1) / 2.0
    r = size / 2.0 - 0.5
    d = math.hypot(x - c, y - c)
    if d > r + 0.5:
        return (0, 0, 0, 0)
    alpha = int(255 * max(0.0, min(1.0, r + 0.5 - d)))
    u, v = x / size, y / size
    # A white box (the archive) with a lid line, on a blue disc with a darker rim.
    if 0.28 <= u <= 0.72 and 0.36 <= v <= 0.74:
        if abs(v - 0.48) < 0.5 / size + 0.02 or (0.46 <= u <= 0.54 and v < 0.48):
            return (0x30, 0x60, 0xB0, alpha)
        return (0xFF, 0xFF, 0xFF, alpha)
    if 0.40 <= u <= 0.60 and 0.18 <= v < 0.36:  # the arrow into the box
        return (0xFF, 0xD0, 0x40, alpha)
    if d > r - size / 16.0:
        return (0x10, 0x38, 0x80, alpha)
    return (0x28, 0x70, 0xD0, alpha)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        for x in range(size):
            red, green, blue, alpha = pixel(size, x, y)
            rows.append(struct.pack("<BBBB", blue, green, red, alpha))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = [32, 16]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


main()
