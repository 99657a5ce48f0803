#include "render/SmoothPainter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A window's bound from a coordinate, kept well inside the int range.
inline int bound(long long v, int lo, int hi) { return static_cast<int>(std::clamp<long long>(v, lo, hi)); }

// The box of `count` points, in a range that cannot overflow.
struct PointBox {
    long long left, right, top, bottom;
};

PointBox boxOf(const IntPoint* points, int count)
{
    PointBox b{points[0].x, points[0].x, points[0].y, points[0].y};
    for (int i = 1; i < count; ++i) {
        b.left = std::min<long long>(b.left, points[i].x);
        b.right = std::max<long long>(b.right, points[i].x);
        b.top = std::min<long long>(b.top, points[i].y);
        b.bottom = std::max<long long>(b.bottom, points[i].y);
    }
    return b;
}

// The ellipse of radii (ex, ey) around (ox, oy) as a polygon whose sides
// bulge less than a hundredth of a pixel from it (up to radii of some
// thirty thousand pixels); `inward` runs it the other way round.
void addEllipse(CoverageBuffer& coverage, double ox, double oy, double ex, double ey, bool inward)
{
    const double r = std::max(ex, ey);
    const double step = std::acos(std::max(-1.0, 1.0 - 0.01 / r));
    const int sides = static_cast<int>(std::clamp(std::ceil(3.141592653589793 / step), 8.0, 4096.0));
    double px = ox + ex;
    double py = oy;
    for (int k = 1; k <= sides; ++k) {
        const double angle = (inward ? -2.0 : 2.0) * 3.141592653589793 * k / sides;
        const double qx = k == sides ? ox + ex : ox + ex * std::cos(angle);
        const double qy = k == sides ? oy : oy + ey * std::sin(angle);
        coverage.addEdge(px, py, qx, qy);
        px = qx;
        py = qy;
    }
}

} // namespace

void SmoothPainter::polygon(RasterBand& band, const Ink& ink, const IntPoint* points, int count)
{
    const auto [left, right, top, bottom] = boxOf(points, count);
    const int width = band.width();
    const int x0 = bound(left, -1, width + 1);
    const int x1 = bound(right + 2, -1, width + 1);
    const int y0 = bound(top, band.top(), band.end());
    const int y1 = bound(bottom + 2, band.top(), band.end());
    if (ink.hasBrush && count >= 3 && m_coverage.begin(CoverageBuffer::Kind::Fill, band.frame(), x0, y0, x1, y1)) {
        const double shift = ink.hasPen ? 0.5 : 0.0;
        for (int i = 0; i < count; ++i) {
            const IntPoint p = points[i];
            const IntPoint q = points[(i + 1) % count];
            m_coverage.addEdge(p.x + shift, p.y + shift, q.x + shift, q.y + shift);
        }
        m_coverage.blend(band.pixels(), ink.brush);
    }
    if (ink.hasPen && m_coverage.begin(CoverageBuffer::Kind::Lines, band.frame(), x0, y0, x1, y1)) {
        for (int i = 0; i < count; ++i) {
            const IntPoint p = points[i];
            const IntPoint q = points[(i + 1) % count];
            m_coverage.addLine(p.x, p.y, q.x, q.y);
        }
        m_coverage.blend(band.pixels(), ink.pen);
    }
}

void SmoothPainter::ellipse(RasterBand& band, const Ink& ink, const Ellipse& ellipse)
{
    const auto [cx, cy, rx, ry] = ellipse;
    // The window reaches a pixel past the outline's outer edge.
    const auto window = [&](double grow, double shift) {
        const int width = band.width();
        const double x0 = std::clamp(std::floor(cx - rx - grow + shift), -1.0, width + 1.0);
        const double x1 = std::clamp(std::ceil(cx + rx + grow + shift) + 1.0, -1.0, width + 1.0);
        const double y0 = std::clamp(std::floor(cy - ry - grow + shift), double(band.top()), double(band.end()));
        const double y1 = std::clamp(std::ceil(cy + ry + grow + shift) + 1.0, double(band.top()), double(band.end()));
        return m_coverage.begin(CoverageBuffer::Kind::Fill, band.frame(), int(x0), int(y0), int(x1), int(y1));
    };
    if (ink.hasBrush && rx > 0.0 && ry > 0.0) {
        const double shift = ink.hasPen ? 0.5 : 0.0;
        if (window(0.0, shift)) {
            addEllipse(m_coverage, cx + shift, cy + shift, rx, ry, false);
            m_coverage.blend(band.pixels(), ink.brush);
        }
    }
    // A one-pixel ring: between the ellipses half a pixel outside and
    // inside the curve, through the pixel centres as lines run.
    if (ink.hasPen && window(0.5, 0.5)) {
        addEllipse(m_coverage, cx + 0.5, cy + 0.5, rx + 0.5, ry + 0.5, false);
        if (rx > 0.5 && ry > 0.5)
            addEllipse(m_coverage, cx + 0.5, cy + 0.5, rx - 0.5, ry - 0.5, true);
        m_coverage.blend(band.pixels(), ink.pen);
    }
}

void SmoothPainter::line(RasterBand& band, std::uint32_t pen, IntPoint from, IntPoint to)
{
    const int width = band.width();
    const int x0 = bound(std::min(from.x, to.x), -1, width + 1);
    const int x1 = bound(std::max<long long>(from.x, to.x) + 1, -1, width + 1);
    const int y0 = bound(std::min(from.y, to.y), band.top(), band.end());
    const int y1 = bound(std::max<long long>(from.y, to.y) + 1, band.top(), band.end());
    if (!m_coverage.begin(CoverageBuffer::Kind::Lines, band.frame(), x0, y0, x1, y1))
        return;
    m_coverage.addLine(from.x, from.y, to.x, to.y);
    m_coverage.blend(band.pixels(), pen);
}

// Each shape gathered whole: its triangles, each turned to wind the same
// way, filled as one; its edges outlined as one. Shapes of the one colour
// are laid over one another on a plane of what each pixel has left
// uncovered, which stays in the cache where the frame would not, and the
// frame is then written once.
void SmoothPainter::triangles(RasterBand& band, const Ink& ink, const IntPoint* points, int count,
                              std::span<const int> shapes)
{
    const int top = band.top();
    const int end = band.end();
    const int width = band.width();
    // Pen and brush together, maybe of two colours, go straight onto the
    // frame, shape after shape.
    const bool planed = ink.hasBrush != ink.hasPen;
    if (planed) {
        const std::size_t plane = static_cast<std::size_t>(width) * static_cast<std::size_t>(end - top);
        if (m_plane.size() < plane)
            m_plane.resize(plane, 255);
    }
    int coveredTop = end;
    int coveredEnd = top;
    const auto lay = [&](std::uint32_t colour, int y0) {
        if (!planed) {
            m_coverage.blend(band.pixels(), colour);
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
        const auto [left, right, high, low] = boxOf(shape, corners);
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
        if (ink.hasBrush && m_coverage.begin(CoverageBuffer::Kind::Fill, band.frame(), x0, y0, x1, y1)) {
            const double shift = ink.hasPen ? 0.5 : 0.0;
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
            lay(ink.brush, y0);
        }
        if (ink.hasPen && m_coverage.begin(CoverageBuffer::Kind::Lines, band.frame(), x0, y0, x1, y1)) {
            for (int i = 0; i + 3 <= corners; i += 3) {
                m_coverage.addLine(shape[i].x, shape[i].y, shape[i + 1].x, shape[i + 1].y);
                m_coverage.addLine(shape[i + 1].x, shape[i + 1].y, shape[i + 2].x, shape[i + 2].y);
                m_coverage.addLine(shape[i + 2].x, shape[i + 2].y, shape[i].x, shape[i].y);
            }
            lay(ink.pen, y0);
        }
    }
    if (planed)
        inkPlane(band, coveredTop, coveredEnd, ink.hasBrush ? ink.brush : ink.pen);
}

// Inks rows [top, end) by how much of each pixel the plane says is
// covered, and makes the plane whole again; with a clear pending, every
// pixel of the band is written in the same pass, over the background.
void SmoothPainter::inkPlane(RasterBand& band, int top, int end, std::uint32_t colour)
{
    const std::optional<std::uint32_t> clear = band.takeClear(top, end);
    const bool clearing = clear.has_value();
    const std::uint32_t background = clear.value_or(0);
    RasterFrame& frame = band.pixels();
    const int width = frame.width();
    for (int y = top; y < end; ++y) {
        std::uint8_t* left = m_plane.data() + static_cast<std::size_t>(y - band.top()) * static_cast<std::size_t>(width);
        std::uint32_t* pixels = frame.row(y);
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
