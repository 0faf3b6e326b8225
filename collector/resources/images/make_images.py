#!/usr/bin/env python3
"""Draws the report viewer's icons: small PNGs (19x15 type icons, 15x15 tree bullets, the
90x22 logo) and favicon.ico. Run it from anywhere; it writes beside itself. The PNGs are
committed, so the build does not need this script."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# 3x5 pixel glyphs, rows top to bottom, "#" set.
FONT = {
    '0': ["###", "#.#", "#.#", "#.#", "###"], '1': [".#.", "##.", ".#.", ".#.", "###"],
    '2': ["##.", "..#", ".#.", "#..", "###"], '3': ["##.", "..#", ".#.", "..#", "##."],
    '4': ["#.#", "#.#", "###", "..#", "..#"], '6': [".##", "#..", "###", "#.#", "###"],
    'A': [".#.", "#.#", "###", "#.#", "#.#"], 'B': ["##.", "#.#", "##.", "#.#", "##."],
    'C': [".##", "#..", "#..", "#..", ".##"], 'D': ["##.", "#.#", "#.#", "#.#", "##."],
    'E': ["###", "#..", "##.", "#..", "###"], 'I': ["###", ".#.", ".#.", ".#.", "###"],
    'K': ["#.#", "#.#", "##.", "#.#", "#.#"], 'L': ["#..", "#..", "#..", "#..", "###"],
    'N': ["#.#", "###", "###", "#.#", "#.#"], 'O': [".#.", "#.#", "#.#", "#.#", ".#."],
    'P': ["##.", "#.#", "##.", "#..", "#.."], 'Q': [".#.", "#.#", "#.#", "##.", ".##"],
    'R': ["##.", "#.#", "##.", "#.#", "#.#"], 'S': [".##", "#..", ".#.", "..#", "##."],
    'U': ["#.#", "#.#", "#.#", "#.#", "###"], 'V': ["#.#", "#.#", "#.#", "#.#", ".#."],
    'X': ["#.#", "#.#", ".#.", "#.#", "#.#"], 'i': [".#.", "...", "##.", ".#.", "###"],
    '?': ["##.", "..#", ".#.", "...", ".#."], '!': [".#.", ".#.", ".#.", "...", ".#."],
    '>': ["#..", ".#.", "..#", ".#.", "#.."], '-': ["...", "...", "###", "...", "..."],
    '+': ["...", ".#.", "###", ".#.", "..."], 'a': ["...", "##.", ".##", "#.#", "###"],
    'b': ["#..", "#..", "##.", "#.#", "##."],
}

TRANSPARENT = (0, 0, 0, 0)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[TRANSPARENT] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, fill, border=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.set(x, y, border if (edge and border) else fill)

    def disc(self, cx, cy, r, fill, border=None):
        for y in range(self.height):
            for x in range(self.width):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if d <= r:
                    self.set(x, y, border if (border and d > r - 1) else fill)

    def text(self, x, y, chars, colour, scale=1):
        for ch in chars:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, cell in enumerate(row):
                    if cell == '#':
                        for sy in range(scale):
                            for sx in range(scale):
                                self.set(x + gx * scale + sx, y + gy * scale + sy, colour)
            x += 4 * scale

    def png(self):
        raw = b''.join(b'\x00' + b''.join(bytes(p) for p in row) for row in self.pixels)
        def chunk(kind, data):
            return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
        header = struct.pack('>IIBBBBB', self.width, self.height, 8, 6, 0, 0, 0)
        return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')


def rgb(hex_text, alpha=255):
    return (int(hex_text[0:2], 16), int(hex_text[2:4], 16), int(hex_text[4:6], 16), alpha)


WHITE, DARK, GREY = rgb('ffffff'), rgb('333333'), rgb('8a8a8a')
BLUE, GREEN, RED, YELLOW = rgb('2f6fb5'), rgb('2e9a45'), rgb('c62828'), rgb('f2b705')
ORANGE, PURPLE, TEAL, BROWN = rgb('e07b24'), rgb('7a4fb0'), rgb('1f8a8a'), rgb('8d6e63')


def badge(colour, label, label_colour=WHITE):
    """A rounded box with a short label: the shape most type icons share."""
    c = Canvas(19, 15)
    c.rect(1, 1, 17, 13, colour)
    for x, y in ((1, 1), (17, 1), (1, 13), (17, 13)):
        c.set(x, y, TRANSPARENT)
    width = 4 * len(label) - 1
    c.text((19 - width) // 2, 5, label, label_colour)
    return c


def page(lines=False, label=None, second=False):
    c = Canvas(19, 15)
    if second:
        c.rect(7, 0, 16, 11, rgb('dddddd'), GREY)
    c.rect(4, 2, 13, 14, WHITE, GREY)
    for y in range(2, 5):  # folded corner
        for x in range(11 + (y - 2), 14):
            c.set(x, y, TRANSPARENT)
    c.set(11, 4, GREY); c.set(12, 4, GREY); c.set(11, 3, GREY)
    if lines:
        for y in (6, 8, 10, 12):
            for x in range(6, 12):
                c.set(x, y, BLUE)
    if label:
        c.text(7, 7, label, BLUE)
    return c


def folder():
    c = Canvas(19, 15)
    c.rect(1, 3, 7, 5, YELLOW, BROWN)
    c.rect(1, 5, 17, 13, YELLOW, BROWN)
    return c


def gear(colour, label=None):
    c = Canvas(19, 15)
    cx = 6 if label else 9
    c.disc(cx, 7, 6, colour)
    for dx, dy in ((0, -7), (0, 7), (-7, 0), (7, 0), (-5, -5), (5, -5), (-5, 5), (5, 5)):
        c.set(cx + dx, 7 + dy, colour)
    c.disc(cx, 7, 2, WHITE)
    if label:
        c.rect(10, 4, 18, 11, WHITE, colour)
        c.text(11, 5, label[0], DARK)
        c.text(15, 5, label[1], DARK)
    return c


def user():
    c = Canvas(19, 15)
    c.disc(9, 4, 3, BLUE)
    c.disc(9, 15, 7, BLUE)
    return c


def clock():
    c = Canvas(19, 15)
    c.disc(9, 7, 6.5, WHITE, DARK)
    for y in range(3, 8):
        c.set(9, y, DARK)
    for x in range(9, 13):
        c.set(x, 7, DARK)
    return c


def bubble():
    c = Canvas(19, 15)
    c.rect(1, 1, 17, 10, WHITE, TEAL)
    for i in range(3):
        c.set(4 + i, 11 + i, TEAL)
        c.set(4, 11 + i, TEAL)
    for y in (4, 7):
        for x in range(4, 15):
            c.set(x, y, TEAL)
    return c


def window(label):
    c = Canvas(19, 15)
    c.rect(1, 1, 17, 13, WHITE, DARK)
    c.rect(1, 1, 17, 3, DARK)
    c.text(3, 6, label, GREEN)
    return c


def triangle(colour, mark):
    c = Canvas(19, 15)
    for y in range(1, 14):
        half = (y - 1) * 8 // 12
        for x in range(9 - half, 10 + half):
            c.set(x, y, colour)
    c.text(8, 6, mark, DARK)
    return c


def round_sign(colour, label):
    c = Canvas(19, 15)
    c.disc(9, 7, 6.5, colour)
    width = 4 * len(label) - 1
    c.text((19 - width) // 2, 5, label, WHITE)
    return c


def check():
    c = round_sign(GREEN, '')
    for x, y in ((5, 7), (6, 8), (7, 9), (8, 10), (9, 9), (10, 8), (11, 7), (12, 6), (13, 5)):
        c.set(x, y, WHITE)
        c.set(x, y - 1, WHITE)
    return c


def bullet(sign):
    c = Canvas(15, 15)
    c.rect(3, 3, 11, 11, WHITE, GREY)
    if sign:
        c.text(6, 5, sign, DARK)
    return c


def placeholder():
    c = Canvas(15, 15)
    c.rect(6, 6, 8, 8, GREY)
    return c


def logo():
    c = Canvas(90, 22)
    c.rect(0, 0, 89, 21, RED)
    c.text(4, 4, 'QUELLON', WHITE, scale=3)
    return c


IMAGES = {
    'about': round_sign(BLUE, 'i'),
    'cogwheel': gear(GREY),
    'cogwheel32': gear(GREY, '32'),
    'cogwheel64': gear(GREY, '64'),
    'datetime': clock(),
    'externalprogram': window('>'),
    'lvlfatal': round_sign(rgb('7f0000'), '!!'),
    'file': page(),
    'filecontent': page(lines=True),
    'filecontents': page(lines=True, second=True),
    'fileinfo': page(label='i'),
    'folder': folder(),
    'id': badge(PURPLE, 'ID'),
    'lvldebug': badge(GREY, 'D'),
    'lvlerror': round_sign(RED, 'X'),
    'lvlinfo': round_sign(BLUE, 'i'),
    'lvlsuccess': check(),
    'lvlwarning': triangle(YELLOW, '!'),
    'message': bubble(),
    'minus': bullet('-'),
    'placeholder': placeholder(),
    'plus': bullet('+'),
    'process': badge(ORANGE, 'P'),
    'regbinvalue': badge(TEAL, '01'),
    'regkey': badge(BLUE, 'K'),
    'regkey32': badge(BLUE, 'K32'),
    'regkey64': badge(BLUE, 'K64'),
    'regszvalue': badge(TEAL, 'ab'),
    'regvalue': badge(TEAL, 'V'),
    'serviceinfo': gear(ORANGE),
    'source': badge(BROWN, 'SRC'),
    'unknown': badge(GREY, '?'),
    'user': user(),
    'winevtlog': badge(DARK, 'EV'),
    'quellonlogo': logo(),
}


def favicon():
    c = Canvas(16, 16)
    c.rect(0, 0, 15, 15, RED)
    c.text(2, 3, 'Q', WHITE, scale=2)
    image = c.png()
    # ICONDIR with one entry that holds the PNG as it is.
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 16, 16, 0, 0, 1, 32, len(image), 22) + image


def main():
    for name, canvas in IMAGES.items():
        with open(os.path.join(HERE, name + '.png'), 'wb') as out:
            out.write(canvas.png())
    with open(os.path.join(HERE, 'favicon.ico'), 'wb') as out:
        out.write(favicon())


if __name__ == '__main__':
    main()
