#pragma once

#include <cstdint>

#include "platform/Geometry.h"

// A plain RGB colour.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    constexpr bool operator==(const Rgb&) const = default;
};

// A solid pen of a width in pixels.
struct Pen {
    Rgb colour;
    int width = 1;

    constexpr bool operator==(const Pen&) const = default;
};

// A solid brush.
struct Brush {
    Rgb colour;

    constexpr bool operator==(const Brush&) const = default;
};

// The drawing operations the scene view uses, on a window, a printed page
// or a print preview alike. Selected pen and brush stay until replaced.
class DrawContext {
public:
    virtual ~DrawContext() = default;

    virtual void selectPen(const Pen& pen) = 0;
    virtual void selectBrush(const Brush& brush) = 0;
    virtual void selectNullPen() = 0;
    virtual void selectNullBrush() = 0;
    virtual void setWindingFill() = 0;
    // A closed polygon, outlined with the pen and filled with the brush.
    virtual void polygon(const IntPoint* points, int count) = 0;
    // The ellipse inscribed in the box from (left, top) to (right, bottom).
    virtual void ellipse(int left, int top, int right, int bottom) = 0;
    virtual void moveTo(int x, int y) = 0;
    // A line from the current position to (x, y), which becomes current.
    virtual void lineTo(int x, int y) = 0;
};
