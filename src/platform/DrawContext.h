#pragma once

#include <cstdint>
#include <span>

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

    // Edges drawn from now on are smoothed where the context can; a page
    // or a preview keeps the toolkit's own drawing.
    virtual void setSmoothEdges(bool /*on*/) {}
    // The first `count` points as triangles, three points each, each drawn
    // as `polygon` draws it. `shapes` groups them: the points of each shape
    // in turn, each a multiple of three; the points past them form one more
    // shape. A context that smooths edges fills (or outlines) the triangles
    // of one shape together, as one shape.
    virtual void triangles(const IntPoint* points, int count, std::span<const int> shapes);
};

// Calls `shape(first, n)` for each shape of a `triangles` call, in order:
// the shapes cut at `count`, then what is left of it.
template <class Shape>
void forEachShape(int count, std::span<const int> shapes, Shape&& shape)
{
    int first = 0;
    for (const int size : shapes) {
        if (first >= count)
            return;
        const int n = size < count - first ? size : count - first;
        if (n > 0)
            shape(first, n);
        first += n > 0 ? n : 0;
    }
    if (first < count)
        shape(first, count - first);
}
