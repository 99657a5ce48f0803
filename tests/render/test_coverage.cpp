// Coverage: each pixel takes the share of it a shape covers.
#include <gtest/gtest.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "render/CoverageBuffer.h"

namespace {

const Rgb kWhite{255, 255, 255};

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

} // namespace

TEST(CoverageBuffer, EachPixelTakesTheAreaCoveredToWithinASixtyFourth)
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
