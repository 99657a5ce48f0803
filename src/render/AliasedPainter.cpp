#include "render/AliasedPainter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

#include "render/PixelRules.h"

using namespace pixelRules;

namespace {

// Rows [first, last] of a shape whose sample rows are first..last, clipped
// to the band.
struct RowRange {
    int first;
    int last;
};

// Rows first..last of a shape, as doubles, clipped to rows [top, end).
RowRange clipRows(double first, double last, int top, int end)
{
    // Limits well inside the int range keep every conversion defined.
    const double lo = std::max(first, top - 1.0);
    const double hi = std::min(last, static_cast<double>(end));
    return RowRange{std::max(top, static_cast<int>(std::ceil(lo))), std::min(end - 1, static_cast<int>(std::floor(hi)))};
}

// A crossing that moves a constant step per row, and the first pixel at
// or right of it (kCeilBias) or strictly right of it (kAboveBias).
struct FixedEdge {
    std::int64_t x;
    std::int64_t step;
    std::int64_t bias;

    int pixel(int width) const
    {
        const std::int64_t i = (x + bias) >> 32;
        return static_cast<int>(i < 0 ? 0 : (i > width ? width : i));
    }
};

// Fills row y from pixel `begin` (inclusive) to `end` (exclusive), both
// already clipped to the frame.
inline void fillRow(RasterFrame& frame, int y, int begin, int end, std::uint32_t colour)
{
    if (begin >= end)
        return;
    // Runs are mostly one or two pixels (the steep parts of outlines): both
    // ends are written without a branch that could be mispredicted, and
    // only longer runs loop over their middle.
    std::uint32_t* row = frame.row(y);
    row[begin] = colour;
    row[end - 1] = colour;
    for (int x = begin + 1; x < end - 1; ++x)
        row[x] = colour;
}

// The scene's hot path: one triangle, sampled at pixel centres.
void fillTriangle(RasterBand& band, std::uint32_t brush, IntPoint a, IntPoint b, IntPoint c)
{
    if (b.y < a.y)
        std::swap(a, b);
    if (c.y < a.y)
        std::swap(a, c);
    if (c.y < b.y)
        std::swap(b, c);
    if (a.y == c.y)
        return;

    // Sample rows y + 0.5 inside [a.y, c.y): vertices are whole pixels,
    // so no sample row ever meets one.
    const RowRange rows{std::max(a.y, band.top()), std::min(c.y - 1, band.end() - 1)};
    RasterFrame& frame = band.pixels();
    const int width = frame.width();
    const TriangleEdges edges(a, b, c);

    if (fixedFits(a) && fixedFits(b) && fixedFits(c)) {
        // Rows first..last all sample inside [a.y, c.y); the short edge
        // is a-b above b's row and b-c from it on.
        const auto edgeFrom = [](double x0, double y0, double slope, int y) {
            return FixedEdge{toFixed(x0 + (y + 0.5 - y0) * slope - 0.5), toFixed(slope),
                             slope < 0.0 ? kAboveBias : kCeilBias};
        };
        FixedEdge along = edgeFrom(edges.ax, edges.ay, edges.slopeAC, rows.first);
        const auto walk = [&](FixedEdge side, int from, int to) {
            for (int y = from; y <= to; ++y) {
                const int p = along.pixel(width);
                const int q = side.pixel(width);
                fillRow(frame, y, std::min(p, q), std::max(p, q), brush);
                along.x += along.step;
                side.x += side.step;
            }
        };
        const int split = std::clamp(b.y, rows.first, rows.last + 1);
        walk(edgeFrom(edges.ax, edges.ay, edges.slopeAB, rows.first), rows.first, split - 1);
        walk(edgeFrom(edges.bx, edges.by, edges.slopeBC, split), split, rows.last);
        return;
    }

    for (int y = rows.first; y <= rows.last; ++y) {
        int from = 0, to = 0;
        edges.run(y, width, from, to);
        fillRow(frame, y, from, to, brush);
    }
}

// The band of a line row by row in floating point, for lines reaching far
// outside the frame: only its rows are visited.
void farLine(RasterBand& band, std::uint32_t pen, IntPoint from, IntPoint to)
{
    if (to.y < from.y)
        std::swap(from, to);
    RasterFrame& frame = band.pixels();
    const int width = frame.width();
    const int top = std::max(from.y, band.top());
    const int bottom = std::min(to.y, band.end() - 1);
    const double dx = static_cast<double>(to.x) - from.x;
    const double dy = static_cast<double>(to.y) - from.y;
    const double slope = dy != 0.0 ? dx / dy : 0.0;
    const double half = dy != 0.0 ? 0.5 * std::sqrt(dx * dx + dy * dy) / dy : 0.0;
    for (int y = top; y <= bottom; ++y) {
        // On row ry the band runs ry * dx/dy -+ half; the end rows stop half
        // a pixel past the end point on the side the segment leaves from.
        const double at = (y - static_cast<double>(from.y)) * slope;
        double lo = at - half;
        double hi = at + half;
        if (dy == 0.0) {
            lo = std::min(0.0, dx) - 0.5;
            hi = std::max(0.0, dx) + 0.5;
        } else if (y == from.y) {
            (dx < 0.0 ? hi : lo) = dx < 0.0 ? 0.5 : -0.5;
        } else if (y == to.y) {
            (dx < 0.0 ? lo : hi) = dx < 0.0 ? dx - 0.5 : dx + 0.5;
        }
        fillRow(frame, y, firstPixelFrom(from.x + lo, 0.0, false, width), firstPixelFrom(from.x + hi, 0.0, true, width),
                pen);
    }
}

} // namespace

void AliasedPainter::polygon(RasterBand& band, const Ink& ink, const IntPoint* points, int count)
{
    // Nothing of a polygon lies outside the rows of its corners: one that
    // misses the band is passed over at once.
    int top = points[0].y;
    int bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    if (bottom < band.top() || top >= band.end())
        return;
    if (ink.hasBrush && count >= 3) {
        if (count == 3 && !ink.hasPen)
            fillTriangle(band, ink.brush, points[0], points[1], points[2]);
        else
            fillPolygon(band, ink, points, count);
    }
    if (ink.hasPen) {
        for (int i = 0; i + 1 < count; ++i)
            line(band, ink.pen, points[i], points[i + 1]);
        line(band, ink.pen, points[count - 1], points[0]);
    }
}

void AliasedPainter::triangles(RasterBand& band, const Ink& ink, const IntPoint* points, int count)
{
    for (int i = 0; i + 3 <= count; i += 3)
        polygon(band, ink, points + i, 3);
}

void AliasedPainter::fillPolygon(RasterBand& band, const Ink& ink, const IntPoint* points, int count)
{
    const double sample = ink.sampleOffset();
    int top = points[0].y;
    int bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    RasterFrame& frame = band.pixels();
    const RowRange rows = clipRows(top - sample, bottom - sample, band.top(), band.end());
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
            const bool leansRight = (dx < 0.0) != (dy < 0.0) && dx != 0.0;
            m_crossings.push_back(Crossing{firstPixelFrom(x, sample, leansRight, frame.width()), down ? 1 : -1});
        }
        std::sort(m_crossings.begin(), m_crossings.end(),
                  [](const Crossing& l, const Crossing& r) { return l.pixel < r.pixel; });
        int winding = 0;
        for (std::size_t k = 0; k + 1 < m_crossings.size(); ++k) {
            winding += m_crossings[k].direction;
            const bool inside = ink.winding ? winding != 0 : (winding & 1) != 0;
            if (inside)
                fillRow(frame, y, m_crossings[k].pixel, m_crossings[k + 1].pixel, ink.brush);
        }
    }
}

// The toolkit strokes a one-pixel pen as a band half a pixel wide on
// either side of the line, with round ends: it takes the pixels (by their
// corner, the pen's half-pixel shift) within half a pixel of the segment.
// Along the longer axis that is, at each step strictly between the ends,
// the one or two pixels across whose distance is at most 0.5, and at the
// two ends the end pixel alone.
void AliasedPainter::line(RasterBand& band, std::uint32_t pen, IntPoint from, IntPoint to)
{
    if (!fixedFits(from) || !fixedFits(to)) {
        farLine(band, pen, from, to);
        return;
    }
    RasterFrame& frame = band.pixels();
    const bool steep = std::abs(to.y - from.y) >= std::abs(to.x - from.x);
    // Along the major axis from the end with the smaller coordinate.
    const auto majorOf = [steep](IntPoint p) { return steep ? p.y : p.x; };
    const auto minorOf = [steep](IntPoint p) { return steep ? p.x : p.y; };
    if (majorOf(to) < majorOf(from))
        std::swap(from, to);
    const int majorLo = steep ? band.top() : 0;
    const int majorEnd = steep ? band.end() : frame.width();
    const int minorLo = steep ? 0 : band.top();
    const int minorEnd = steep ? frame.width() : band.end();
    const auto plot = [&](std::int64_t major, std::int64_t minor) {
        if (major < majorLo || major >= majorEnd || minor < minorLo || minor >= minorEnd)
            return;
        const int x = static_cast<int>(steep ? minor : major);
        const int y = static_cast<int>(steep ? major : minor);
        frame.row(y)[x] = pen;
    };
    plot(majorOf(from), minorOf(from));
    plot(majorOf(to), minorOf(to));
    const std::int64_t run = majorOf(to) - majorOf(from);
    const std::int64_t rise = minorOf(to) - minorOf(from);
    if (run < 2)
        return; // the end pixels are the whole line
    // Step k lies k * rise / run across: whole part q, remainder e in
    // [0, run). A pixel d across is within half a pixel of the line when
    // 4 (d * run - k * rise)^2 <= run^2 + rise^2: only q and q + 1 can be.
    const std::int64_t length2 = run * run + rise * rise;
    const std::int64_t stepQ = rise == run ? 1 : (rise >= 0 ? 0 : -1);
    const std::int64_t stepR = rise - stepQ * run;
    const auto walk = [&](std::int64_t first, std::int64_t last, auto&& put) {
        // The first step is nearly always 1, where no division is needed.
        std::int64_t q = first == 1 ? stepQ : first * rise / run;
        std::int64_t e = first * rise - q * run;
        if (e < 0) {
            --q;
            e += run;
        }
        for (std::int64_t k = first; k <= last; ++k) {
            put(k, q + (4 * e * e <= length2 ? 0 : 1), q + (4 * (run - e) * (run - e) <= length2 ? 1 : 0));
            // Branch-free carry: its pattern depends on the slope and would
            // defeat prediction.
            q += stepQ;
            e += stepR;
            const bool carry = e >= run;
            e -= carry ? run : 0;
            q += carry;
        }
    };

    const bool inside = from.x >= 0 && to.x >= 0 && from.x < frame.width() && to.x < frame.width() &&
                        from.y >= band.top() && to.y >= band.top() && from.y < band.end() && to.y < band.end();
    if (!inside) {
        // Every pixel checked against the band; steps outside it skipped.
        const std::int64_t first = std::max<std::int64_t>(1, majorLo - majorOf(from));
        const std::int64_t last = std::min<std::int64_t>(run - 1, majorEnd - 1 - majorOf(from));
        walk(first, last, [&](std::int64_t k, std::int64_t near, std::int64_t far) {
            plot(majorOf(from) + k, minorOf(from) + near);
            plot(majorOf(from) + k, minorOf(from) + far);
        });
        return;
    }
    // Wholly inside, every pixel of the walk is too: both lie between the
    // end points across.
    const std::ptrdiff_t stride = frame.stride();
    std::uint32_t* const origin = frame.row(from.y) + from.x;
    if (steep)
        walk(1, run - 1, [&](std::int64_t k, std::int64_t near, std::int64_t far) {
            std::uint32_t* row = origin + k * stride;
            row[near] = pen;
            row[far] = pen;
        });
    else
        walk(1, run - 1, [&](std::int64_t k, std::int64_t near, std::int64_t far) {
            origin[k + near * stride] = pen;
            origin[k + far * stride] = pen;
        });
}

void AliasedPainter::ellipse(RasterBand& band, const Ink& ink, const Ellipse& ellipse)
{
    const auto [cx, cy, rx, ry] = ellipse;
    RasterFrame& frame = band.pixels();
    const int width = frame.width();

    // Half the width of the ellipse of radii (ex, ey) on the row dy from
    // its centre; negative when the row misses it.
    const auto halfWidth = [](double ex, double ey, double dy) {
        if (ex <= 0.0 || ey <= 0.0 || std::abs(dy) > ey)
            return -1.0;
        const double t = dy / ey;
        return ex * std::sqrt(1.0 - t * t);
    };

    if (ink.hasBrush && rx > 0.0 && ry > 0.0) {
        const double sample = ink.sampleOffset();
        const RowRange rows = clipRows(cy - ry - sample, cy + ry - sample, band.top(), band.end());
        for (int y = rows.first; y <= rows.last; ++y) {
            const double half = halfWidth(rx, ry, y + sample - cy);
            if (half < 0.0)
                continue;
            fillRow(frame, y, firstPixelFrom(cx - half, sample, false, width),
                    firstPixelFrom(cx + half, sample, true, width), ink.brush);
        }
    }
    if (!ink.hasPen)
        return;
    // A one-pixel ring: the pixels between the ellipses half a pixel
    // outside and inside the curve.
    const RowRange rows = clipRows(cy - ry - 0.5, cy + ry + 0.5, band.top(), band.end());
    for (int y = rows.first; y <= rows.last; ++y) {
        const double dy = y - cy;
        const double outer = halfWidth(rx + 0.5, ry + 0.5, dy);
        if (outer < 0.0)
            continue;
        const double inner = halfWidth(rx - 0.5, ry - 0.5, dy);
        const int outerBegin = firstPixelFrom(cx - outer, 0.0, false, width);
        const int outerEnd = firstPixelFrom(cx + outer, 0.0, true, width);
        if (inner <= 0.0) {
            fillRow(frame, y, outerBegin, outerEnd, ink.pen);
            continue;
        }
        fillRow(frame, y, outerBegin, std::max(outerBegin, firstPixelFrom(cx - inner, 0.0, true, width)), ink.pen);
        fillRow(frame, y, std::min(outerEnd, firstPixelFrom(cx + inner, 0.0, false, width)), outerEnd, ink.pen);
    }
}
