#include "render/RasterDrawContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Rows [first, last] of a shape whose sample rows are first..last, clipped
// to the frame.
struct RowRange {
    int first;
    int last;
};

RowRange clipRows(double top, double bottom, int height)
{
    // Limits well inside the int range keep every conversion defined.
    const double lo = std::max(top, -1.0);
    const double hi = std::min(bottom, static_cast<double>(height));
    return RowRange{std::max(0, static_cast<int>(std::ceil(lo))), std::min(height - 1, static_cast<int>(std::floor(hi)))};
}

} // namespace

void RasterDrawContext::selectPen(const Pen& pen)
{
    m_hasPen = true;
    m_pen = RasterFrame::pixel(pen.colour);
}

void RasterDrawContext::selectBrush(const Brush& brush)
{
    m_hasBrush = true;
    m_brush = RasterFrame::pixel(brush.colour);
}

void RasterDrawContext::selectNullPen() { m_hasPen = false; }

void RasterDrawContext::selectNullBrush() { m_hasBrush = false; }

void RasterDrawContext::setWindingFill() { m_winding = true; }

void RasterDrawContext::fillRow(int y, int begin, int end, std::uint32_t colour)
{
    if (begin < end)
        std::fill(m_frame.row(y) + begin, m_frame.row(y) + end, colour);
}

int RasterDrawContext::firstPixelFrom(double x, double sample, bool leansRight) const
{
    // Clamped first, so that the conversion is defined for any x.
    const double v = std::clamp(x - sample, -1.0, static_cast<double>(m_frame.width()) + 1.0);
    int i = static_cast<int>(v);
    if (i < v || (leansRight && i == v))
        ++i;
    return std::clamp(i, 0, m_frame.width());
}

void RasterDrawContext::polygon(const IntPoint* points, int count)
{
    if (!points || count < 2 || m_frame.width() <= 0 || m_frame.height() <= 0)
        return;
    if (m_hasBrush && count >= 3) {
        if (count == 3 && !m_hasPen)
            fillTriangle(points[0], points[1], points[2]);
        else
            fillPolygon(points, count);
    }
    if (m_hasPen)
        for (int i = 0; i < count; ++i)
            line(points[i], points[(i + 1) % count]);
}

void RasterDrawContext::fillTriangle(IntPoint a, IntPoint b, IntPoint c)
{
    // The scene's hot path: one triangle, sampled at pixel centres.
    if (b.y < a.y)
        std::swap(a, b);
    if (c.y < a.y)
        std::swap(a, c);
    if (c.y < b.y)
        std::swap(b, c);
    if (a.y == c.y)
        return;

    const RowRange rows = clipRows(a.y - 0.5, c.y - 0.5, m_frame.height());
    // Each crossing is (row offset * dx) / dy: one rounding, so a crossing
    // exactly at a pixel centre is found exactly.
    const double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    const double dxAC = c.x - ax, dyAC = c.y - ay;
    const double dxAB = bx - ax, dyAB = by - ay;
    const double dxBC = c.x - bx, dyBC = c.y - by;
    for (int y = rows.first; y <= rows.last; ++y) {
        const double sy = y + 0.5;
        // Sample rows never meet a vertex row: vertices are whole pixels.
        if (sy < ay || sy >= c.y)
            continue;
        const bool upper = sy < by;
        const double xLong = ax + (sy - ay) * dxAC / dyAC;
        const double xShort = upper ? ax + (sy - ay) * dxAB / dyAB : bx + (sy - by) * dxBC / dyBC;
        const bool shortLeansRight = (upper ? dxAB : dxBC) < 0.0;
        const bool longLeansRight = dxAC < 0.0;
        const int fromLong = firstPixelFrom(xLong, 0.5, longLeansRight);
        const int fromShort = firstPixelFrom(xShort, 0.5, shortLeansRight);
        fillRow(y, std::min(fromLong, fromShort), std::max(fromLong, fromShort), m_brush);
    }
}

void RasterDrawContext::fillPolygon(const IntPoint* points, int count)
{
    const double sample = sampleOffset();
    int top = points[0].y;
    int bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    const RowRange rows = clipRows(top - sample, bottom - sample, m_frame.height());
    for (int y = rows.first; y <= rows.last; ++y) {
        const double sy = y + sample;
        m_crossings.clear();
        for (int i = 0; i < count; ++i) {
            const IntPoint p = points[i];
            const IntPoint q = points[(i + 1) % count];
            // The sample lies a hair above sy: an edge spans it when it
            // starts above sy and ends at or below it.
            const bool down = p.y < sy && sy <= q.y;
            const bool up = q.y < sy && sy <= p.y;
            if (!down && !up)
                continue;
            const double dx = static_cast<double>(q.x) - p.x;
            const double dy = static_cast<double>(q.y) - p.y;
            const double x = p.x + (sy - p.y) * dx / dy;
            m_crossings.push_back(Crossing{firstPixelFrom(x, sample, (dx < 0.0) != (dy < 0.0) && dx != 0.0), down ? 1 : -1});
        }
        std::sort(m_crossings.begin(), m_crossings.end(),
                  [](const Crossing& l, const Crossing& r) { return l.pixel < r.pixel; });
        int winding = 0;
        for (std::size_t k = 0; k + 1 < m_crossings.size(); ++k) {
            winding += m_crossings[k].direction;
            const bool inside = m_winding ? winding != 0 : (winding & 1) != 0;
            if (inside)
                fillRow(y, m_crossings[k].pixel, m_crossings[k + 1].pixel, m_brush);
        }
    }
}

void RasterDrawContext::line(IntPoint from, IntPoint to)
{
    // The toolkit strokes a one-pixel pen as a band half a pixel wide on
    // either side of the line, with round ends: the pixels (by their
    // corner, the pen's half-pixel shift) within half a pixel of the
    // segment. The band is convex, so each row meets it in one run.
    const double ax = from.x, ay = from.y;
    const double dx = static_cast<double>(to.x) - ax;
    const double dy = static_cast<double>(to.y) - ay;
    const double length = std::sqrt(dx * dx + dy * dy);
    const RowRange rows = clipRows(std::min(ay, ay + dy) - 0.5, std::max(ay, ay + dy) + 0.5, m_frame.height());
    for (int y = rows.first; y <= rows.last; ++y) {
        const double ry = y - ay;
        double lo = HUGE_VAL;
        double hi = -HUGE_VAL;
        const auto take = [&lo, &hi](double a, double b) {
            lo = std::min(lo, std::min(a, b));
            hi = std::max(hi, std::max(a, b));
        };
        // The round ends.
        for (const double end : {0.0, 1.0}) {
            const double ey = ry - end * dy;
            if (std::abs(ey) <= 0.5) {
                const double half = std::sqrt(0.25 - ey * ey);
                take(end * dx - half, end * dx + half);
            }
        }
        // The band along the segment, between the ends.
        if (length > 0.0) {
            double bandLo = -HUGE_VAL;
            double bandHi = HUGE_VAL;
            if (dy != 0.0) {
                const double a = (ry * dx - 0.5 * length) / dy;
                const double b = (ry * dx + 0.5 * length) / dy;
                bandLo = std::min(a, b);
                bandHi = std::max(a, b);
            } else if (std::abs(ry) > 0.5) {
                bandLo = HUGE_VAL;
            }
            if (dx != 0.0) {
                const double a = -ry * dy / dx;
                const double b = (length * length - ry * dy) / dx;
                bandLo = std::max(bandLo, std::min(a, b));
                bandHi = std::min(bandHi, std::max(a, b));
            } else if (ry * dy < 0.0 || ry * dy > dy * dy) {
                bandLo = HUGE_VAL;
            }
            if (bandLo <= bandHi)
                take(bandLo, bandHi);
        }
        if (lo <= hi)
            fillRow(y, firstPixelFrom(ax + lo, 0.0, false), firstPixelFrom(ax + hi, 0.0, true), m_pen);
    }
}

void RasterDrawContext::ellipse(int left, int top, int right, int bottom)
{
    if (m_frame.width() <= 0 || m_frame.height() <= 0)
        return;
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const double cx = (static_cast<double>(left) + right) / 2.0;
    const double cy = (static_cast<double>(top) + bottom) / 2.0;
    const double rx = (static_cast<double>(right) - left) / 2.0;
    const double ry = (static_cast<double>(bottom) - top) / 2.0;

    // Half the width of the ellipse of radii (ex, ey) on the row dy from
    // its centre; negative when the row misses it.
    const auto halfWidth = [](double ex, double ey, double dy) {
        if (ex <= 0.0 || ey <= 0.0 || std::abs(dy) > ey)
            return -1.0;
        const double t = dy / ey;
        return ex * std::sqrt(1.0 - t * t);
    };

    if (m_hasBrush && rx > 0.0 && ry > 0.0) {
        const double sample = sampleOffset();
        const RowRange rows = clipRows(cy - ry - sample, cy + ry - sample, m_frame.height());
        for (int y = rows.first; y <= rows.last; ++y) {
            const double half = halfWidth(rx, ry, y + sample - cy);
            if (half < 0.0)
                continue;
            fillRow(y, firstPixelFrom(cx - half, sample, false), firstPixelFrom(cx + half, sample, true), m_brush);
        }
    }
    if (!m_hasPen)
        return;
    // A one-pixel ring: the pixels between the ellipses half a pixel
    // outside and inside the curve.
    const RowRange rows = clipRows(cy - ry - 0.5, cy + ry + 0.5, m_frame.height());
    for (int y = rows.first; y <= rows.last; ++y) {
        const double dy = y - cy;
        const double outer = halfWidth(rx + 0.5, ry + 0.5, dy);
        if (outer < 0.0)
            continue;
        const double inner = halfWidth(rx - 0.5, ry - 0.5, dy);
        const int outerBegin = firstPixelFrom(cx - outer, 0.0, false);
        const int outerEnd = firstPixelFrom(cx + outer, 0.0, true);
        if (inner <= 0.0) {
            fillRow(y, outerBegin, outerEnd, m_pen);
            continue;
        }
        fillRow(y, outerBegin, std::max(outerBegin, firstPixelFrom(cx - inner, 0.0, true)), m_pen);
        fillRow(y, std::min(outerEnd, firstPixelFrom(cx + inner, 0.0, false)), outerEnd, m_pen);
    }
}

void RasterDrawContext::moveTo(int x, int y) { m_position = IntPoint{x, y}; }

void RasterDrawContext::lineTo(int x, int y)
{
    const IntPoint to{x, y};
    if (m_hasPen && m_frame.width() > 0 && m_frame.height() > 0)
        line(m_position, to);
    m_position = to;
}
