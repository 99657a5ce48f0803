#!/usr/bin/python3
"""Make the hostile TrueType faces the glyph budget is tested against.

Each face maps every code 0-255 to one glyph built to cost the mesher as
much as possible: edges that all cross each other, thousands of straight
edges, thousands of control points, and the largest glyphs the budget
still lets through. The glyph tests load them, and they seed the font
fuzzer's corpus.

All faces have 256 units per em, so at 48 points and 96 dpi one font
unit is a quarter pixel.

usage: make-crafted-fonts.py OUTPUT_DIRECTORY
"""

import math
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UPEM = 256


def star(points, step=None, radius=2000):
    """Corners on a circle, each joined to the one step corners on, by
    default the one nearly opposite, so that each edge crosses almost
    every other; clockwise, as an exterior runs."""
    step = step or points // 2
    corners = []
    for i in range(points):
        angle = -2 * math.pi * (i * step % points) / points
        corners.append((round(radius * math.cos(angle)), round(radius * math.sin(angle))))
    return corners


def comb(points, height=400):
    """A zigzag of straight teeth closed underneath: no edge crosses."""
    teeth = points - 2
    return [(4 * i, height if i % 2 else 0) for i in range(teeth)] + [(4 * teeth, -height), (0, -height)]


def slivers(count, left, right, bottom):
    """Thin bars stacked above each other, counter-clockwise like holes,
    each as long as the glyph is wide: every one of their edges is in the
    tessellator's way at once."""
    bars = []
    for k in range(count):
        y = bottom + 12 * k
        bars.append([(left, y), (right, y), (right, y + 4), (left, y + 4)])
    return bars


def polygon_glyph(*contours):
    """A glyph of straight-edged contours."""
    pen = TTGlyphPen(None)
    for contour in contours:
        pen.moveTo(contour[0])
        for point in contour[1:]:
            pen.lineTo(point)
        pen.closePath()
    return pen.glyph()


def wave(controls, height=4000):
    """Only control points: tall quadratic arcs along a line, closed by
    two controls underneath, so every arc is long enough to be cut into
    chords."""
    along = controls - 2
    # The contour starts under the wave: a first point off the curve is
    # no control point, and there its chord crosses nothing.
    points = [(0, -height)] + [(8 * i, height if i % 2 else 0) for i in range(along)] + [(8 * along, -height)]
    pen = TTGlyphPen(None)
    pen.qCurveTo(*points, None)
    pen.closePath()
    return pen.glyph()


def build(path, glyph):
    builder = FontBuilder(UPEM, isTTF=True)
    builder.setupGlyphOrder([".notdef", "crafted"])
    builder.setupGlyf({".notdef": TTGlyphPen(None).glyph(), "crafted": glyph})
    glyf = builder.font["glyf"]
    glyph.recalcBounds(glyf)
    builder.setupHorizontalMetrics({".notdef": (128, 0), "crafted": (256, glyph.xMin)})
    builder.setupHorizontalHeader(ascent=224, descent=-32)
    builder.setupNameTable({"familyName": "LexfallCrafted", "styleName": "Regular"})
    builder.setupCharacterMap({code: "crafted" for code in range(256)})
    builder.setupOS2(sTypoAscender=224, sTypoDescender=-32, usWinAscent=224, usWinDescent=32)
    builder.setupPost()
    builder.setupMaxp()
    builder.save(path)


def main(argv):
    if len(argv) != 2:
        sys.exit("usage: make-crafted-fonts.py OUTPUT_DIRECTORY")
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    build(os.path.join(out, "crossing-1201.ttf"), polygon_glyph(star(1201)))
    build(os.path.join(out, "crossing-601.ttf"), polygon_glyph(star(601)))
    build(os.path.join(out, "edges-4000.ttf"), polygon_glyph(comb(4000)))
    build(os.path.join(out, "controls-4000.ttf"), wave(4000))
    # The largest glyphs the glyph budget (GlyphPolygonizer) lets through:
    # 1,024 edges, and 1,024 edges of which 64 cross 128 times.
    build(os.path.join(out, "budget-edges.ttf"), polygon_glyph(comb(1024)))
    build(os.path.join(out, "budget-crossings.ttf"),
          polygon_glyph(star(64, 3), *slivers(240, -2000, 2000, 2100)))


if __name__ == "__main__":
    main(sys.argv)
