#pragma once

#include <cstdint>

// Integer client-pixel point: the element of the point buffer, which the
// drawing context takes directly.
struct IntPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    constexpr bool operator==(const IntPoint&) const = default;
};

// Integer rectangle. contains() is half-open: left and top edges inside,
// right and bottom edges outside.
struct IntRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    constexpr bool contains(IntPoint p) const { return left <= p.x && p.x < right && top <= p.y && p.y < bottom; }

    constexpr bool operator==(const IntRect&) const = default;
};
