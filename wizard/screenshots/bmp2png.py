#!/usr/bin/env python3
"""Converts a 24-bit uncompressed BMP file (as the wizard driver writes it) to PNG:
bmp2png.py INPUT.bmp OUTPUT.png"""
import struct
import sys
import zlib


def main():
    data = open(sys.argv[1], "rb").read()
    if data[:2] != b"BM":
        sys.exit("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        sys.exit("only 24-bit uncompressed BMP files are read")
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        source_row = abs(height) - 1 - y if height > 0 else y
        row = data[offset + source_row * stride: offset + source_row * stride + width * 3]
        rgb = bytearray(len(row))
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::3], row[1::3], row[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)


main()
