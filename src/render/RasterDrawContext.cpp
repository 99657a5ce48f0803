#include "render/RasterDrawContext.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Rows [first, last] of a shape whose sample rows are first..last, clipped
// to the frame.
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
constexpr double kFixedRange = 1 << 20;
constexpr double kFixedOne = 4294967296.0; // 2^32
constexpr std::int64_t kCeilBias = (std::int64_t{1} << 32) - 1;
constexpr std::int64_t kAboveBias = std::int64_t{1} << 32;

// |x| and |y| at most kFixedRange, in whole numbers.
bool fixedFits(IntPoint p)
{
    constexpr std::uint32_t range = static_cast<std::uint32_t>(kFixedRange);
    return static_cast<std::uint32_t>(p.x) + range <= 2 * range && static_cast<std::uint32_t>(p.y) + range <= 2 * range;
}

std::int64_t toFixed(double v) { return static_cast<std::int64_t>(v * kFixedOne); }

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

// The bits of a run within the two words from the one its first pixel
// lies in, by where it ends counted from that word's first pixel (0 to
// 127): taken from tables, since shifts by a variable amount are slow
// here.
struct RunTables {
    std::uint64_t from[64];  // bits from b on
    std::uint64_t first[128]; // bits below e in the first word
    std::uint64_t second[128]; // bits below e - 64 in the second
};

constexpr RunTables makeRunTables()
{
    RunTables t{};
    for (int b = 0; b < 64; ++b)
        t.from[b] = ~std::uint64_t{0} << b;
    for (int e = 0; e < 128; ++e) {
        t.first[e] = e >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << e) - 1;
        t.second[e] = e <= 64 ? 0 : (std::uint64_t{1} << (e - 64)) - 1;
    }
    return t;
}

constexpr RunTables kRuns = makeRunTables();

// Sets the bits of pixels [begin, end) in a row of marks, which has a
// spare word past the frame's width: a run of fewer than 64 pixels takes
// at most two words, written without a branch.
inline void markRun(std::uint64_t* row, std::int64_t begin, std::int64_t end)
{
    if (end - begin >= 64) {
        for (std::int64_t at = begin; at < end;) {
            const std::int64_t shift = at & 63;
            const std::int64_t take = std::min(64 - shift, end - at);
            row[at >> 6] |= kRuns.from[shift] & kRuns.first[shift + take];
            at += take;
        }
        return;
    }
    std::uint64_t* word = row + (begin >> 6);
    const std::int64_t reach = end - (begin & ~std::int64_t{63});
    word[0] |= kRuns.from[begin & 63] & kRuns.first[reach];
    word[1] |= kRuns.second[reach];
}

// A corner as one number that orders corners by row (then column), so
// that three are sorted by minimum and maximum alone, without branches.
inline std::uint64_t byRow(IntPoint p)
{
    return (std::uint64_t{static_cast<std::uint32_t>(p.y) ^ 0x80000000u} << 32) | static_cast<std::uint32_t>(p.x);
}

inline IntPoint fromRow(std::uint64_t key)
{
    return IntPoint{static_cast<std::int32_t>(static_cast<std::uint32_t>(key)),
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(key >> 32) ^ 0x80000000u)};
}

// A window's bound from a coordinate, kept well inside the int range.
inline int bound(long long v, int lo, int hi) { return static_cast<int>(std::clamp<long long>(v, lo, hi)); }

} // namespace

void RasterDrawContext::setRows(int top, int end)
{
    m_top = top;
    m_end = end;
}

int RasterDrawContext::rowTop() const { return std::max(m_top, 0); }

int RasterDrawContext::rowEnd() const { return std::min(m_end, m_frame.height()); }

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

void RasterDrawContext::polygon(const IntPoint* points, int count)
{
    settle();
    if (!points || count < 2 || m_frame.width() <= 0 || rowTop() >= rowEnd())
        return;
    if (m_smooth) {
        smoothPolygon(points, count);
        return;
    }
    // Nothing of a polygon lies outside the rows of its corners: one that
    // misses this context's rows is passed over at once.
    int top = points[0].y;
    int bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = std::min(top, points[i].y);
        bottom = std::max(bottom, points[i].y);
    }
    if (bottom < rowTop() || top >= rowEnd())
        return;
    if (m_hasBrush && count >= 3) {
        if (count == 3 && !m_hasPen)
            fillTriangle(points[0], points[1], points[2]);
        else
            fillPolygon(points, count);
    }
    if (m_hasPen) {
        for (int i = 0; i + 1 < count; ++i)
            line(points[i], points[i + 1]);
        line(points[count - 1], points[0]);
    }
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

    // Sample rows y + 0.5 inside [a.y, c.y): vertices are whole pixels,
    // so no sample row ever meets one.
    const RowRange rows{std::max(a.y, rowTop()), std::min(c.y - 1, rowEnd() - 1)};
    const int width = m_frame.width();
    const double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    const double slopeAC = (c.x - ax) / (c.y - ay);
    const double slopeAB = b.y != a.y ? (bx - ax) / (by - ay) : 0.0;
    const double slopeBC = c.y != b.y ? (c.x - bx) / (c.y - by) : 0.0;

    if (fixedFits(a) && fixedFits(b) && fixedFits(c)) {
        // Rows first..last all sample inside [a.y, c.y); the short edge
        // is a-b above b's row and b-c from it on.
        const auto edgeFrom = [](double x0, double y0, double slope, int y) {
            return FixedEdge{toFixed(x0 + (y + 0.5 - y0) * slope - 0.5), toFixed(slope),
                             slope < 0.0 ? kAboveBias : kCeilBias};
        };
        FixedEdge along = edgeFrom(ax, ay, slopeAC, rows.first);
        const auto walk = [&](FixedEdge side, int from, int to) {
            for (int y = from; y <= to; ++y) {
                const int p = along.pixel(width);
                const int q = side.pixel(width);
                fillRow(y, std::min(p, q), std::max(p, q), m_brush);
                along.x += along.step;
                side.x += side.step;
            }
        };
        const int split = std::clamp(b.y, rows.first, rows.last + 1);
        walk(edgeFrom(ax, ay, slopeAB, rows.first), rows.first, split - 1);
        walk(edgeFrom(bx, by, slopeBC, split), split, rows.last);
        return;
    }

    for (int y = rows.first; y <= rows.last; ++y) {
        const double sy = y + 0.5;
        const bool upper = sy < by;
        const double xLong = ax + (sy - ay) * slopeAC;
        const double xShort = upper ? ax + (sy - ay) * slopeAB : bx + (sy - by) * slopeBC;
        const int fromLong = firstPixelFrom(xLong, 0.5, slopeAC < 0.0, width);
        const int fromShort = firstPixelFrom(xShort, 0.5, (upper ? slopeAB : slopeBC) < 0.0, width);
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
    const RowRange rows = clipRows(top - sample, bottom - sample, rowTop(), rowEnd());
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
            m_crossings.push_back(Crossing{firstPixelFrom(x, sample, leansRight, m_frame.width()), down ? 1 : -1});
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

// The toolkit strokes a one-pixel pen as a band half a pixel wide on
// either side of the line, with round ends: it takes the pixels (by their
// corner, the pen's half-pixel shift) within half a pixel of the segment.
// Along the longer axis that is, at each step strictly between the ends,
// the one or two pixels across whose distance is at most 0.5, and at the
// two ends the end pixel alone.
void RasterDrawContext::line(IntPoint from, IntPoint to)
{
    if (!fixedFits(from) || !fixedFits(to)) {
        farLine(from, to);
        return;
    }
    const bool steep = std::abs(to.y - from.y) >= std::abs(to.x - from.x);
    // Along the major axis from the end with the smaller coordinate.
    const auto majorOf = [steep](IntPoint p) { return steep ? p.y : p.x; };
    const auto minorOf = [steep](IntPoint p) { return steep ? p.x : p.y; };
    if (majorOf(to) < majorOf(from))
        std::swap(from, to);
    const int majorLo = steep ? rowTop() : 0;
    const int majorEnd = steep ? rowEnd() : m_frame.width();
    const int minorLo = steep ? 0 : rowTop();
    const int minorEnd = steep ? m_frame.width() : rowEnd();
    const auto plot = [&](std::int64_t major, std::int64_t minor) {
        if (major < majorLo || major >= majorEnd || minor < minorLo || minor >= minorEnd)
            return;
        const int x = static_cast<int>(steep ? minor : major);
        const int y = static_cast<int>(steep ? major : minor);
        m_frame.row(y)[x] = m_pen;
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

    const bool inside = from.x >= 0 && to.x >= 0 && from.x < m_frame.width() && to.x < m_frame.width() &&
                        from.y >= rowTop() && to.y >= rowTop() && from.y < rowEnd() && to.y < rowEnd();
    if (!inside) {
        // Every pixel checked against the frame; steps outside it skipped.
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
    const std::uint32_t pen = m_pen;
    const std::ptrdiff_t stride = m_frame.stride();
    std::uint32_t* const origin = m_frame.row(from.y) + from.x;
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

void RasterDrawContext::farLine(IntPoint from, IntPoint to)
{
    // The same band row by row in floating point, for lines reaching far
    // outside the frame: only its rows are visited.
    if (to.y < from.y)
        std::swap(from, to);
    const int width = m_frame.width();
    const int top = std::max(from.y, rowTop());
    const int bottom = std::min(to.y, rowEnd() - 1);
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
        fillRow(y, firstPixelFrom(from.x + lo, 0.0, false, width), firstPixelFrom(from.x + hi, 0.0, true, width), m_pen);
    }
}

void RasterDrawContext::ellipse(int left, int top, int right, int bottom)
{
    settle();
    if (m_frame.width() <= 0 || rowTop() >= rowEnd())
        return;
    if (m_smooth) {
        smoothEllipse(left, top, right, bottom);
        return;
    }
    const int width = m_frame.width();
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
        const RowRange rows = clipRows(cy - ry - sample, cy + ry - sample, rowTop(), rowEnd());
        for (int y = rows.first; y <= rows.last; ++y) {
            const double half = halfWidth(rx, ry, y + sample - cy);
            if (half < 0.0)
                continue;
            fillRow(y, firstPixelFrom(cx - half, sample, false, width), firstPixelFrom(cx + half, sample, true, width),
                    m_brush);
        }
    }
    if (!m_hasPen)
        return;
    // A one-pixel ring: the pixels between the ellipses half a pixel
    // outside and inside the curve.
    const RowRange rows = clipRows(cy - ry - 0.5, cy + ry + 0.5, rowTop(), rowEnd());
    for (int y = rows.first; y <= rows.last; ++y) {
        const double dy = y - cy;
        const double outer = halfWidth(rx + 0.5, ry + 0.5, dy);
        if (outer < 0.0)
            continue;
        const double inner = halfWidth(rx - 0.5, ry - 0.5, dy);
        const int outerBegin = firstPixelFrom(cx - outer, 0.0, false, width);
        const int outerEnd = firstPixelFrom(cx + outer, 0.0, true, width);
        if (inner <= 0.0) {
            fillRow(y, outerBegin, outerEnd, m_pen);
            continue;
        }
        fillRow(y, outerBegin, std::max(outerBegin, firstPixelFrom(cx - inner, 0.0, true, width)), m_pen);
        fillRow(y, std::min(outerEnd, firstPixelFrom(cx + inner, 0.0, false, width)), outerEnd, m_pen);
    }
}

void RasterDrawContext::moveTo(int x, int y) { m_position = IntPoint{x, y}; }

void RasterDrawContext::lineTo(int x, int y)
{
    settle();
    const IntPoint to{x, y};
    if (m_hasPen && m_frame.width() > 0 && rowTop() < rowEnd()) {
        if (m_smooth)
            smoothLine(m_position, to);
        else
            line(m_position, to);
    }
    m_position = to;
}

void RasterDrawContext::triangles(const IntPoint* points, int count, std::span<const int> shapes)
{
    if (!points || count < 3 || m_frame.width() <= 0 || rowTop() >= rowEnd()) {
        settle();
        return;
    }
    if (m_hasBrush && !m_hasPen && !m_smooth) {
        fillTriangles(points, count);
        return;
    }
    if (m_smooth) {
        smoothTriangles(points, count, shapes);
        return;
    }
    settle();
    DrawContext::triangles(points, count, shapes);
}

// The pixels fillTriangle takes, gathered as runs of bits: a run costs a
// few operations on a small mask that stays in the cache instead of
// stores scattered over the frame, and the frame is then written once,
// row by row. Triangles are prepared a batch at a time and then marked,
// so that the long chains of arithmetic that set a triangle up overlap
// one another instead of waiting behind its rows.
void RasterDrawContext::fillTriangles(const IntPoint* points, int count)
{
    constexpr int kBatch = 128;
    const int top = rowTop();
    const int end = rowEnd();
    // The words of the frame's width and a spare one past them, which a
    // run may touch even when it is empty at the frame's width.
    m_markWords = m_frame.width() / 64 + 2;
    const std::size_t marks = static_cast<std::size_t>(m_markWords) * static_cast<std::size_t>(end - top);
    if (m_marks.size() < marks)
        m_marks.resize(marks);
    m_walks.resize(kBatch);
    int walks = 0;
    int markedTop = end;
    int markedEnd = top;
    for (int i = 0; i + 3 <= count; i += 3) {
        // Most triangles of a band's frame lie in other bands: passed over
        // before anything else.
        const int y0 = points[i].y, y1 = points[i + 1].y, y2 = points[i + 2].y;
        if (std::max({y0, y1, y2}) <= top || std::min({y0, y1, y2}) >= end)
            continue;
        const std::uint64_t p = byRow(points[i]);
        const std::uint64_t q = byRow(points[i + 1]);
        const std::uint64_t r = byRow(points[i + 2]);
        const std::uint64_t low = std::min(p, q);
        const std::uint64_t high = std::max(p, q);
        const IntPoint a = fromRow(std::min(low, r));
        const IntPoint b = fromRow(std::max(low, std::min(high, r)));
        const IntPoint c = fromRow(std::max(high, r));
        if (a.y == c.y)
            continue;
        const int first = std::max(a.y, top);
        const int last = std::min(c.y - 1, end - 1);
        if (first > last)
            continue;
        markedTop = std::min(markedTop, first);
        markedEnd = std::max(markedEnd, last + 1);
        if (!fixedFits(a) || !fixedFits(b) || !fixedFits(c)) {
            markFarTriangle(a, b, c, first, last);
            continue;
        }
        prepareWalk(m_walks[static_cast<std::size_t>(walks)], a, b, c, first, last);
        if (++walks == kBatch) {
            markWalks(m_walks.data(), walks);
            walks = 0;
        }
    }
    markWalks(m_walks.data(), walks);
    inkMarkedRows(markedTop, markedEnd);
}

// Sets up a triangle whose corners are ordered by row, by fillTriangle's
// rules and arithmetic to the last bit. Each edge starts from the first
// row of the frame it reaches, whichever band this is, so that bands cut
// anywhere give the picture of one whole frame.
void RasterDrawContext::prepareWalk(TriangleWalk& walk, IntPoint a, IntPoint b, IntPoint c, int first,
                                    int last) const
{
    const double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    const int split = std::clamp(b.y, first, last + 1);
    // An edge the triangle does not use on these rows gets no slope, so
    // that nothing about it can overflow; a used one spans a row or more.
    // Selected by arithmetic: whether a triangle has a flat top or bottom
    // follows no pattern a branch could learn.
    const double slopeAC = (c.x - ax) / (c.y - ay);
    const double slopeAB = (bx - ax) / std::max(by - ay, 1.0) * (first < split);
    const double slopeBC = (c.x - bx) / std::max(c.y - by, 1.0) * (split <= last);
    // The run end on row `row` of the edge through (x0, y0), which
    // fillTriangle starts on row `from` and steps from there.
    const auto edge = [](double x0, double y0, double slope, int from, int row, std::uint64_t& at,
                         std::uint64_t& step) {
        const std::int64_t perRow = toFixed(slope);
        const std::int64_t start = toFixed(x0 + (from + 0.5 - y0) * slope - 0.5);
        step = static_cast<std::uint64_t>(perRow);
        at = static_cast<std::uint64_t>(start + (slope < 0.0 ? kAboveBias : kCeilBias)) +
             static_cast<std::uint64_t>(static_cast<std::int64_t>(row) - from) * step;
    };
    edge(ax, ay, slopeAC, std::max(a.y, 0), first, walk.along, walk.alongStep);
    edge(ax, ay, slopeAB, std::max(a.y, 0), first, walk.upper, walk.upperStep);
    edge(bx, by, slopeBC, std::max(b.y, 0), split, walk.lower, walk.lowerStep);
    walk.first = first;
    walk.split = split;
    walk.last = last;
    // Runs lie between the corners' columns, give or take a pixel of
    // rounding: with the corners inside the frame they need no clamp.
    walk.clamped = std::min({a.x, b.x, c.x}) < 0 || std::max({a.x, b.x, c.x}) >= m_frame.width();
}

void RasterDrawContext::markWalks(const TriangleWalk* walks, int count)
{
    const std::int64_t width = m_frame.width();
    const std::ptrdiff_t words = m_markWords;
    // The runs between two edges on `rows` rows from `marks` on; the first
    // edge carries on to the rows after.
    const auto between = [&](std::uint64_t* marks, std::uint64_t& along, std::uint64_t alongStep, std::uint64_t side,
                             std::uint64_t sideStep, int rows, auto clamped) {
        for (int k = 0; k < rows; ++k) {
            std::int64_t p = static_cast<std::int64_t>(along) >> 32;
            std::int64_t q = static_cast<std::int64_t>(side) >> 32;
            if constexpr (decltype(clamped)::value) {
                p = std::clamp<std::int64_t>(p, 0, width);
                q = std::clamp<std::int64_t>(q, 0, width);
            }
            markRun(marks, p < q ? p : q, p < q ? q : p);
            marks += words;
            along += alongStep;
            side += sideStep;
        }
        return marks;
    };
    const auto mark = [&](const TriangleWalk& w, auto clamped) {
        std::uint64_t* marks = m_marks.data() + static_cast<std::ptrdiff_t>(w.first - rowTop()) * words;
        std::uint64_t along = w.along;
        marks = between(marks, along, w.alongStep, w.upper, w.upperStep, w.split - w.first, clamped);
        between(marks, along, w.alongStep, w.lower, w.lowerStep, w.last + 1 - w.split, clamped);
    };
    for (int i = 0; i < count; ++i) {
        if (walks[i].clamped)
            mark(walks[i], std::true_type{});
        else
            mark(walks[i], std::false_type{});
    }
}

// The same in floating point, for a triangle reaching far outside the
// frame.
void RasterDrawContext::markFarTriangle(IntPoint a, IntPoint b, IntPoint c, int first, int last)
{
    const int width = m_frame.width();
    const std::size_t words = static_cast<std::size_t>(m_markWords);
    std::uint64_t* marks = m_marks.data() + static_cast<std::size_t>(first - rowTop()) * words;
    const double ax = a.x, ay = a.y, bx = b.x, by = b.y;
    const double slopeAC = (c.x - ax) / (c.y - ay);
    const double slopeAB = b.y != a.y ? (bx - ax) / (by - ay) : 0.0;
    const double slopeBC = c.y != b.y ? (c.x - bx) / (c.y - by) : 0.0;
    for (int y = first; y <= last; ++y) {
        const double sy = y + 0.5;
        const bool upper = sy < by;
        const double xLong = ax + (sy - ay) * slopeAC;
        const double xShort = upper ? ax + (sy - ay) * slopeAB : bx + (sy - by) * slopeBC;
        const int fromLong = firstPixelFrom(xLong, 0.5, slopeAC < 0.0, width);
        const int fromShort = firstPixelFrom(xShort, 0.5, (upper ? slopeAB : slopeBC) < 0.0, width);
        markRun(marks, std::min(fromLong, fromShort), std::max(fromLong, fromShort));
        marks += words;
    }
}

// Inks the marked pixels of rows [top, end) with the brush and clears
// their marks; with a clear pending, every other pixel of the band gets
// the background in the same pass.
void RasterDrawContext::inkMarkedRows(int top, int end)
{
    const std::uint32_t colour = m_brush;
    const int width = m_frame.width();
    const bool clearing = m_pendingClear.has_value();
    const std::uint32_t background = takePendingClear(top, end);
    for (int y = top; y < end; ++y) {
        std::uint64_t* marks = m_marks.data() + static_cast<std::size_t>(y - rowTop()) * static_cast<std::size_t>(m_markWords);
        std::uint32_t* row = m_frame.row(y);
        // The spare word is never marked: runs end at the frame's width.
        for (int w = 0; w + 1 < m_markWords; ++w) {
            std::uint64_t bits = marks[w];
            std::uint32_t* pixels = row + 64 * w;
            if (clearing && bits != ~std::uint64_t{0})
                std::fill_n(pixels, std::min(64, width - 64 * w), background);
            if (bits == 0)
                continue;
            marks[w] = 0;
            if (bits == ~std::uint64_t{0}) {
                std::fill_n(pixels, 64, colour);
                continue;
            }
            while (bits != 0) {
                const int from = std::countr_zero(bits);
                const int n = std::countr_one(bits >> from);
                std::fill_n(pixels + from, n, colour);
                bits = from + n >= 64 ? 0 : bits & (~std::uint64_t{0} << (from + n));
            }
        }
    }
}

void RasterDrawContext::clear(Rgb colour) { m_pendingClear = colour; }

std::uint32_t RasterDrawContext::takePendingClear(int& top, int& end)
{
    if (!m_pendingClear)
        return 0;
    top = rowTop();
    end = rowEnd();
    const std::uint32_t background = RasterFrame::pixel(*m_pendingClear);
    m_pendingClear.reset();
    return background;
}

void RasterDrawContext::finish() { settle(); }

void RasterDrawContext::settle()
{
    if (!m_pendingClear)
        return;
    m_frame.clearRows(rowTop(), rowEnd(), *m_pendingClear);
    m_pendingClear.reset();
}

// Each shape gathered whole: its triangles, each turned to wind the same
// way, filled as one; its edges outlined as one. Shapes of the one colour
// are laid over one another on a plane of what each pixel has left
// uncovered, which stays in the cache where the frame would not, and the
// frame is then written once.
void RasterDrawContext::smoothTriangles(const IntPoint* points, int count, std::span<const int> shapes)
{
    const int top = rowTop();
    const int end = rowEnd();
    const int width = m_frame.width();
    // Pen and brush together, maybe of two colours, go straight onto the
    // frame, shape after shape.
    const bool planed = m_hasBrush != m_hasPen;
    if (planed) {
        const std::size_t plane = static_cast<std::size_t>(width) * static_cast<std::size_t>(end - top);
        if (m_plane.size() < plane)
            m_plane.resize(plane, 255);
    } else {
        settle();
    }
    int coveredTop = end;
    int coveredEnd = top;
    const auto lay = [&](std::uint32_t colour, int y0) {
        if (!planed) {
            m_coverage.blend(m_frame, colour);
            return;
        }
        m_coverage.cover(m_plane.data(), static_cast<std::size_t>(width), top);
        coveredTop = std::min(coveredTop, y0);
        coveredEnd = end;
    };
    // The shapes that reach this band, with the rows and columns they span.
    m_shapes.clear();
    forEachShape(count, shapes, [&](int first, int n) {
        const IntPoint* shape = points + first;
        const int corners = n - n % 3;
        if (corners < 3)
            return;
        long long left = shape[0].x, right = shape[0].x, high = shape[0].y, low = shape[0].y;
        for (int i = 1; i < corners; ++i) {
            left = std::min<long long>(left, shape[i].x);
            right = std::max<long long>(right, shape[i].x);
            high = std::min<long long>(high, shape[i].y);
            low = std::max<long long>(low, shape[i].y);
        }
        if (low + 2 <= top || high >= end || right + 2 <= 0 || left >= width)
            return;
        m_shapes.push_back(ShapeExtent{first, corners, bound(left, -1, width + 1), bound(high, INT_MIN / 2, INT_MAX / 2),
                                       bound(right + 2, -1, width + 1), bound(low + 2, INT_MIN / 2, INT_MAX / 2)});
    });
    // Laid on the plane from the top down, so that the rows being worked
    // on stay in the cache; the order a pixel's shapes come in depends on
    // the shapes alone, never on the band.
    if (planed)
        std::sort(m_shapes.begin(), m_shapes.end(), [](const ShapeExtent& l, const ShapeExtent& r) {
            return l.top != r.top ? l.top < r.top : l.first < r.first;
        });
    for (const ShapeExtent& extent : m_shapes) {
        const IntPoint* shape = points + extent.first;
        const int corners = extent.corners;
        const int x0 = extent.left;
        const int x1 = extent.right;
        const int y0 = std::clamp(extent.top, top, end);
        const int y1 = std::clamp(extent.bottom, top, end);
        if (m_hasBrush && m_coverage.begin(CoverageBuffer::Kind::Fill, m_frame, x0, y0, x1, y1)) {
            const double shift = m_hasPen ? 0.5 : 0.0;
            for (int i = 0; i + 3 <= corners; i += 3) {
                const IntPoint a = shape[i];
                IntPoint b = shape[i + 1];
                IntPoint c = shape[i + 2];
                // Exact for every corner a scene holds; far beyond, still defined.
                const double turn = (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
                                    (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
                if (turn == 0.0)
                    continue;
                if (turn < 0.0)
                    std::swap(b, c);
                m_coverage.addEdge(a.x + shift, a.y + shift, b.x + shift, b.y + shift);
                m_coverage.addEdge(b.x + shift, b.y + shift, c.x + shift, c.y + shift);
                m_coverage.addEdge(c.x + shift, c.y + shift, a.x + shift, a.y + shift);
            }
            lay(m_brush, y0);
        }
        if (m_hasPen && m_coverage.begin(CoverageBuffer::Kind::Lines, m_frame, x0, y0, x1, y1)) {
            for (int i = 0; i + 3 <= corners; i += 3) {
                m_coverage.addLine(shape[i].x, shape[i].y, shape[i + 1].x, shape[i + 1].y);
                m_coverage.addLine(shape[i + 1].x, shape[i + 1].y, shape[i + 2].x, shape[i + 2].y);
                m_coverage.addLine(shape[i + 2].x, shape[i + 2].y, shape[i].x, shape[i].y);
            }
            lay(m_pen, y0);
        }
    }
    if (planed)
        inkPlane(coveredTop, coveredEnd, m_hasBrush ? m_brush : m_pen);
}

// Inks rows [top, end) by how much of each pixel the plane says is
// covered, and makes the plane whole again; with a clear pending, every
// pixel of the band is written in the same pass, over the background.
void RasterDrawContext::inkPlane(int top, int end, std::uint32_t colour)
{
    const int width = m_frame.width();
    const bool clearing = m_pendingClear.has_value();
    const std::uint32_t background = takePendingClear(top, end);
    for (int y = top; y < end; ++y) {
        std::uint8_t* left = m_plane.data() + static_cast<std::size_t>(y - rowTop()) * static_cast<std::size_t>(width);
        std::uint32_t* pixels = m_frame.row(y);
        int x = 0;
#if defined(__SSE2__)
        // Sixteen pixels at a time: passed over (or cleared) when none is
        // covered, else mixed four at a time in 16-bit lanes, each
        // channel as RasterFrame::mix does it.
        const __m128i zero = _mm_setzero_si128();
        const __m128i uncovered = _mm_set1_epi8(static_cast<char>(0xFF));
        const __m128i whole = _mm_set1_epi16(256);
        const __m128i ink = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
        const __m128i ground = _mm_set1_epi32(static_cast<int>(background));
        for (; x + 16 <= width; x += 16) {
            const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + x));
            __m128i* out = reinterpret_cast<__m128i*>(pixels + x);
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(kept, uncovered)) == 0xFFFF) {
                if (clearing)
                    for (int k = 0; k < 4; ++k)
                        _mm_storeu_si128(out + k, ground);
                continue;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(left + x), uncovered);
            // Covered, out of 255, then out of 256, as 16-bit lanes.
            const __m128i covered = _mm_sub_epi8(uncovered, kept);
            const __m128i low = _mm_unpacklo_epi8(covered, zero);
            const __m128i high = _mm_unpackhi_epi8(covered, zero);
            const __m128i quarters[2] = {_mm_add_epi16(low, _mm_srli_epi16(low, 7)),
                                         _mm_add_epi16(high, _mm_srli_epi16(high, 7))};
            for (int k = 0; k < 4; ++k) {
                // Four pixels' strengths, each spread over its pixel's four lanes.
                const __m128i a = k % 2 == 0 ? _mm_unpacklo_epi16(quarters[k / 2], quarters[k / 2])
                                             : _mm_unpackhi_epi16(quarters[k / 2], quarters[k / 2]);
                const __m128i aLow = _mm_unpacklo_epi32(a, a);
                const __m128i aHigh = _mm_unpackhi_epi32(a, a);
                const __m128i under = clearing ? ground : _mm_loadu_si128(out + k);
                const auto mixed = [&](__m128i under16, __m128i strength) {
                    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(under16, _mm_sub_epi16(whole, strength)),
                                                        _mm_mullo_epi16(ink, strength)),
                                          8);
                };
                _mm_storeu_si128(out + k, _mm_packus_epi16(mixed(_mm_unpacklo_epi8(under, zero), aLow),
                                                           mixed(_mm_unpackhi_epi8(under, zero), aHigh)));
            }
        }
#endif
        for (; x < width; ++x) {
            const std::uint32_t covered = 255u - left[x];
            const std::uint32_t under = clearing ? background : pixels[x];
            left[x] = 255;
            pixels[x] = covered == 0 ? under : RasterFrame::mix(under, colour, covered + (covered >> 7));
        }
    }
}

void RasterDrawContext::smoothPolygon(const IntPoint* points, int count)
{
    long long left = points[0].x, right = points[0].x, top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        left = std::min<long long>(left, points[i].x);
        right = std::max<long long>(right, points[i].x);
        top = std::min<long long>(top, points[i].y);
        bottom = std::max<long long>(bottom, points[i].y);
    }
    const int width = m_frame.width();
    const int x0 = bound(left, -1, width + 1);
    const int x1 = bound(right + 2, -1, width + 1);
    const int y0 = bound(top, rowTop(), rowEnd());
    const int y1 = bound(bottom + 2, rowTop(), rowEnd());
    if (m_hasBrush && count >= 3 && m_coverage.begin(CoverageBuffer::Kind::Fill, m_frame, x0, y0, x1, y1)) {
        const double shift = m_hasPen ? 0.5 : 0.0;
        for (int i = 0; i < count; ++i) {
            const IntPoint p = points[i];
            const IntPoint q = points[(i + 1) % count];
            m_coverage.addEdge(p.x + shift, p.y + shift, q.x + shift, q.y + shift);
        }
        m_coverage.blend(m_frame, m_brush);
    }
    if (m_hasPen && m_coverage.begin(CoverageBuffer::Kind::Lines, m_frame, x0, y0, x1, y1)) {
        for (int i = 0; i < count; ++i) {
            const IntPoint p = points[i];
            const IntPoint q = points[(i + 1) % count];
            m_coverage.addLine(p.x, p.y, q.x, q.y);
        }
        m_coverage.blend(m_frame, m_pen);
    }
}

void RasterDrawContext::smoothEllipse(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    const double cx = (static_cast<double>(left) + right) / 2.0;
    const double cy = (static_cast<double>(top) + bottom) / 2.0;
    const double rx = (static_cast<double>(right) - left) / 2.0;
    const double ry = (static_cast<double>(bottom) - top) / 2.0;
    // The ellipse of radii (ex, ey) around (ox, oy) as a polygon whose
    // sides bulge less than a hundredth of a pixel from it (up to radii of
    // some thirty thousand pixels); `inward` runs it the other way round.
    const auto addEllipse = [this](double ox, double oy, double ex, double ey, bool inward) {
        const double r = std::max(ex, ey);
        const double step = std::acos(std::max(-1.0, 1.0 - 0.01 / r));
        const int sides = static_cast<int>(std::clamp(std::ceil(3.141592653589793 / step), 8.0, 4096.0));
        double px = ox + ex;
        double py = oy;
        for (int k = 1; k <= sides; ++k) {
            const double angle = (inward ? -2.0 : 2.0) * 3.141592653589793 * k / sides;
            const double qx = k == sides ? ox + ex : ox + ex * std::cos(angle);
            const double qy = k == sides ? oy : oy + ey * std::sin(angle);
            m_coverage.addEdge(px, py, qx, qy);
            px = qx;
            py = qy;
        }
    };
    // The window reaches a pixel past the outline's outer edge.
    const auto window = [&](double grow, double shift) {
        const int width = m_frame.width();
        const double x0 = std::clamp(std::floor(cx - rx - grow + shift), -1.0, width + 1.0);
        const double x1 = std::clamp(std::ceil(cx + rx + grow + shift) + 1.0, -1.0, width + 1.0);
        const double y0 = std::clamp(std::floor(cy - ry - grow + shift), double(rowTop()), double(rowEnd()));
        const double y1 = std::clamp(std::ceil(cy + ry + grow + shift) + 1.0, double(rowTop()), double(rowEnd()));
        return m_coverage.begin(CoverageBuffer::Kind::Fill, m_frame, int(x0), int(y0), int(x1), int(y1));
    };
    if (m_hasBrush && rx > 0.0 && ry > 0.0) {
        const double shift = m_hasPen ? 0.5 : 0.0;
        if (window(0.0, shift)) {
            addEllipse(cx + shift, cy + shift, rx, ry, false);
            m_coverage.blend(m_frame, m_brush);
        }
    }
    // A one-pixel ring: between the ellipses half a pixel outside and
    // inside the curve, through the pixel centres as lines run.
    if (m_hasPen && window(0.5, 0.5)) {
        addEllipse(cx + 0.5, cy + 0.5, rx + 0.5, ry + 0.5, false);
        if (rx > 0.5 && ry > 0.5)
            addEllipse(cx + 0.5, cy + 0.5, rx - 0.5, ry - 0.5, true);
        m_coverage.blend(m_frame, m_pen);
    }
}

void RasterDrawContext::smoothLine(IntPoint from, IntPoint to)
{
    const int width = m_frame.width();
    const int x0 = bound(std::min(from.x, to.x), -1, width + 1);
    const int x1 = bound(std::max<long long>(from.x, to.x) + 1, -1, width + 1);
    const int y0 = bound(std::min(from.y, to.y), rowTop(), rowEnd());
    const int y1 = bound(std::max<long long>(from.y, to.y) + 1, rowTop(), rowEnd());
    if (!m_coverage.begin(CoverageBuffer::Kind::Lines, m_frame, x0, y0, x1, y1))
        return;
    m_coverage.addLine(from.x, from.y, to.x, to.y);
    m_coverage.blend(m_frame, m_pen);
}
