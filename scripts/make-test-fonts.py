#!/usr/bin/python3
"""Make the tiny TrueType faces Lexfall's glyph tests load.

All faces have 64 units per em, so at 48 points and 96 dpi one font unit
is one pixel. Each carries a small 'prep' program, which keeps FreeType on
the TrueType interpreter instead of its auto-hinter and so leaves the
integer coordinates where they are.

usage: make-test-fonts.py OUTPUT_DIRECTORY
"""

import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.tables import ttProgram
from fontTools.ttLib.tables._c_m_a_p import cmap_format_0, cmap_format_4

UPEM = 64


def polygon_glyph(*contours):
    """Contours of on-curve points; a point given as ('q', x, y) is an
    off-curve control point."""
    pen = TTGlyphPen(None)
    for contour in contours:
        started = False
        pending = []
        for point in contour:
            if point[0] == "q":
                pending.append(point[1:])
                continue
            if not started:
                pen.moveTo(point)
                started = True
            elif pending:
                pen.qCurveTo(*pending, point)
                pending = []
            else:
                pen.lineTo(point)
        if pending:
            pen.qCurveTo(*pending, None if not started else contour[0])
        pen.closePath()
    return pen.glyph()


def rect(x0, y0, x1, y1, clockwise=True):
    points = [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
    return points if clockwise else list(reversed(points))


def subtable(fmt, platform, encoding, mapping):
    table = cmap_format_4(4) if fmt == 4 else cmap_format_0(0)
    table.platformID, table.platEncID, table.language = platform, encoding, 0
    if fmt == 0:
        mapping = {c: mapping.get(c, ".notdef") for c in range(256)}
    table.cmap = mapping
    return table


def build(path, glyphs, advances, cmaps):
    order = list(glyphs)
    builder = FontBuilder(UPEM, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupGlyf(glyphs)
    glyf = builder.font["glyf"]
    metrics = {}
    for name in order:
        glyph = glyf[name]
        glyph.recalcBounds(glyf)
        metrics[name] = (advances.get(name, 40), getattr(glyph, "xMin", 0))
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=56, descent=-8)
    builder.setupNameTable({"familyName": "LexfallTest", "styleName": "Regular"})
    table = newTable("cmap")
    table.tableVersion = 0
    table.tables = [subtable(*c) for c in cmaps]
    builder.font["cmap"] = table
    builder.setupOS2(sTypoAscender=56, sTypoDescender=-8, usWinAscent=56, usWinDescent=8)
    builder.setupPost()
    builder.setupMaxp()
    prep = newTable("prep")
    prep.program = ttProgram.Program()
    prep.program.fromAssembly(["PUSHB[ ]", "0", "POP[ ]"])
    builder.font["prep"] = prep
    builder.save(path)


def cff_glyph(advance, *contours):
    """Contours of on-curve points; ('c', x1, y1, x2, y2) before a point
    makes a cubic arc to it with those two control points."""
    pen = T2CharStringPen(advance, None)
    for contour in contours:
        pen.moveTo(contour[0])
        pending = None
        for point in contour[1:] + [contour[0]]:
            if point[0] == "c":
                pending = ((point[1], point[2]), (point[3], point[4]))
            elif pending:
                pen.curveTo(*pending, point)
                pending = None
            elif point != contour[0]:
                pen.lineTo(point)
        pen.closePath()
    return pen.getCharString()


def build_cff(path):
    """An OpenType face with CFF (cubic) outlines: a square, a round ring
    and a space. PostScript exteriors run counter-clockwise."""
    k = 0.5523  # a quarter circle's control points
    def circle(cx, cy, r, clockwise=True):
        d = r * k
        if clockwise:
            return [(cx - r, cy), ("c", cx - r, cy + d, cx - d, cy + r), (cx, cy + r),
                    ("c", cx + d, cy + r, cx + r, cy + d), (cx + r, cy),
                    ("c", cx + r, cy - d, cx + d, cy - r), (cx, cy - r),
                    ("c", cx - d, cy - r, cx - r, cy - d)]
        return [(cx - r, cy), ("c", cx - r, cy - d, cx - d, cy - r), (cx, cy - r),
                ("c", cx + d, cy - r, cx + r, cy - d), (cx + r, cy),
                ("c", cx + r, cy + d, cx + d, cy + r), (cx, cy + r),
                ("c", cx - d, cy + r, cx - r, cy + d)]
    advances = {".notdef": 40, "space": 16, "square": 37, "ring": 60}
    glyphs = {
        ".notdef": cff_glyph(40, rect(4, 0, 36, 48, clockwise=False)),
        "space": cff_glyph(16),
        "square": cff_glyph(37, rect(0, 0, 40, 40, clockwise=False)),
        "ring": cff_glyph(60, circle(30, 30, 30, clockwise=False), circle(30, 30, 12)),
    }
    order = list(glyphs)
    builder = FontBuilder(UPEM, isTTF=False)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap({32: "space", 65: "square", 79: "ring"})
    builder.setupCFF("LexfallTestCFF", {"FullName": "LexfallTest CFF"}, glyphs, {})
    builder.setupHorizontalMetrics({name: (advances[name], 0) for name in order})
    builder.setupHorizontalHeader(ascent=56, descent=-8)
    builder.setupNameTable({"familyName": "LexfallTest CFF", "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=56, sTypoDescender=-8, usWinAscent=56, usWinDescent=8)
    builder.setupPost()
    builder.save(path)


def basic_glyphs(count):
    glyphs = {".notdef": polygon_glyph(rect(4, 0, 36, 48)), "space": polygon_glyph()}
    for i in range(2, count):
        glyphs[f"g{i}"] = polygon_glyph(rect(0, 0, 8 + i, 8 + i))
    return glyphs


def main(argv):
    if len(argv) != 2:
        sys.exit("usage: make-test-fonts.py OUTPUT_DIRECTORY")
    out = argv[1]
    os.makedirs(out, exist_ok=True)

    # Symbol-style maps only: glyph = code - 31 below the glyph count (10).
    glyphs = basic_glyphs(10)
    mapping = {c: f"g{c - 31}" for c in range(33, 41)}
    build(os.path.join(out, "maps-symbol.ttf"), glyphs, {},
          [(0, 1, 0, mapping), (4, 3, 0, {0xF000 + c: n for c, n in mapping.items()})])

    # A Unicode (0, 0) map stored before a (3, 1) map that disagrees.
    glyphs = basic_glyphs(4)
    build(os.path.join(out, "maps-unicode-first.ttf"), glyphs, {},
          [(4, 0, 0, {65: "g2"}), (4, 3, 1, {65: "g3"})])

    # A Macintosh map stored before the (3, 1) map: the (3, 1) map wins.
    build(os.path.join(out, "maps-mac-first.ttf"), glyphs, {},
          [(0, 1, 0, {65: "g2"}), (4, 3, 1, {65: "g3"})])

    shapes = {
        ".notdef": polygon_glyph(rect(4, 0, 36, 48)),
        "space": polygon_glyph(),
        "square": polygon_glyph(rect(0, 0, 40, 40)),
        "ring": polygon_glyph(rect(0, 0, 60, 60), rect(20, 20, 40, 40, clockwise=False)),
        "backwards": polygon_glyph(rect(0, 0, 40, 40, clockwise=False)),
        "crossing": polygon_glyph(rect(0, 20, 60, 40), rect(20, 0, 40, 60)),  # overlapping bars
        "bowtie": polygon_glyph([(0, 0), (0, 40), (60, 0), (60, 20)]),  # crosses itself
        "twin": polygon_glyph(rect(0, 0, 10, 30), rect(0, 40, 10, 50)),
        "round": polygon_glyph([(0, 30), ("q", 0, 60), (30, 60), ("q", 60, 60), (60, 30),
                                ("q", 60, 0), (30, 0), ("q", 0, 0)]),
        # An "o" drawn as some faces draw it: both contours of control
        # points only, the hole close to the outer contour's corners.
        "o": polygon_glyph([("q", 6, 70), ("q", 58, 70), ("q", 58, 1), ("q", 6, 1)],
                           [("q", 24, 10), ("q", 40, 10), ("q", 47, 21), ("q", 47, 50),
                            ("q", 40, 61), ("q", 24, 61), ("q", 17, 50), ("q", 17, 21)]),
        # More outline points than any real glyph: 4,097.
        "comb": polygon_glyph([(0, 0)] + [(i, 30 + 5 * (i % 2)) for i in range(4096)]),
    }
    advances = {"space": 16, "square": 37, "ring": 60, "twin": 12}
    mapping = {32: "space", 65: "square", 79: "ring", 87: "backwards", 88: "crossing",
               90: "bowtie", 105: "twin", 67: "round", 77: "comb", 111: "o"}
    build(os.path.join(out, "shapes.ttf"), shapes, advances, [(4, 3, 1, mapping)])

    build_cff(os.path.join(out, "shapes-cff.otf"))


if __name__ == "__main__":
    main(sys.argv)
