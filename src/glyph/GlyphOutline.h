#pragma once

#include <cstdint>
#include <vector>

// Outline of a loaded glyph as the engine gives it after scaling and
// hinting: closed contours of on-curve points and quadratic (TrueType) or
// cubic (CFF, Type 1) control points in 26.6 pixels, y up, origin on the
// baseline.
struct GlyphOutline {
    struct Point {
        std::int32_t x = 0;
        std::int32_t y = 0;
    };

    static constexpr unsigned char OnCurve = 0x01;
    static constexpr unsigned char Cubic = 0x02; // with OnCurve clear

    int numContours = 0;
    // Last point index of each contour, ascending.
    std::vector<std::uint16_t> contourEnds;
    // Bit 0 set: on-curve; clear: a control point, cubic when bit 1 is set
    // and quadratic otherwise. Other bits are the engine's own.
    std::vector<unsigned char> flags;
    std::vector<Point> points;

    // Contour ends ascending and inside the point arrays.
    bool isWellFormed() const;
};
