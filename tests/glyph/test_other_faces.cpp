#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "GlyphTestSupport.h"
#include "glyph/FontCatalog.h"
#include "glyph/GlyphCache.h"
#include "glyph/GlyphMesher.h"
#include "glyph/GlyphTriangulator.h"
#include "glyph/InstallPaths.h"
#include "support/TempFolder.h"

namespace {

const FaceLocation kNimbusCff{"/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf", 0};
const FaceLocation kNimbusType1{"/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1", 0};
const std::string kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

double meshArea(const GlyphMesh& mesh)
{
    double area = 0.0;
    for (std::size_t i = 0; i + 5 < mesh.size(); i += 6) {
        const Vector3 &a = mesh[i], &b = mesh[i + 2], &c = mesh[i + 4];
        area += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) * 0.5;
    }
    return area;
}

// The mesh just made is well formed and fills the glyph's contours as
// they were vectorized: exteriors filled, holes left open.
void expectFilledOutline(const GlyphMesher& mesher, const std::string& what)
{
    const GlyphMesh& mesh = mesher.mesh();
    ASSERT_EQ(mesh.size() % 6, 0u) << what;
    for (std::size_t i = 0; i < mesh.size(); i += 6)
        EXPECT_TRUE(mesh[i + 1] == mesh[i + 2] && mesh[i + 3] == mesh[i + 4] && mesh[i + 5] == mesh[i]) << what;
    const GlyphVectorizer& contours = *mesher.triangulator().polygonizer().vectorizer();
    double area = 0.0;
    for (int k = 0; k < contours.contourCount(); ++k)
        area -= contours.contour(k).area;
    EXPECT_GT(area, 0.0) << what;
    EXPECT_NEAR(meshArea(mesh), area, 0.005 * area) << what;
}

} // namespace

// PostScript outlines, cubic and running the other way round, mesh like
// TrueType ones: every printable ASCII character of Nimbus Sans as CFF
// and as Type 1, and our own CFF ring with its hole open.
TEST(OtherFaces, CffAndType1MeshEveryPrintableCharacter)
{
    for (const FaceLocation& face : {kNimbusCff, kNimbusType1}) {
        GlyphMesher mesher;
        ASSERT_TRUE(mesher.loadFace(face, 48)) << face.file;
        EXPECT_EQ(mesher.familyName(), "Nimbus Sans");
        for (char32_t c = 33; c < 127; ++c) {
            ASSERT_TRUE(mesher.triangulate(c, 30.0)) << face.file << " " << int(c);
            expectFilledOutline(mesher, face.file + " code " + std::to_string(c));
        }
        EXPECT_GT(mesher.advanceWidth('m'), mesher.advanceWidth('i'));
    }

    GlyphMesher cff;
    ASSERT_TRUE(cff.loadFace({testFontPath("shapes-cff.otf"), 0}, 48));
    ASSERT_TRUE(cff.triangulate('A', 30.0));
    EXPECT_EQ(meshArea(cff.mesh()), 1600.0);
    EXPECT_EQ(cff.advanceWidth('A'), 37.0);
    ASSERT_TRUE(cff.triangulate('O', 30.0));
    expectFilledOutline(cff, "ring");
    // Quarter circles below 45 pixels are single chords: a diamond less a diamond.
    EXPECT_EQ(meshArea(cff.mesh()), 2.0 * 30 * 30 - 2.0 * 12 * 12);
}

// A character the face lacks comes from an installed face that has it;
// one no face has is the face's own missing-glyph glyph.
TEST(OtherFaces, FallbackFacesAndTheMissingGlyph)
{
    GlyphMesher arial;
    ASSERT_TRUE(arial.loadFont("arial.ttf", 48));
    ASSERT_TRUE(arial.triangulate(U'\u6771', 30.0)); // 東
    EXPECT_GT(arial.mesh().size(), 60u);
    EXPECT_EQ(arial.glyph(U'\u6771')->instance()->face()->familyName(), "WenQuanYi Zen Hei");
    EXPECT_GT(arial.advanceWidth(U'\u6771'), 50.0);

    const LoadedFont own(lexfallFontDirectory() + "arial.ttf");
    GlyphOutline box, missing;
    ASSERT_TRUE(own.glyph(1)->outline(box)); // code 1 maps to glyph 0
    ASSERT_TRUE(arial.glyph(U'\u0378')->outline(missing)); // unassigned
    EXPECT_EQ(arial.glyph(U'\u0378')->instance()->face()->familyName(), "Liberation Sans");
    EXPECT_EQ(missing.contourEnds, box.contourEnds);
    ASSERT_TRUE(arial.triangulate(U'\u0378', 30.0));
    EXPECT_FALSE(arial.mesh().empty());

    // Without fallback the face's own box stands in.
    GlyphMesher alone;
    alone.setFallback(false);
    ASSERT_TRUE(alone.loadFont("arial.ttf", 48));
    EXPECT_EQ(alone.glyph(U'\u6771')->instance()->face()->familyName(), "Liberation Sans");
}

// Collections by index or family; unknown families and broken files are
// refused with a reason, and the face in use stays.
TEST(OtherFaces, CollectionsFamiliesAndBrokenFiles)
{
    const FontCatalog catalog;
    std::string error;
    const auto mono = catalog.locate(kZenHei + ":1", error);
    ASSERT_TRUE(mono) << error;
    EXPECT_EQ(*mono, (FaceLocation{kZenHei, 1}));
    GlyphMesher mesher;
    ASSERT_TRUE(mesher.loadFace(*mono, 48));
    EXPECT_EQ(mesher.familyName(), "WenQuanYi Zen Hei Mono");
    EXPECT_EQ(catalog.locate("WenQuanYi Zen Hei Mono", error), mono);
    EXPECT_EQ(catalog.locate("wenquanyi zen hei mono", error), mono);

    EXPECT_FALSE(catalog.locate("Arial", error)); // fontconfig would substitute
    EXPECT_NE(error.find("\"Arial\""), std::string::npos);
    EXPECT_FALSE(catalog.locate("/no/such/face.ttf", error));
    EXPECT_NE(error.find("/no/such/face.ttf"), std::string::npos);
    // A folder is named as one, and a name's control bytes are not printed raw.
    EXPECT_FALSE(catalog.locate("/tmp", error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_FALSE(catalog.locate("Sans\x1b[2J", error));
    EXPECT_NE(error.find("Sans\\x1B[2J"), std::string::npos) << error;
    const auto families = catalog.families();
    EXPECT_TRUE(std::binary_search(families.begin(), families.end(), "WenQuanYi Zen Hei"));

    const TempFolder folder;
    const std::string font = readFile(kNimbusCff.file);
    for (const std::string& path : {folder.write("text.otf", "not a font\n"), folder.write("cut.otf", font.substr(0, 900))}) {
        EXPECT_FALSE(mesher.loadFace({path, 0}, 48)) << path;
        EXPECT_EQ(mesher.familyName(), "WenQuanYi Zen Hei Mono");
    }
    EXPECT_FALSE(mesher.loadFace({kZenHei, 3}, 48)); // the collection has three faces
    for (const char* past : {":3", ":7", ":-1"}) {
        EXPECT_FALSE(catalog.locate(kZenHei + past, error)) << past;
        EXPECT_EQ(error, "\"" + kZenHei + "\" holds 3 faces (0 to 2)") << past;
    }
    ASSERT_TRUE(mesher.triangulate(U'\u6771', 30.0));
    EXPECT_FALSE(mesher.mesh().empty());
}

// Words of another face are shaped: kerned, joined, right to left, each
// glyph meshed from its key.
TEST(OtherFaces, WordsAreShaped)
{
    const FontCatalog catalog;
    std::string error;
    const auto dejaVu = catalog.locate("DejaVu Sans", error);
    ASSERT_TRUE(dejaVu) << error;
    GlyphMesher mesher;
    ASSERT_TRUE(mesher.loadFace(*dejaVu, 48));
    const auto av = mesher.shape(U"AV");
    ASSERT_EQ(av.size(), 2u);
    EXPECT_LT(av[0].advance, mesher.advanceWidth(U'A'));
    EXPECT_GT(av[0].advance, mesher.advanceWidth(U'A') - 8.0);
    EXPECT_EQ(av[1].advance, mesher.advanceWidth(U'V'));

    // "salam": seen, lam-alef joined into one glyph, meem; right to left.
    const auto salam = mesher.shape(U"\u0633\u0644\u0627\u0645");
    ASSERT_EQ(salam.size(), 3u);
    EXPECT_EQ(salam.front().cluster, 3);
    EXPECT_EQ(salam.back().cluster, 0);
    FontFace face;
    ASSERT_TRUE(face.openAny(dejaVu->file.c_str(), dejaVu->index));
    EXPECT_NE(salam.back().index, face.glyphIndexFor(U'\u0633')); // the initial form
    for (const auto& glyph : salam) {
        ASSERT_TRUE(mesher.triangulate(glyph.key, 30.0));
        EXPECT_FALSE(mesher.mesh().empty());
    }

    GlyphMesher arial; // the program's own faces place letters one by one
    ASSERT_TRUE(arial.loadFont("arial.ttf", 48));
    EXPECT_TRUE(arial.shape(U"AV").empty());
}

// The cache holds at most its bound of glyphs; a glyph dropped from it
// loads again the same.
TEST(OtherFaces, TheCacheIsBounded)
{
    FontFace face;
    ASSERT_TRUE(face.openAny(kZenHei.c_str()));
    const FontCatalog catalog;
    GlyphCache cache(face, false, catalog);
    ASSERT_TRUE(cache.setPointSize(48));
    GlyphOutline first, again;
    ASSERT_TRUE(cache.glyph(0x4E00)->outline(first));
    const unsigned long generation = cache.generation();
    for (char32_t c = 0x4E01; c <= 0x4E00 + GlyphCache::MaxGlyphs; ++c)
        ASSERT_NE(cache.glyph(c), nullptr);
    EXPECT_EQ(cache.size(), GlyphCache::MaxGlyphs);
    EXPECT_NE(cache.generation(), generation);
    ASSERT_TRUE(cache.glyph(0x4E00)->outline(again));
    EXPECT_EQ(again.points.size(), first.points.size());
    EXPECT_EQ(cache.size(), GlyphCache::MaxGlyphs);
}
