#!/usr/bin/python3
"""Make Lexfall's Symbol.ttf from URW Standard Symbols PS.

The CFF outlines become TrueType quadratic outlines (cu2qu), the glyph
order is kept, and the only character maps are the symbol (3, 0) and the
Macintosh (1, 0) ones, both in the classic Symbol encoding. Lexfall maps
codes of such a face as glyph = code - 31; the URW glyph order already
places the glyph of Symbol code c at index c - 31 for c = 32..126, which
is checked here (code 97, "a", must give glyph 66, alpha).

usage: make-symbol-font.py SOURCE.otf OUTPUT.ttf
"""

import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.areaPen import AreaPen
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables._c_m_a_p import cmap_format_0, cmap_format_4

# The classic Symbol encoding, code -> glyph name.
SYMBOL_ENCODING = dict(zip(range(32, 127), """
space exclam universal numbersign existential percent ampersand suchthat
parenleft parenright asteriskmath plus comma minus period slash zero one two
three four five six seven eight nine colon semicolon less equal greater
question congruent Alpha Beta Chi Delta Epsilon Phi Gamma Eta Iota theta1
Kappa Lambda Mu Nu Omicron Pi Theta Rho Sigma Tau Upsilon sigma1 Omega Xi Psi
Zeta bracketleft therefore bracketright perpendicular underscore radicalex
alpha beta chi delta epsilon phi gamma eta iota phi1 kappa lambda mu nu
omicron pi theta rho sigma tau upsilon omega1 omega xi psi zeta braceleft bar
braceright similar""".split()))
SYMBOL_ENCODING.update(zip(range(160, 240), """
Euro Upsilon1 minute lessequal fraction infinity florin club diamond heart
spade arrowboth arrowleft arrowup arrowright arrowdown degree plusminus second
greaterequal multiply proportional partialdiff bullet divide notequal
equivalence approxequal ellipsis arrowvertex arrowhorizex carriagereturn aleph
Ifraktur Rfraktur weierstrass circlemultiply circleplus emptyset intersection
union propersuperset reflexsuperset notsubset propersubset reflexsubset element
notelement angle gradient registerserif copyrightserif trademarkserif product
radical dotmath logicalnot logicaland logicalor arrowdblboth arrowdblleft
arrowdblup arrowdblright arrowdbldown lozenge angleleft registersans
copyrightsans trademarksans summation parenlefttp parenleftex parenleftbt
bracketlefttp bracketleftex bracketleftbt bracelefttp braceleftmid braceleftbt
braceex""".split()))
SYMBOL_ENCODING.update(zip(range(241, 255), """
angleright integral integraltp integralex integralbt parenrighttp parenrightex
parenrightbt bracketrighttp bracketrightex bracketrightbt bracerighttp
bracerightmid bracerightbt""".split()))

# Largest distance, in font units, between a cubic and its quadratic copy.
MAX_ERROR = 1.0


def quadratic_glyphs(source, order, reverse):
    glyph_set = source.getGlyphSet()
    glyphs = {}
    for name in order:
        pen = TTGlyphPen(glyph_set)
        glyph_set[name].draw(Cu2QuPen(pen, MAX_ERROR, reverse_direction=reverse))
        glyphs[name] = pen.glyph()
    return glyphs


def total_area(source, order):
    """Signed area of all glyphs together: positive when the outlines run
    counter-clockwise, as PostScript fonts usually do."""
    glyph_set = source.getGlyphSet()
    pen = AreaPen(glyph_set)
    for name in order:
        glyph_set[name].draw(pen)
    return pen.value


def symbol_cmaps(order):
    present = set(order)
    codes = {c: n for c, n in SYMBOL_ENCODING.items() if n in present}

    windows = cmap_format_4(4)
    windows.platformID, windows.platEncID, windows.language = 3, 0, 0
    windows.cmap = {0xF000 + c: n for c, n in codes.items()}

    mac = cmap_format_0(0)
    mac.platformID, mac.platEncID, mac.language = 1, 0, 0
    mac.cmap = {c: codes.get(c, ".notdef") for c in range(256)}

    table = newTable("cmap")
    table.tableVersion = 0
    table.tables = [mac, windows]
    return table


def convert(source_path, output_path):
    source = TTFont(source_path)
    order = source.getGlyphOrder()
    for code in range(32, 127):
        if order[code - 31] != SYMBOL_ENCODING[code]:
            sys.exit(f"unexpected glyph order: index {code - 31} is {order[code - 31]}")
    if order[0] != ".notdef" or order[1] != "space" or order[66] != "alpha":
        sys.exit("unexpected glyph order")

    head = source["head"]
    hhea = source["hhea"]
    builder = FontBuilder(head.unitsPerEm, isTTF=True)
    builder.setupGlyphOrder(order)
    # TrueType exteriors run clockwise; this source may run either way.
    builder.setupGlyf(quadratic_glyphs(source, order, reverse=total_area(source, order) > 0))
    glyf = builder.font["glyf"]
    metrics = {}
    for name in order:
        glyph = glyf[name]
        glyph.recalcBounds(glyf)
        metrics[name] = (source["hmtx"][name][0], getattr(glyph, "xMin", 0))
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=hhea.ascent, descent=hhea.descent, lineGap=hhea.lineGap)
    builder.font["name"] = source["name"]
    builder.font["OS/2"] = source["OS/2"]
    builder.setupPost(keepGlyphNames=True)
    builder.setupMaxp()
    builder.font["cmap"] = symbol_cmaps(order)
    builder.font["head"].fontRevision = head.fontRevision
    builder.font["head"].macStyle = head.macStyle
    builder.save(output_path)


def main(argv):
    if len(argv) != 3:
        sys.exit("usage: make-symbol-font.py SOURCE.otf OUTPUT.ttf")
    convert(argv[1], argv[2])


if __name__ == "__main__":
    main(sys.argv)
