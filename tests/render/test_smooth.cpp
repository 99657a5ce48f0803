// Smooth edges: each pixel takes the share of it a shape covers, the
// triangles of one shape meet without a seam, and a frame cut into bands
// gives the picture of one whole frame; the fill without smooth edges
// takes exactly the pixels it took one triangle at a time.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/CoverageBuffer.h"
#include "render/RasterDrawContext.h"

namespace {

const Rgb kWhite{255, 255, 255};
const Brush kInk{Rgb{0, 0, 0}};
const Pen kInkPen{Rgb{0, 0, 0}, 1};

using Polygon = std::vector<std::pair<double, double>>;

// How much of pixel (x, y) a shape drawn black on white covers, 0 to 1.
double coverageAt(const RasterFrame& frame, int x, int y) { return (255 - (frame.at(x, y) & 0xFF)) / 255.0; }

// The area of a polygon within pixel (x, y): the polygon clipped to each
// side of the pixel in turn, then the shoelace.
double areaInPixel(Polygon polygon, int x, int y)
{
    const auto clip = [&polygon](auto inside, auto cross) {
        Polygon kept;
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const auto p = polygon[i];
            const auto q = polygon[(i + 1) % polygon.size()];
            if (inside(p))
                kept.push_back(p);
            if (inside(p) != inside(q))
                kept.push_back(cross(p, q));
        }
        polygon = kept;
    };
    const auto atX = [](double at) {
        return [at](auto p, auto q) {
            return std::pair{at, p.second + (q.second - p.second) * (at - p.first) / (q.first - p.first)};
        };
    };
    const auto atY = [](double at) {
        return [at](auto p, auto q) {
            return std::pair{p.first + (q.first - p.first) * (at - p.second) / (q.second - p.second), at};
        };
    };
    clip([x](auto p) { return p.first >= x; }, atX(x));
    clip([x](auto p) { return p.first <= x + 1; }, atX(x + 1));
    clip([y](auto p) { return p.second >= y; }, atY(y));
    clip([y](auto p) { return p.second <= y + 1; }, atY(y + 1));
    double twice = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const auto p = polygon[i];
        const auto q = polygon[(i + 1) % polygon.size()];
        twice += p.first * q.second - q.first * p.second;
    }
    return twice < 0.0 ? -twice / 2.0 : twice / 2.0;
}

// A small generator of our own, so that the shapes are the same on
// every machine.
struct Scatter {
    std::uint32_t state = 12345;
    int next(int lo, int hi)
    {
        state = state * 1103515245u + 12345u;
        return lo + static_cast<int>((state >> 8) % static_cast<std::uint32_t>(hi - lo + 1));
    }
};

} // namespace

TEST(SmoothEdges, EachPixelTakesTheAreaCoveredToWithinASixtyFourth)
{
    const std::vector<Polygon> shapes = {
        {{2.25, 1.5}, {5.75, 1.5}, {5.75, 4.25}, {2.25, 4.25}},    // a square at a fractional position
        {{1.3, 0.7}, {3.1, 8.9}, {9.6, 3.2}},                       // a triangle, wound one way
        {{9.6, 3.2}, {3.1, 8.9}, {1.3, 0.7}},                       // and the other
        {{-3.5, 2.0}, {4.5, 9.5}, {14.0, 5.25}, {7.0, -2.0}},       // past every side of the frame
    };
    for (const Polygon& shape : shapes) {
        RasterFrame frame;
        frame.resize(12, 10);
        frame.clear(kWhite);
        CoverageBuffer coverage;
        ASSERT_TRUE(coverage.begin(CoverageBuffer::Kind::Fill, frame, -5, -5, 20, 20));
        for (std::size_t i = 0; i < shape.size(); ++i) {
            const auto p = shape[i];
            const auto q = shape[(i + 1) % shape.size()];
            coverage.addEdge(p.first, p.second, q.first, q.second);
        }
        coverage.blend(frame, 0);
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                ASSERT_NEAR(coverageAt(frame, x, y), areaInPixel(shape, x, y), 1.0 / 64.0) << x << ", " << y;
    }
}

TEST(SmoothEdges, TrianglesOfOneShapeMeetWithoutASeam)
{
    // A disc of 24 sides cut into a fan: its spokes cross pixels at every
    // angle. Each pixel wholly inside the disc is full ink when the fan is
    // one shape; drawn as separate shapes, the spokes show.
    constexpr int kSides = 24;
    const double cx = 30.0, cy = 30.0, r = 26.0;
    std::vector<IntPoint> rim;
    for (int k = 0; k < kSides; ++k) {
        const double angle = 2.0 * 3.141592653589793 * k / kSides;
        rim.push_back(IntPoint{static_cast<int>(cx + r * std::cos(angle)), static_cast<int>(cy + r * std::sin(angle))});
    }
    std::vector<IntPoint> fan;
    for (int k = 0; k < kSides; ++k) {
        fan.push_back(IntPoint{31, 29});
        fan.push_back(rim[static_cast<std::size_t>(k)]);
        fan.push_back(rim[static_cast<std::size_t>((k + 1) % kSides)]);
    }
    const auto inside = [&rim](double x, double y) {
        for (int k = 0; k < kSides; ++k) {
            const IntPoint p = rim[static_cast<std::size_t>(k)];
            const IntPoint q = rim[static_cast<std::size_t>((k + 1) % kSides)];
            if ((q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x) < 0.0)
                return false;
        }
        return true;
    };
    const auto lightInside = [&](std::vector<int> shapes) {
        RasterFrame frame;
        frame.resize(64, 64);
        frame.clear(kWhite);
        RasterDrawContext dc(frame);
        dc.setSmoothEdges(true);
        dc.selectNullPen();
        dc.selectBrush(kInk);
        dc.triangles(fan.data(), static_cast<int>(fan.size()), shapes);
        int light = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (inside(x, y) && inside(x + 1, y) && inside(x, y + 1) && inside(x + 1, y + 1))
                    light += frame.at(x, y) != 0;
        return light;
    };
    EXPECT_EQ(lightInside({static_cast<int>(fan.size())}), 0);
    EXPECT_GT(lightInside(std::vector<int>(kSides, 3)), 50);
}

TEST(SmoothEdges, BandsGiveThePictureOfOneFrameAndTheFillItsOldPixels)
{
    // Shapes of a few triangles each, some reaching far outside, drawn
    // whole and in bands cut at odd rows; without smooth edges also one
    // polygon at a time, as the fill always drew them.
    Scatter scatter;
    std::vector<IntPoint> points;
    std::vector<int> shapes;
    for (int s = 0; s < 60; ++s) {
        const int x = scatter.next(-20, 100), y = scatter.next(-20, 80);
        const int triangles = scatter.next(1, 8);
        for (int i = 0; i < 3 * triangles; ++i)
            points.push_back(IntPoint{x + scatter.next(-15, 15), y + scatter.next(-15, 15)});
        shapes.push_back(3 * triangles);
    }
    for (const IntPoint far : {IntPoint{-3000000, 10}, IntPoint{50, -2000000}, IntPoint{60, 45},
                               IntPoint{INT_MIN, INT_MIN}, IntPoint{INT_MAX, 0}, IntPoint{0, INT_MAX}})
        points.push_back(far);
    shapes.push_back(6);
    const int count = static_cast<int>(points.size());

    const auto draw = [&](bool smooth, bool wireframe, std::vector<int> cuts, bool oneByOne) {
        RasterFrame frame;
        frame.resize(96, 70);
        cuts.insert(cuts.begin(), 0);
        cuts.push_back(frame.height());
        for (std::size_t band = 0; band + 1 < cuts.size(); ++band) {
            RasterDrawContext dc(frame);
            dc.setRows(cuts[band], cuts[band + 1]);
            dc.clear(kWhite);
            dc.setSmoothEdges(smooth);
            if (wireframe) {
                dc.selectPen(kInkPen);
                dc.selectNullBrush();
            } else {
                dc.selectNullPen();
                dc.selectBrush(kInk);
            }
            if (oneByOne)
                dc.DrawContext::triangles(points.data(), count, shapes);
            else
                dc.triangles(points.data(), count, shapes);
            dc.finish();
        }
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < frame.height(); ++y)
            pixels.insert(pixels.end(), frame.row(y), frame.row(y) + frame.width());
        return pixels;
    };
    for (bool smooth : {false, true})
        for (bool wireframe : {false, true}) {
            SCOPED_TRACE(std::string(smooth ? "smooth " : "") + (wireframe ? "wireframe" : "shaded"));
            const auto whole = draw(smooth, wireframe, {}, false);
            EXPECT_EQ(draw(smooth, wireframe, {1, 23, 24, 51}, false), whole);
            if (!smooth) {
                EXPECT_EQ(draw(false, wireframe, {}, true), whole);
            }
        }
}
