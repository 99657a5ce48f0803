#!/usr/bin/env python3
"""Writes Lexfall's toolbar images (16 x 15) and window icons as XPM files,
and the two smallest window icons also as PNG files for the icon theme.

The pictures are drawn here, pixel by pixel or with simple line and fill
primitives, so the resources can be regenerated and reviewed as text.
Run from any directory: python3 make-icons.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLBAR_SIZE = (16, 15)

PALETTE = {
    ' ': 'None',
    'k': '#1B1B1B',   # ink
    'g': '#7A7A7A',   # mid grey
    'l': '#C8C8C8',   # light grey
    'w': '#FFFFFF',   # white
    'b': '#2F6DB5',   # blue
    'd': '#1D4680',   # dark blue
    'c': '#8DB8E8',   # pale blue
    'r': '#C8372D',   # red
    'e': '#2E9A46',   # green
    'f': '#1F6E31',   # dark green
    'y': '#E9B52B',   # amber
}


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[' '] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def triangle(self, a, b, c, colour):
        """Fills the triangle by testing pixel centres."""
        def edge(p, q, x, y):
            return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
        area = edge(a, b, *c)
        if area == 0:
            return
        for y in range(self.height):
            for x in range(self.width):
                px, py = x + 0.5, y + 0.5
                # Inside when every edge function has the winding's sign.
                if all(edge(p, q, px, py) * area >= 0 for p, q in ((b, c), (c, a), (a, b))):
                    self.set(x, y, colour)

    def disc(self, cx, cy, r, c):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def ring(self, cx, cy, r, c, thickness=1.0):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - thickness / 2 <= d <= r + thickness / 2:
                    self.set(x, y, c)


def toolbar_art(rows, top=0):
    """A toolbar image drawn as rows of palette letters, `top` rows down."""
    c = Canvas(*TOOLBAR_SIZE)
    for y, row in enumerate(rows, top):
        for x, ch in enumerate(row):
            if ch != ' ':
                c.set(x, y, ch)
    return c


def write_xpm(name, canvas):
    used = sorted({ch for row in canvas.px for ch in row})
    lines = ['/* XPM */', 'static const char* const %s_xpm[] = {' % name,
             '"%d %d %d 1",' % (canvas.width, canvas.height, len(used))]
    lines += ['"%s c %s",' % (ch, PALETTE[ch]) for ch in used]
    rows = ['"%s"' % ''.join(row) for row in canvas.px]
    lines += [r + ',' for r in rows[:-1]] + [rows[-1], '};', '']
    with open(os.path.join(HERE, name + '.xpm'), 'w') as out:
        out.write('\n'.join(lines))


def write_png(name, canvas):
    """An 8-bit RGBA PNG; transparent where the XPM has None."""
    def rgba(ch):
        colour = PALETTE[ch]
        if colour == 'None':
            return b'\0\0\0\0'
        return bytes.fromhex(colour[1:]) + b'\xff'

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data)))

    raw = b''.join(b'\0' + b''.join(rgba(ch) for ch in row) for row in canvas.px)
    header = struct.pack('>IIBBBBB', canvas.width, canvas.height, 8, 6, 0, 0, 0)
    with open(os.path.join(HERE, name + '.png'), 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
                  + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def keyboard():
    return toolbar_art([
        "       gg       ",
        "        g       ",
        "        g       ",
        "kkkkkkkkkkkkkkkk",
        "kllllllllllllllk",
        "klkwkwkwkwkwkwlk",
        "kllllllllllllllk",
        "klwkwkwkwkwkwllk",
        "kllllllllllllllk",
        "klkwkwkwkwkwkwlk",
        "kllllllllllllllk",
        "kllkkkkkkkkkkllk",
        "kllllllllllllllk",
        "kkkkkkkkkkkkkkkk",
    ], top=1)


def nozzle():
    return toolbar_art([
        "  kkkk          ",
        "  kllk       b  ",
        " kkkkkk    b    ",
        " kbbbbkkk     b ",
        " kbccbkwkk b    ",
        " kbccbkkk    b  ",
        " kbcbbk   b     ",
        " kbbbbk      b  ",
        " kbbbbk    b    ",
        " kbbbbk         ",
        " kbbbbk         ",
        " kdbbbk         ",
        " kddddk         ",
        " kkkkkk         ",
    ], top=1)


def manipulate():
    return toolbar_art([
        "                ",
        "       k        ",
        "      kkk       ",
        "     kkkkk      ",
        "       k        ",
        "   k   k   k    ",
        "  kk   k   kk   ",
        " kkkkkkrkkkkkk  ",
        "  kk   k   kk   ",
        "   k   k   k    ",
        "       k        ",
        "     kkkkk      ",
        "      kkk       ",
        "       k        ",
    ])


def wireframe():
    c = Canvas(*TOOLBAR_SIZE)
    top, left, right = (7, 1), (1, 13), (14, 13)
    ml, mr, mb = (4, 7), (11, 7), (7, 13)
    for p, q in [(top, left), (top, right), (left, right), (ml, mr), (ml, mb), (mr, mb)]:
        c.line(p[0], p[1], q[0], q[1], 'k')
    for p in (top, left, right, ml, mr, mb):
        c.set(p[0], p[1], 'b')
    return c


def shaded():
    c = Canvas(*TOOLBAR_SIZE)
    c.triangle((7.5, 0.5), (0.5, 14.0), (7.5, 14.0), 'k')
    c.triangle((7.5, 0.5), (7.5, 14.0), (15.0, 14.0), 'g')
    return c


def animate():
    c = Canvas(*TOOLBAR_SIZE)
    c.triangle((3.0, 1.0), (3.0, 14.0), (14.5, 7.5), 'e')
    c.line(3, 1, 3, 13, 'f')
    c.line(3, 1, 14, 7, 'f')
    c.line(3, 13, 14, 7, 'f')
    return c


def cursor():
    c = Canvas(*TOOLBAR_SIZE)
    cx, cy = 6, 7
    c.ring(cx + 0.5, cy + 0.5, 3.0, 'k', 1.0)
    c.line(cx, cy - 7, cx, cy - 4, 'k')
    c.line(cx, cy + 4, cx, cy + 7, 'k')
    c.line(cx - 6, cy, cx - 4, cy, 'k')
    c.line(cx + 4, cy, cx + 9, cy, 'k')
    return c


def compass():
    return toolbar_art([
        "     kkkkk      ",
        "   kkwwwwwkk    ",
        "  kwwwwwwwwwk   ",
        " kwwkkwwwwwwwk  ",
        " kwwkkgwwwwwwk  ",
        "kwwwwwgwwwwwwwk ",
        "kwwwwwwgwwwwwwk ",
        "kwwwwwwkkwwwwwk ",
        "kwwwwwwkkwwwwwk ",
        "kwwwwwwwwrwwwwk ",
        " kwwwwwwwrrrwk  ",
        " kwwwwwwwrrrrk  ",
        "  kwwwwwwwwrrr  ",
        "   kkwwwwwkk    ",
        "     kkkkk      ",
    ])


def app_icon(size):
    """A triangulated letter L falling, its corners as point masses."""
    c = Canvas(size, size)
    s = size / 32.0

    def p(x, y):
        return (round(x * s), round(y * s))

    outline = [p(7, 3), p(14, 3), p(14, 21), p(27, 21), p(27, 28), p(7, 28)]
    tris = [(0, 1, 5), (1, 2, 5), (2, 5, 4), (2, 3, 4)]
    fills = ['c', 'b', 'c', 'b']
    for (i, j, k), colour in zip(tris, fills):
        c.triangle(outline[i], outline[j], outline[k], colour)
    for i, j, k in tris:
        for a, b in ((i, j), (j, k), (k, i)):
            c.line(*outline[a], *outline[b], 'd')
    r = 1.4 * s + 0.3
    for x, y in outline:
        c.disc(x + 0.5, y + 0.5, r, 'k')
    # Motion lines above the letter.
    for x in (18, 22, 26):
        c.line(*p(x, 2), *p(x, 8 + (x - 18) // 2), 'g')
    return c


def main():
    write_xpm('tb_keyboard', keyboard())
    write_xpm('tb_nozzle', nozzle())
    write_xpm('tb_manipulate', manipulate())
    write_xpm('tb_wireframe', wireframe())
    write_xpm('tb_shaded', shaded())
    write_xpm('tb_animate', animate())
    write_xpm('tb_cursor', cursor())
    write_xpm('tb_compass', compass())
    for size in (16, 32):
        write_xpm('lexfall%d' % size, app_icon(size))
        write_png('lexfall%d' % size, app_icon(size))
    write_xpm('lexfall48', app_icon(48))


if __name__ == '__main__':
    main()
