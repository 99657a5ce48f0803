// Smooth edges: the triangles of one shape meet without a seam.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/SmoothPainter.h"

namespace {

const Rgb kWhite{255, 255, 255};
constexpr std::uint32_t kInk = RasterFrame::pixel(Rgb{0, 0, 0});

} // namespace

TEST(SmoothPainter, TrianglesOfOneShapeMeetWithoutASeam)
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
        RasterBand band(frame);
        SmoothPainter painter;
        painter.triangles(band, Ink{.hasBrush = true, .brush = kInk}, fan.data(), static_cast<int>(fan.size()), shapes);
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
