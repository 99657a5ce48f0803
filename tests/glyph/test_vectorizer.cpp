#include <gtest/gtest.h>

#include <vector>

#include "GlyphTestSupport.h"
#include "glyph/GlyphVectorizer.h"

namespace {

std::vector<std::pair<double, double>> pointsOf(const GlyphContour& contour)
{
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < contour.count; ++i)
        points.emplace_back(contour.points[i].x, contour.points[i].y);
    return points;
}

using Points = std::vector<std::pair<double, double>>;

// Vectorizes an outline at a precision; the vectorizer keeps the contours.
void vectorize(GlyphVectorizer& v, const GlyphOutline& outline, double precision = 30.0)
{
    v.setPrecision(precision);
    ASSERT_TRUE(v.initOutline(outline));
    ASSERT_TRUE(v.vectorize());
}

// First point of each contour in output order, to tell contours apart.
Points firstPoints(const GlyphVectorizer& v)
{
    Points firsts;
    for (int k = 0; k < v.contourCount(); ++k)
        firsts.emplace_back(v.contour(k).count ? v.contour(k).points[0].x : -1, v.contour(k).count ? v.contour(k).points[0].y : -1);
    return firsts;
}

} // namespace

TEST(GlyphVectorizer, PrecisionHasAFloorAndInitNeedsAGlyph)
{
    GlyphVectorizer v;
    v.setPrecision(0.0);
    EXPECT_EQ(v.precision(), 0.01);
    v.setPrecision(-3.0);
    EXPECT_EQ(v.precision(), 0.01);
    v.setPrecision(0.02);
    EXPECT_EQ(v.precision(), 0.02);

    EXPECT_FALSE(v.init(nullptr));
    EXPECT_EQ(v.contourCount(), 0);
    EXPECT_TRUE(v.vectorize());
    EXPECT_EQ(v.contourCount(), 0);

    GlyphOutline broken = OutlineBuilder().contour({{0, 0}, {1, 1}}).outline();
    broken.contourEnds[0] = 5;
    EXPECT_FALSE(v.initOutline(broken));
    EXPECT_EQ(v.contourCount(), 0);

    // More outline points than any real glyph has: refused.
    GlyphOutline crowded;
    crowded.numContours = 1;
    crowded.points.resize(GlyphVectorizer::MaxOutlinePoints);
    crowded.flags.assign(crowded.points.size(), GlyphOutline::OnCurve);
    crowded.contourEnds = {static_cast<std::uint16_t>(crowded.points.size() - 1)};
    EXPECT_TRUE(v.initOutline(crowded));
    crowded.points.emplace_back();
    crowded.flags.push_back(GlyphOutline::OnCurve);
    crowded.contourEnds = {static_cast<std::uint16_t>(crowded.points.size() - 1)};
    EXPECT_FALSE(v.initOutline(crowded));
    EXPECT_EQ(v.contourCount(), 0);
}

TEST(GlyphVectorizer, SquareOrientationGivesAreaSignAndExteriorFlag)
{
    GlyphVectorizer v;
    vectorize(v, OutlineBuilder().contour({{0, 0}, {0, 40}, {40, 40}, {40, 0}}).outline());
    ASSERT_EQ(v.contourCount(), 1);
    const GlyphContour& cw = v.contour(0);
    EXPECT_EQ(pointsOf(cw), (Points{{0, 0}, {0, 40}, {40, 40}, {40, 0}}));
    EXPECT_DOUBLE_EQ(cw.area, -1600.0);
    EXPECT_EQ(cw.exterior, 1);
    EXPECT_EQ(cw.xmin, 0.0);
    EXPECT_EQ(cw.xmax, 40.0);
    EXPECT_EQ(cw.ymin, 0.0);
    EXPECT_EQ(cw.ymax, 40.0);

    vectorize(v, OutlineBuilder().contour({{40, 0}, {40, 40}, {0, 40}, {0, 0}}).outline());
    EXPECT_DOUBLE_EQ(v.contour(0).area, 1600.0);
    EXPECT_EQ(v.contour(0).exterior, 0);

    // A contour of two points still closes its shoelace sum (to zero).
    vectorize(v, OutlineBuilder().contour({{0, 0}, {10, 5}}).outline());
    EXPECT_EQ(v.contour(0).count, 2);
    EXPECT_EQ(v.contour(0).area, 0.0);
    EXPECT_EQ(v.contour(0).exterior, 0);
}

TEST(GlyphVectorizer, ImpliedMidpointsAndOffCurveStarts)
{
    GlyphVectorizer v;
    // Two off-curve points in a row: their midpoint becomes a vertex.
    vectorize(v, OutlineBuilder().contour({{0, 0}, off(10, 20), off(30, 20), {40, 0}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {20, 20}, {40, 0}}));

    // Three off-curve points: both midpoints.
    vectorize(v, OutlineBuilder().contour({{0, 0}, off(0, 20), off(20, 20), off(40, 20), {40, 0}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {10, 20}, {30, 20}, {40, 0}}));

    // An off-curve first point bends its arc like any other: the walk
    // starts at the first on-curve point, and a contour of control
    // points only has an arc around each (the "o" of some faces).
    vectorize(v, OutlineBuilder().contour({off(0, 0), {0, 40}, {40, 40}, {40, 0}}).outline(), 10.0);
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 40}, {40, 40}, {40, 0}, {22.5, 2.5}, {10, 10}, {2.5, 22.5}}));
    vectorize(v, OutlineBuilder().contour({off(0, 0), off(20, 20), {40, 0}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{40, 0}, {10, 10}}));
    vectorize(v, OutlineBuilder().contour({off(0, 0), off(0, 40), off(40, 40), off(40, 0)}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{20, 0}, {0, 20}, {20, 40}, {40, 20}}));
    EXPECT_EQ(v.contour(0).exterior, 1);

    // The last point off-curve bends the closing piece back to the start.
    vectorize(v, OutlineBuilder()
                     .contour({{0, 30}, off(0, 60), {30, 60}, off(60, 60), {60, 30}, off(60, 0), {30, 0}, off(0, 0)})
                     .outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 30}, {30, 60}, {60, 30}, {30, 0}}));
    EXPECT_EQ(v.contour(0).exterior, 1);
    vectorize(v,
              OutlineBuilder()
                  .contour({{0, 30}, off(0, 60), {30, 60}, off(60, 60), {60, 30}, off(60, 0), {30, 0}, off(0, 0)})
                  .outline(),
              10.0);
    EXPECT_EQ(v.contour(0).count, 12); // s = 3: two interior points per arc
}

TEST(GlyphVectorizer, ArcStepsFollowTheLargerExtent)
{
    GlyphVectorizer v;
    vectorize(v, OutlineBuilder().contour({{0, 0}, off(22, 22), {44, 0}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {44, 0}}));

    vectorize(v, OutlineBuilder().contour({{0, 0}, off(22, 22), {45, 0}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {22.25, 11}, {45, 0}})); // t = 0.5

    // The extent may be vertical; 75 pixels give t = 1/3 and 2/3.
    vectorize(v, OutlineBuilder().contour({{0, 0}, off(30, 37.5), {0, 75}}).outline());
    ASSERT_EQ(v.contour(0).count, 4);
    EXPECT_NEAR(v.contour(0).points[1].x, 4.0 / 9 * 30, 1e-12);
    EXPECT_NEAR(v.contour(0).points[1].y, 4.0 / 9 * 37.5 + 1.0 / 9 * 75, 1e-12);
    EXPECT_NEAR(v.contour(0).points[2].y, 4.0 / 9 * 37.5 + 4.0 / 9 * 75, 1e-12);

    // A smaller precision gives more points.
    vectorize(v, OutlineBuilder().contour({{0, 0}, off(22, 22), {44, 0}}).outline(), 4.0);
    EXPECT_EQ(v.contour(0).count, 12); // s = int(11.5) = 11: ten interior points

    // Absurdly fine arcs share one allowance per glyph rather than
    // exhausting memory: the first arc takes it all, the second is a chord,
    // and the next vectorize starts afresh.
    const GlyphOutline huge =
        OutlineBuilder().contour({{0, 0}, off(30000, 30000), {0, 60000}, off(-30000, 30000)}).outline();
    for (int run = 0; run < 2; ++run) {
        vectorize(v, huge, 0.01);
        EXPECT_EQ(v.contour(0).count, GlyphVectorizer::MaxArcPointsPerGlyph + 2);
        EXPECT_EQ(v.contour(0).points.back().y, 60000.0);
    }
}

// Cubic arcs get chords as quadratic ones do, by the larger extent of
// their control box; a contour may begin anywhere on its curve.
TEST(GlyphVectorizer, CubicArcsAtThePrecision)
{
    GlyphVectorizer v;
    vectorize(v, OutlineBuilder().contour({{0, 0}, cubic(0, 60), cubic(60, 60), {60, 0}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {30, 45}, {60, 0}}));
    vectorize(v, OutlineBuilder().contour({cubic(60, 60), {60, 0}, {0, 0}, cubic(0, 60)}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{60, 0}, {0, 0}, {30, 45}}));
    vectorize(v, OutlineBuilder().contour({{0, 0}, cubic(0, 44), cubic(44, 44), {44, 0}}).outline());
    EXPECT_EQ(v.contour(0).count, 2);
    vectorize(v, OutlineBuilder().contour({{0, 0}, cubic(0, 60), cubic(60, 60), {60, 0}}).outline(), 15.0);
    EXPECT_EQ(v.contour(0).count, 5);
    // Controls no engine makes (a lone one, or only controls) do no harm.
    vectorize(v, OutlineBuilder().contour({{0, 0}, cubic(0, 60), {60, 0}}).contour({cubic(1, 1), cubic(2, 2)}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {0, 60}, {60, 0}}));
    EXPECT_EQ(v.contour(1).count, 0);
}

TEST(GlyphContour, NearDuplicatesAreDroppedAndTheBoxGrows)
{
    GlyphContour c;
    c.add(1.0, 1.0);
    EXPECT_EQ(c.capacity, 8);
    c.add(1.0 + 5e-9, 1.0 - 5e-9); // within 1e-8 in both: dropped
    c.add(1.0 + 2e-8, 1.0);         // x differs enough
    c.add(1.0 + 2e-8, 3.0);         // y differs
    EXPECT_EQ(c.count, 3);
    EXPECT_EQ(c.xmin, 1.0);
    EXPECT_EQ(c.xmax, 1.0 + 2e-8);
    EXPECT_EQ(c.ymax, 3.0);
    for (int i = 0; i < 6; ++i)
        c.add(10.0 + i, 0.0);
    EXPECT_EQ(c.count, 9);
    EXPECT_EQ(c.capacity, 12);
    EXPECT_EQ(c.ymin, 0.0);

    GlyphVectorizer v;
    vectorize(v, OutlineBuilder().contour({{0, 0}, {0, 0}, {40, 0}, {40, 40}}).outline());
    EXPECT_EQ(pointsOf(v.contour(0)), (Points{{0, 0}, {40, 0}, {40, 40}}));
}

TEST(GlyphContour, CrossingRule)
{
    GlyphContour square;
    for (auto [x, y] : Points{{0, 0}, {0, 10}, {10, 10}, {10, 0}})
        square.add(x, y);
    EXPECT_TRUE(square.contains(5, 5));
    EXPECT_TRUE(square.contains(0.5, 9.5));
    EXPECT_FALSE(square.contains(15, 5));
    EXPECT_FALSE(square.contains(-1, 5));
    EXPECT_FALSE(square.contains(5, 11));

    // Half-open: a vertex the contour passes through at the point's height
    // counts once, an extreme vertex there twice or not at all.
    GlyphContour diamond;
    for (auto [x, y] : Points{{0, -10}, {-10, 0}, {0, 10}, {10, 0}})
        diamond.add(x, y);
    EXPECT_TRUE(diamond.contains(0, 0));
    GlyphContour triangle;
    for (auto [x, y] : Points{{0, 0}, {10, 5}, {0, 10}})
        triangle.add(x, y);
    EXPECT_TRUE(triangle.contains(5, 5));
    EXPECT_FALSE(triangle.contains(12, 5));
    EXPECT_FALSE(triangle.contains(5, 0));
}

TEST(GlyphVectorizer, SinglePointContourIsEmptyAndTrails)
{
    GlyphVectorizer v;
    vectorize(v, OutlineBuilder().contour({{5, 5}}).contour({{0, 0}, {0, 40}, {40, 40}, {40, 0}}).outline());
    ASSERT_EQ(v.contourCount(), 2);
    EXPECT_EQ(v.contour(0).count, 4);
    EXPECT_EQ(v.contour(1).count, 0);
    EXPECT_EQ(v.contour(1).area, 0.0);
    EXPECT_EQ(v.contour(1).exterior, 0);
}

TEST(GlyphVectorizer, GroupsHolesAfterTheirExteriors)
{
    GlyphVectorizer v;
    // "O": hole stored first, exterior second.
    vectorize(v, OutlineBuilder()
                     .contour({{40, 20}, {40, 40}, {20, 40}, {20, 20}})
                     .contour({{0, 0}, {0, 60}, {60, 60}, {60, 0}})
                     .outline());
    EXPECT_EQ(firstPoints(v), (Points{{0, 0}, {40, 20}}));
    EXPECT_EQ(v.contour(0).exterior, 1);
    EXPECT_EQ(v.contour(1).exterior, 0);

    // "i": two exteriors stay in index order.
    vectorize(v, OutlineBuilder()
                     .contour({{0, 40}, {0, 50}, {10, 50}, {10, 40}})
                     .contour({{0, 0}, {0, 30}, {10, 30}, {10, 0}})
                     .outline());
    EXPECT_EQ(firstPoints(v), (Points{{0, 40}, {0, 0}}));

    // Two rings, holes listed after both exteriors, plus a stray hole and
    // a backwards outer contour: each hole follows its own exterior, the
    // leftovers trail in index order.
    vectorize(v, OutlineBuilder()
                     .contour({{100, 100}, {90, 100}, {90, 90}, {100, 90}}) // stray hole
                     .contour({{0, 0}, {0, 30}, {30, 30}, {30, 0}})         // exterior A
                     .contour({{300, 0}, {340, 0}, {340, 40}, {300, 40}})   // backwards
                     .contour({{50, 0}, {50, 30}, {80, 30}, {80, 0}})       // exterior B
                     .contour({{70, 20}, {60, 20}, {60, 10}, {70, 10}})     // hole in B
                     .contour({{20, 20}, {10, 20}, {10, 10}, {20, 10}})     // hole in A
                     .outline());
    EXPECT_EQ(firstPoints(v), (Points{{0, 0}, {20, 20}, {50, 0}, {70, 20}, {100, 100}, {300, 0}}));
    std::vector<int> exterior;
    for (int k = 0; k < v.contourCount(); ++k)
        exterior.push_back(v.contour(k).exterior);
    EXPECT_EQ(exterior, (std::vector<int>{1, 0, 1, 0, 0, 0}));
}

TEST(GlyphVectorizer, HoleInsideTheBoxButOutsideTheShapeIsNotClaimed)
{
    GlyphVectorizer v;
    // An L-shaped exterior; the hole sits in the notch, inside the box.
    vectorize(v, OutlineBuilder()
                     .contour({{0, 0}, {0, 60}, {20, 60}, {20, 20}, {60, 20}, {60, 0}})
                     .contour({{50, 50}, {40, 50}, {40, 40}, {50, 40}})
                     .contour({{15, 15}, {5, 15}, {5, 5}, {15, 5}})
                     .outline());
    EXPECT_EQ(firstPoints(v), (Points{{0, 0}, {15, 15}, {50, 50}}));
}
