#include "glyph/GlyphContour.h"

#include <cmath>

void GlyphContour::add(double x, double y)
{
    if (count > 0) {
        const ContourPoint& last = points[count - 1];
        if (std::fabs(x - last.x) < 1e-8 && std::fabs(y - last.y) < 1e-8)
            return;
    }
    if (capacity == 0) {
        capacity = 8;
        points.reserve(8);
    } else if (count == capacity) {
        capacity += capacity / 2;
        points.reserve(static_cast<std::size_t>(capacity));
    }

    if (x < xmin)
        xmin = x;
    if (x > xmax)
        xmax = x;
    if (y < ymin)
        ymin = y;
    if (y > ymax)
        ymax = y;
    if (count > 0) {
        const ContourPoint& prev = points[count - 1];
        area += prev.x * y - prev.y * x;
    }
    points.push_back({x, y});
    ++count;
}

void GlyphContour::finish()
{
    if (count >= 2) {
        const ContourPoint& first = points.front();
        const ContourPoint& last = points[count - 1];
        area = (area + last.x * first.y - last.y * first.x) * 0.5;
    } else {
        area = 0.0;
    }
    exterior = area < 0.0 ? 1 : 0;
}

void GlyphContour::reset()
{
    points.clear();
    count = 0;
    area = 0.0;
    exterior = 0;
    xmin = 1e20;
    xmax = -1e20;
    ymin = 1e20;
    ymax = -1e20;
}

bool GlyphContour::contains(double px, double py) const
{
    // Half-open: an edge counts when exactly one of its ends lies above
    // the point's height, so a vertex passed through counts once and an
    // extreme vertex twice or not at all. Horizontal edges never count.
    bool inside = false;
    for (int j = 0; j < count; ++j) {
        const ContourPoint& q0 = points[j];
        const ContourPoint& q1 = points[j + 1 < count ? j + 1 : 0];
        if ((q0.y > py) != (q1.y > py) && q0.x + (py - q0.y) * (q1.x - q0.x) / (q1.y - q0.y) <= px)
            inside = !inside;
    }
    return inside;
}
