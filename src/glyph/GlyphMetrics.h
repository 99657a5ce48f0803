#pragma once

#include <cstdint>

// One 26.6 unit in pixels.
constexpr double PixelsPer26Dot6Unit = 0.015625;

// Metrics of a loaded glyph, all 26.6 pixels, y up.
struct GlyphMetrics {
    std::int32_t xMin = 0;
    std::int32_t yMin = 0;
    std::int32_t xMax = 0;
    std::int32_t yMax = 0;
    std::int32_t bearingX = 0;
    std::int32_t bearingY = 0;
    std::int32_t advance = 0;
};
