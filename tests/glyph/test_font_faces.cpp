#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "GlyphTestSupport.h"
#include "glyph/FontFace.h"
#include "glyph/FontGlyph.h"
#include "glyph/FontGlyphSet.h"
#include "glyph/FontInstance.h"
#include "glyph/SizedFont.h"
#include "support/TempFolder.h"

TEST(FontFace, SymbolStyleMapsUseCodeMinus31BelowTheGlyphCount)
{
    FontFace face;
    ASSERT_TRUE(face.open(testFontPath("maps-symbol.ttf").c_str()));
    ASSERT_EQ(face.numGlyphs(), 10);
    const auto& map = face.charToGlyph();
    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(map[30], 0);
    EXPECT_EQ(map[31], 0);
    EXPECT_EQ(map[32], 1);
    EXPECT_EQ(map[33], 2);
    EXPECT_EQ(map[40], 9);
    EXPECT_EQ(map[41], 0); // 41 - 31 is not below 10 glyphs
    EXPECT_EQ(map[255], 0);
    EXPECT_EQ(face.glyphIndex(-4), map[0]);
    EXPECT_EQ(face.glyphIndex(300), map[0]);
}

TEST(FontFace, FirstUnicodeMapInStoredOrderWins)
{
    FontFace unicodeFirst;
    ASSERT_TRUE(unicodeFirst.open(testFontPath("maps-unicode-first.ttf").c_str()));
    EXPECT_EQ(unicodeFirst.charToGlyph()[65], 2); // the (0, 0) map, stored first
    EXPECT_EQ(unicodeFirst.charToGlyph()[66], 0);

    FontFace macFirst;
    ASSERT_TRUE(macFirst.open(testFontPath("maps-mac-first.ttf").c_str()));
    EXPECT_EQ(macFirst.charToGlyph()[65], 3); // (1, 0) is skipped for (3, 1)
    EXPECT_EQ(macFirst.charToGlyph()[32], 0); // mapped by neither
}

TEST(FontFace, OpenRefusesASecondOpenAndAnythingButTrueType)
{
    FontFace face;
    EXPECT_FALSE(face.isOpen());
    EXPECT_EQ(face.charToGlyph()[65], 0);
    EXPECT_FALSE(face.open(nullptr));
    EXPECT_FALSE(face.open(testFontPath("no-such-font.ttf").c_str()));
    EXPECT_FALSE(face.open(LEXFALL_TEST_FONT_DIR)); // a directory
    // A CFF face has no TrueType outlines.
    EXPECT_FALSE(face.open("/usr/share/fonts/opentype/urw-base35/StandardSymbolsPS.otf"));
    EXPECT_FALSE(face.isOpen());

    ASSERT_TRUE(face.open(testFontPath("shapes.ttf").c_str()));
    EXPECT_EQ(face.charToGlyph()[65], 2);
    EXPECT_FALSE(face.open(testFontPath("maps-symbol.ttf").c_str()));
    EXPECT_EQ(face.charToGlyph()[65], 2);
}

TEST(FontFace, BrokenFilesAreRefused)
{
    const std::string font = readFile(testFontPath("shapes.ttf"));
    ASSERT_GT(font.size(), 200u);
    std::string scrambled = font;
    for (std::size_t i = 12; i < scrambled.size(); ++i) // the table directory and everything after
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);

    const TempFolder folder;
    for (const std::string& path :
         {folder.write("empty.ttf", ""), folder.write("text.ttf", "This is not a font at all.\n"),
          folder.write("truncated.ttf", font.substr(0, 40)), folder.write("scrambled.ttf", scrambled)}) {
        FontFace face;
        EXPECT_FALSE(face.open(path.c_str())) << path;
        EXPECT_FALSE(face.isOpen()) << path;
    }
}

TEST(SizedFont, SizesBelowOneAreOnePointAndRecreationReplacesTheGlyphs)
{
    FontFace face;
    ASSERT_TRUE(face.open(testFontPath("shapes.ttf").c_str()));
    auto maxX = [](const SizedFont& font) {
        GlyphOutline outline;
        EXPECT_TRUE(font.glyph('A')->outline(outline));
        std::int32_t m = 0;
        for (const auto& p : outline.points)
            m = std::max(m, p.x);
        return m;
    };

    SizedFont one(&face), zero(&face), negative(&face);
    ASSERT_TRUE(one.create(1));
    ASSERT_TRUE(zero.create(0));
    ASSERT_TRUE(negative.create(-5));
    EXPECT_EQ(maxX(zero), maxX(one));
    EXPECT_EQ(maxX(negative), maxX(one));

    SizedFont font(&face);
    EXPECT_EQ(font.glyph('A'), nullptr);
    ASSERT_TRUE(font.create(48));
    EXPECT_EQ(maxX(font), 40 * 64); // 64 units per em at a 64-pixel em
    EXPECT_EQ(font.glyph('A')->advance(), 37 * 64);
    EXPECT_EQ(font.glyph('A')->code(), 'A');
    ASSERT_TRUE(font.create(24));
    EXPECT_EQ(maxX(font), 20 * 64);
    EXPECT_LT(maxX(one), 64);
}

TEST(FontGlyph, NeedsACreatedInstanceAndMapsOutOfRangeCodesThroughCodeZero)
{
    FontFace face;
    ASSERT_TRUE(face.open(testFontPath("shapes.ttf").c_str()));
    FontInstance instance(&face);
    FontGlyph early(&instance);
    EXPECT_FALSE(early.create('A'));
    EXPECT_EQ(early.code(), 'A');
    GlyphOutline outline;
    EXPECT_FALSE(early.outline(outline));
    EXPECT_EQ(early.advance(), 0);

    ASSERT_TRUE(instance.create());
    EXPECT_FALSE(instance.create());
    ASSERT_TRUE(instance.setResolutions(96, 96));
    ASSERT_TRUE(instance.setCharSize(48));
    for (int code : {-1, 1000}) {
        FontGlyph glyph(&instance);
        ASSERT_TRUE(glyph.create(code));
        ASSERT_TRUE(glyph.outline(outline));
        ASSERT_EQ(outline.numContours, 1); // .notdef: rectangle 4..36 x 0..48
        EXPECT_EQ(outline.points.size(), 4u);
        ASSERT_NE(glyph.metrics(), nullptr);
        EXPECT_EQ(glyph.metrics()->xMin, 4 * 64);
        EXPECT_EQ(glyph.metrics()->yMax, 48 * 64);
    }

    FontGlyph ring(&instance);
    ASSERT_TRUE(ring.create('O'));
    ASSERT_TRUE(ring.outline(outline));
    EXPECT_EQ(outline.numContours, 2);
    EXPECT_EQ(outline.contourEnds, (std::vector<std::uint16_t>{3, 7}));
    EXPECT_TRUE(outline.isWellFormed());

    // On-curve and control points keep their flags.
    FontGlyph round(&instance);
    ASSERT_TRUE(round.create('C'));
    ASSERT_TRUE(round.outline(outline));
    std::vector<int> onCurve;
    for (unsigned char flag : outline.flags)
        onCurve.push_back(flag & GlyphOutline::OnCurve);
    EXPECT_EQ(onCurve, (std::vector<int>{1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(outline.points[1].x, 0);
    EXPECT_EQ(outline.points[1].y, 60 * 64);
}

TEST(FontGlyphSet, HoldsAllCodesAfterCreateOnly)
{
    FontFace face;
    ASSERT_TRUE(face.open(testFontPath("shapes.ttf").c_str()));
    FontInstance instance(&face);
    ASSERT_TRUE(instance.create());
    ASSERT_TRUE(instance.setResolutions(96, 96));
    ASSERT_TRUE(instance.setCharSize(48));
    FontGlyphSet set(&instance);
    EXPECT_EQ(set.glyph(65), nullptr);
    ASSERT_TRUE(set.create());
    for (int code = 0; code < 256; ++code)
        EXPECT_NE(set.glyph(code), nullptr) << code;
    EXPECT_EQ(set.glyph(-1), nullptr);
    EXPECT_EQ(set.glyph(256), nullptr);

    FontGlyphSet orphan(nullptr);
    EXPECT_FALSE(orphan.create());
}

TEST(GlyphOutline, WellFormedNeedsAscendingEndsInsideThePoints)
{
    GlyphOutline outline = OutlineBuilder().contour({{0, 0}, {1, 0}}).contour({{2, 2}}).outline();
    EXPECT_TRUE(outline.isWellFormed());
    GlyphOutline descending = outline;
    descending.contourEnds = {1, 1};
    EXPECT_FALSE(descending.isWellFormed());
    GlyphOutline beyond = outline;
    beyond.contourEnds.back() = 3;
    EXPECT_FALSE(beyond.isWellFormed());
    GlyphOutline miscounted = outline;
    miscounted.numContours = 3;
    EXPECT_FALSE(miscounted.isWellFormed());
}
