#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "GlyphTestSupport.h"
#include "glyph/GlyphTriangulator.h"

namespace {

class RecordingTriangulator : public GlyphTriangulator {
public:
    using GlyphTriangulator::GlyphTriangulator;
    void triangle(const ContourPoint& a, const ContourPoint& b, const ContourPoint& c) override
    {
        triangles.push_back({&a, &b, &c});
        caller = callingPolygonizer();
    }
    std::vector<std::array<const ContourPoint*, 3>> triangles;
    const GlyphPolygonizer* caller = nullptr;
};

// Points A, B, C, ... at distinct places; names are indices.
struct Letters {
    std::array<ContourPoint, 6> p{{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}};
    std::array<const ContourPoint*, 3> tri(int a, int b, int c) const { return {&p[a], &p[b], &p[c]}; }
    void feed(GlyphTriangulator& t, unsigned type, int n) const
    {
        t.begin(type);
        for (int i = 0; i < n; ++i)
            t.vertex(&p[i]);
        t.end();
    }
};

enum { A, B, C, D, E, F };

} // namespace

TEST(GlyphTriangulator, AssemblesStripsFansAndTriangles)
{
    Letters l;
    RecordingTriangulator t;
    l.feed(t, GL_TRIANGLE_STRIP, 6);
    EXPECT_EQ(t.triangles, (decltype(t.triangles){l.tri(A, B, C), l.tri(C, B, D), l.tri(C, D, E), l.tri(E, D, F)}));

    t.triangles.clear();
    l.feed(t, GL_TRIANGLE_FAN, 4);
    EXPECT_EQ(t.triangles, (decltype(t.triangles){l.tri(A, B, C), l.tri(A, C, D)}));

    t.triangles.clear();
    l.feed(t, GL_TRIANGLES, 6);
    EXPECT_EQ(t.triangles, (decltype(t.triangles){l.tri(A, B, C), l.tri(D, E, F)}));
}

TEST(GlyphTriangulator, IgnoresVerticesOutsideAPrimitiveAndWithoutData)
{
    Letters l;
    RecordingTriangulator t;
    for (int i = 0; i < 3; ++i)
        t.vertex(&l.p[i]); // no primitive open
    t.begin(GL_TRIANGLES);
    t.vertex(&l.p[A]);
    t.vertex(nullptr);
    t.vertex(&l.p[B]);
    t.vertex(nullptr);
    t.vertex(&l.p[C]);
    t.end();
    t.vertex(&l.p[D]);
    EXPECT_EQ(t.triangles, (decltype(t.triangles){l.tri(A, B, C)}));

    // end() forgets a half-received triangle.
    t.triangles.clear();
    t.begin(GL_TRIANGLES);
    t.vertex(&l.p[A]);
    t.vertex(&l.p[B]);
    t.end();
    l.feed(t, GL_TRIANGLES, 3);
    EXPECT_EQ(t.triangles, (decltype(t.triangles){l.tri(A, B, C)}));
}

TEST(GlyphWireTriangulator, WritesThreeSegmentsPerTriangleWithYFlipped)
{
    std::array<ContourPoint, 5> p{{{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}}};
    GlyphMesh mesh;
    GlyphWireTriangulator t;
    t.triangle(p[0], p[1], p[2]); // no segment list yet: nothing happens
    t.setSegmentList(&mesh);
    t.begin(GL_TRIANGLE_STRIP);
    for (const ContourPoint& point : p)
        t.vertex(&point);
    t.end();
    // (A,B,C), (C,B,D), (C,D,E)
    const std::vector<int> expected{0, 1, 1, 2, 2, 0, 2, 1, 1, 3, 3, 2, 2, 3, 3, 4, 4, 2};
    ASSERT_EQ(mesh.size(), expected.size());
    for (std::size_t i = 0; i < mesh.size(); ++i) {
        EXPECT_EQ(mesh[i].x, p[expected[i]].x) << i;
        EXPECT_EQ(mesh[i].y, -p[expected[i]].y) << i;
        EXPECT_EQ(mesh[i].z, 0.0) << i;
    }
    const std::size_t capacity = mesh.capacity();
    t.clearSegmentList();
    EXPECT_TRUE(mesh.empty());
    EXPECT_EQ(mesh.capacity(), capacity);
}

TEST(GlyphPolygonizer, FailsWithoutAGlyphAndRunsAnOwnVectorizerOnly)
{
    LoadedFont shapes(testFontPath("shapes.ttf"));
    RecordingTriangulator t;
    EXPECT_TRUE(t.polygonizer().ownsVectorizer());
    EXPECT_FALSE(t.triangulate()); // no glyph yet
    EXPECT_FALSE(t.init(nullptr));
    EXPECT_FALSE(t.triangulate());

    t.setPrecision(30.0);
    ASSERT_TRUE(t.init(shapes.glyph('A')));
    ASSERT_TRUE(t.triangulate());
    EXPECT_EQ(t.triangles.size(), 2u);
    EXPECT_EQ(t.caller, &t.polygonizer());
    EXPECT_EQ(t.callingPolygonizer(), nullptr); // only set during the run

    // A borrowed vectorizer is neither initialised nor run by the polygonizer.
    GlyphVectorizer borrowed;
    RecordingTriangulator outside(&borrowed);
    EXPECT_FALSE(outside.polygonizer().ownsVectorizer());
    ASSERT_TRUE(outside.init(shapes.glyph('A')));
    ASSERT_TRUE(outside.triangulate());
    EXPECT_TRUE(outside.triangles.empty());
    borrowed.setPrecision(30.0);
    ASSERT_TRUE(borrowed.init(shapes.glyph('A')));
    ASSERT_TRUE(borrowed.vectorize());
    ASSERT_TRUE(outside.triangulate());
    EXPECT_EQ(outside.triangles.size(), 2u);
}

TEST(GlyphPolygonizer, TessellatorErrorsPrintOnlyWhenVerbose)
{
    LoadedFont shapes(testFontPath("shapes.ttf"));
    for (bool verbose : {false, true}) {
        RecordingTriangulator t(nullptr, verbose);
        t.setPrecision(30.0);
        ASSERT_TRUE(t.init(shapes.glyph('Z'))); // a contour crossing itself
        testing::internal::CaptureStderr();
        EXPECT_TRUE(t.triangulate());
        const std::string err = testing::internal::GetCapturedStderr();
        if (verbose)
            EXPECT_EQ(err.rfind("GLU error #", 0), 0u) << err;
        else
            EXPECT_EQ(err, "");
    }
}

// The budget's edges hold for the whole glyph, counted as the tessellator
// gets them; so do its crossings. One past either, and the tessellator
// never sees the glyph.
TEST(GlyphPolygonizer, GlyphsPastTheBudgetNeverReachTheTessellator)
{
    LoadedFont shapes(testFontPath("shapes.ttf"));
    GlyphVectorizer vectorizer;
    RecordingTriangulator t(&vectorizer);
    ASSERT_TRUE(t.init(shapes.glyph('A'))); // the outlines below stand in for it
    auto polygonize = [&](const OutlineBuilder& builder) {
        t.triangles.clear();
        EXPECT_TRUE(vectorizer.initOutline(builder.outline()));
        vectorizer.vectorize();
        return t.triangulate();
    };

    // A clockwise zigzag of n corners, closed underneath: no crossing.
    auto comb = [](int n) {
        std::vector<OutlinePoint> points;
        for (int i = 0; i < n - 2; ++i)
            points.push_back({static_cast<double>(i), i % 2 ? 10.0 : 0.0});
        points.push_back({static_cast<double>(n - 2), -10.0});
        points.push_back({0.0, -10.0});
        return points;
    };
    EXPECT_TRUE(polygonize(OutlineBuilder().contour(comb(GlyphPolygonizer::MaxEdges))));
    EXPECT_EQ(t.triangles.size(), static_cast<std::size_t>(GlyphPolygonizer::MaxEdges - 2));
    EXPECT_FALSE(polygonize(OutlineBuilder().contour(comb(GlyphPolygonizer::MaxEdges - 4)).contour(
        {{2000, 0}, {2000, 10}, {2010, 10}, {2010, 0}, {2005, -5}})));
    EXPECT_TRUE(t.triangles.empty());

    // Each edge of a clockwise star of 64 corners, every third joined,
    // crosses four others: 128 crossings. A bowtie beside it adds one.
    std::vector<OutlinePoint> star;
    for (int i = 0; i < 64; ++i) {
        const double angle = -2.0 * std::numbers::pi * (i * 3 % 64) / 64.0;
        star.push_back({500.0 * std::cos(angle), 500.0 * std::sin(angle)});
    }
    EXPECT_TRUE(polygonize(OutlineBuilder().contour(star)));
    EXPECT_GT(t.errorCount(), 0);
    EXPECT_FALSE(polygonize(OutlineBuilder().contour(star).contour({{2000, 0}, {2000, 10}, {2010, 0}, {2010, 10}})));
    EXPECT_EQ(t.errorCount(), 0);
}
