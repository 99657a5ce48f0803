#pragma once

#include <cstdint>

#include "platform/Geometry.h"

// Which pixels an edge leaves to its right, as the aliased shapes and the
// mask fill both take them: the two must agree to the last bit.
namespace pixelRules {

// The first pixel whose sample point (sample past its left edge) lies
// right of x, clipped to [0, width]. A sample exactly on x counts as
// right of it unless `leansRight`: the toolkit samples a hair above the
// row, where an edge sloping down to the left lies a little further right.
inline int firstPixelFrom(double x, double sample, bool leansRight, int width)
{
    // Clamped first, so that the conversion is defined for any x.
    double v = x - sample;
    v = v < -1.0 ? -1.0 : v;
    v = v > width + 1.0 ? width + 1.0 : v;
    int i = static_cast<int>(v);
    if (i < v || (leansRight && i == v))
        ++i;
    return i < 0 ? 0 : (i > width ? width : i);
}

// Shapes whose coordinates all lie within this many pixels of the origin
// (every shape of a real scene) are walked in 32.32 fixed point: a run's
// ends then cost an add and a shift per row instead of conversions and
// compares that the processor mispredicts. Farther shapes take the same
// rules in floating point.
inline constexpr double kFixedRange = 1 << 20;
inline constexpr double kFixedOne = 4294967296.0; // 2^32
// Added to a crossing, then cut to a whole number: the first pixel at or
// right of it (kCeilBias), or strictly right of it (kAboveBias).
inline constexpr std::int64_t kCeilBias = (std::int64_t{1} << 32) - 1;
inline constexpr std::int64_t kAboveBias = std::int64_t{1} << 32;

// |x| and |y| at most kFixedRange, in whole numbers.
inline bool fixedFits(IntPoint p)
{
    constexpr std::uint32_t range = static_cast<std::uint32_t>(kFixedRange);
    return static_cast<std::uint32_t>(p.x) + range <= 2 * range && static_cast<std::uint32_t>(p.y) + range <= 2 * range;
}

inline std::int64_t toFixed(double v) { return static_cast<std::int64_t>(v * kFixedOne); }

// The edges of a triangle whose corners are ordered by row (a.y < c.y),
// in floating point: the short edge is a-b above b's row and b-c from it on.
struct TriangleEdges {
    TriangleEdges(IntPoint a, IntPoint b, IntPoint c)
        : ax(a.x), ay(a.y), bx(b.x), by(b.y), slopeAC((c.x - ax) / (c.y - ay)),
          slopeAB(b.y != a.y ? (bx - ax) / (by - ay) : 0.0), slopeBC(c.y != b.y ? (c.x - bx) / (c.y - by) : 0.0)
    {
    }

    // The first pixel of row y's run and the first past it, in [0, width].
    void run(int y, int width, int& from, int& to) const
    {
        const double sy = y + 0.5;
        const bool upper = sy < by;
        const double xLong = ax + (sy - ay) * slopeAC;
        const double xShort = upper ? ax + (sy - ay) * slopeAB : bx + (sy - by) * slopeBC;
        const int fromLong = firstPixelFrom(xLong, 0.5, slopeAC < 0.0, width);
        const int fromShort = firstPixelFrom(xShort, 0.5, (upper ? slopeAB : slopeBC) < 0.0, width);
        from = fromLong < fromShort ? fromLong : fromShort;
        to = fromLong < fromShort ? fromShort : fromLong;
    }

    double ax, ay, bx, by;
    double slopeAC, slopeAB, slopeBC;
};

} // namespace pixelRules
