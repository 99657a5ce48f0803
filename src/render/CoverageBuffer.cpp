#include "render/CoverageBuffer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A whole pixel's area, in the units fills are summed in.
constexpr int kOneShift = 14;
constexpr std::uint32_t kOne = 1u << kOneShift;

inline std::uint32_t units(double area)
{
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(area * kOne + 0.5));
}

// The first whole number at or above v, for v of 0 or more.
inline int ceilOf(double v)
{
    const int i = static_cast<int>(v);
    return i < v ? i + 1 : i;
}

// Coverage out of 256 from a sum of fill units, by the nonzero rule.
inline std::uint32_t alphaOf(std::uint32_t sum)
{
    const std::uint32_t size = static_cast<std::int32_t>(sum) < 0 ? 0u - sum : sum;
    return (std::min(size, kOne) * 256 + kOne / 2) >> kOneShift;
}

// Whole numbers as doubles end in zero bits, which multiplying keeps:
// the high half is folded into the low one before the slot is taken.
std::uint64_t hashOf(double x0, double y0, double x1, double y1)
{
    std::uint64_t h = std::bit_cast<std::uint64_t>(x0) * 0x9E3779B97F4A7C15ull;
    h ^= std::bit_cast<std::uint64_t>(y0) * 0xC2B2AE3D27D4EB4Full;
    h ^= std::bit_cast<std::uint64_t>(x1) * 0x165667B19E3779F9ull;
    h ^= std::bit_cast<std::uint64_t>(y1) * 0xD6E8FEB86659FD93ull;
    h = (h ^ (h >> 32)) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 32);
}

bool sameEnds(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

} // namespace

bool CoverageBuffer::begin(Kind kind, const RasterFrame& frame, int left, int top, int right, int bottom)
{
    m_kind = kind;
    m_left = std::max(left, 0);
    m_top = std::max(top, 0);
    m_right = std::min(right, frame.width());
    m_bottom = std::min(bottom, frame.height());
    m_usedTop = m_bottom;
    m_usedEnd = m_top;
    m_slots.clear();
    if (++m_stamp == 0) {
        // Every slot's stamp is from before the wrap: free them all.
        for (Edge& edge : m_edges)
            edge.stamp = 0;
        m_stamp = 1;
    }
    if (m_left >= m_right || m_top >= m_bottom)
        return false;
    const std::size_t rows = static_cast<std::size_t>(m_bottom - m_top);
    m_stride = m_right - m_left + 2;
    if (m_cells.size() < static_cast<std::size_t>(m_stride) * rows)
        m_cells.resize(static_cast<std::size_t>(m_stride) * rows);
    if (m_spans.size() < rows)
        m_spans.resize(rows);
    return true;
}

std::uint32_t* CoverageBuffer::cellsOf(int row)
{
    return m_cells.data() + static_cast<std::size_t>(row - m_top) * static_cast<std::size_t>(m_stride);
}

void CoverageBuffer::touch(int row, int from, int to)
{
    Span& span = m_spans[static_cast<std::size_t>(row - m_top)];
    span.from = std::min(span.from, from);
    span.to = std::max(span.to, to);
}

void CoverageBuffer::addEdge(double x0, double y0, double x1, double y1)
{
    if (y0 == y1 || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    // Kept downwards whichever way the edge runs, so that the two uses of
    // a shared edge meet in one entry and cancel there.
    if (y0 < y1)
        gather(Edge{x0, y0, x1, y1, 1, m_stamp});
    else
        gather(Edge{x1, y1, x0, y0, -1, m_stamp});
}

void CoverageBuffer::gather(const Edge& edge)
{
    if (m_edges.size() < 2 * (m_slots.size() + 1)) {
        // Grown to twice the size, keeping this shape's edges; kept for
        // later shapes, so that drawing stops allocating once warmed up.
        std::vector<Edge> old(std::max<std::size_t>(256, 2 * m_edges.size()));
        old.swap(m_edges); // `old` now holds the edges so far
        const std::vector<std::uint32_t> slots = std::move(m_slots);
        m_slots.clear();
        for (const std::uint32_t slot : slots)
            gather(old[slot]);
    }
    const std::size_t mask = m_edges.size() - 1;
    for (std::size_t slot = hashOf(edge.x0, edge.y0, edge.x1, edge.y1) & mask;; slot = (slot + 1) & mask) {
        Edge& held = m_edges[slot];
        if (held.stamp != m_stamp) {
            held = edge;
            m_slots.push_back(static_cast<std::uint32_t>(slot));
            return;
        }
        if (sameEnds(held.x0, edge.x0) && sameEnds(held.y0, edge.y0) && sameEnds(held.x1, edge.x1) &&
            sameEnds(held.y1, edge.y1)) {
            held.weight += edge.weight;
            return;
        }
    }
}

// A whole row's piece of an edge that lies within one or two pixels of
// the window, the common case, made quick: inlined, and without a
// branch on which it is, since steep edges cross from one pixel to the
// next on no pattern a branch could learn. `perColumn` is the rows the
// edge takes to cross a column. False when the piece is not such.
inline bool CoverageBuffer::addNarrowPiece(int row, double xa, double xb, double perColumn, int weight)
{
    const int width = m_right - m_left;
    const double xl = std::min(xa, xb) - m_left;
    const double xr = std::max(xa, xb) - m_left;
    if (!(xl >= 0.0 && xr < width))
        return false;
    const int cl = static_cast<int>(xl);
    const int cr = static_cast<int>(xr);
    if (cr > cl + 1)
        return false;
    // Within one pixel it closes off the part of the pixel right of its
    // middle; across two, a triangle in the first and all but a triangle
    // in the second.
    const double first = cl + 1.0 - xl;
    const double last = xr - (cl + 1.0);
    const bool one = cr == cl;
    const std::uint32_t upToFirst = units(one ? first - 0.5 * (xr - xl) : 0.5 * perColumn * first * first);
    const std::uint32_t upToSecond = units(one ? 1.0 : 1.0 - 0.5 * perColumn * last * last);
    const std::uint32_t times = static_cast<std::uint32_t>(weight);
    std::uint32_t* cells = cellsOf(row) + cl;
    cells[0] += times * upToFirst;
    cells[1] += times * (upToSecond - upToFirst);
    cells[2] += times * (kOne - upToSecond);
    touch(row, cl, cl + 3);
    return true;
}

// The rows of an edge within the window, each from where the edge meets
// the row's top to where it meets its bottom, worked out from the edge's
// ends alone.
void CoverageBuffer::walk(const Edge& edge)
{
    const double from = std::max(edge.y0, static_cast<double>(m_top));
    const double to = std::min(edge.y1, static_cast<double>(m_bottom));
    if (from >= to)
        return;
    const int first = static_cast<int>(from);
    const int last = ceilOf(to) - 1;
    const double slope = (edge.x1 - edge.x0) / (edge.y1 - edge.y0);
    const double perColumn = 1.0 / std::max(std::abs(slope), 1e-9);
    const auto xAt = [&](double y) {
        if (y == edge.y0)
            return edge.x0;
        return y == edge.y1 ? edge.x1 : edge.x0 + (y - edge.y0) * slope;
    };
    double ya = std::max(edge.y0, static_cast<double>(first));
    double xa = xAt(ya);
    for (int row = first; row <= last; ++row) {
        const double yb = std::min(edge.y1, row + 1.0);
        const double xb = xAt(yb);
        if (yb - ya != 1.0 || !addNarrowPiece(row, xa, xb, perColumn, edge.weight))
            addPiece(row, xa, xb, yb - ya, edge.weight);
        ya = yb;
        xa = xb;
    }
    m_usedTop = std::min(m_usedTop, first);
    m_usedEnd = std::max(m_usedEnd, last + 1);
}

// The piece of an edge within one row, from x = xa to xb and dy high,
// adds to each cell c the change from cell c - 1 of the area it closes
// off to its right within the pixels up to c; summed along the row, the
// cells give each pixel's coverage. Whatever lies left of the window
// counts in its first cell; the spill cell takes the rest past its last.
void CoverageBuffer::addPiece(int row, double xa, double xb, double dy, int weight)
{
    std::uint32_t* cells = cellsOf(row);
    const int width = m_right - m_left;
    const double xl = std::min(xa, xb) - m_left;
    const double xr = std::max(xa, xb) - m_left;
    const std::uint32_t times = static_cast<std::uint32_t>(weight);
    const std::uint32_t total = units(dy);
    if (xl >= width)
        return;
    if (xr < 0.0) {
        cells[0] += times * total;
        touch(row, 0, 1);
        return;
    }
    const int cl = xl < 0.0 ? -1 : static_cast<int>(xl);
    const int cr = xr >= width ? width : static_cast<int>(xr);
    if (cl == cr) {
        // Within one pixel: it closes off its height times the part of the
        // pixel right of its middle.
        const std::uint32_t inside = units(dy * (cl + 1.0 - 0.5 * (xl + xr)));
        cells[cl] += times * inside;
        cells[cl + 1] += times * (total - inside);
        touch(row, cl, cl + 2);
        return;
    }
    // Across pixels: up to the right side of its first pixel it closes off
    // a triangle, then a strip of the same area a pixel, and in its last
    // pixel all but a triangle.
    const double scale = dy / (xr - xl);
    const int c0 = std::max(cl, 0);
    const int c1 = std::min(cr, width - 1);
    std::uint32_t before = 0;
    int c = c0;
    if (c == cl) {
        const double run = cl + 1.0 - xl;
        before = units(0.5 * scale * run * run);
        cells[c++] += times * before;
    }
    for (const int middle = std::min(c1, cr - 1); c <= middle; ++c) {
        const std::uint32_t upTo = units(scale * (c + 0.5 - xl));
        cells[c] += times * (upTo - before);
        before = upTo;
    }
    if (c == cr && c <= c1) {
        const double run = xr - cr;
        const std::uint32_t upTo = units(dy - 0.5 * scale * run * run);
        cells[c] += times * (upTo - before);
        before = upTo;
    }
    cells[c1 + 1] += times * (total - before);
    touch(row, c0, c1 + 2);
}

inline void CoverageBuffer::plot(int x, int y, double coverage)
{
    if (x < m_left || x >= m_right || y < m_top || y >= m_bottom)
        return;
    const std::uint32_t a = static_cast<std::uint32_t>(coverage * 256.0 + 0.5);
    std::uint32_t& cell = cellsOf(y)[x - m_left];
    cell = std::max(cell, a);
    touch(y, x - m_left, x - m_left + 1);
}

void CoverageBuffer::addLine(int x0, int y0, int x1, int y1)
{
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    const bool steep = std::llabs(dy) > std::llabs(dx);
    // Along the longer axis, from its lower end; one or two pixels across
    // at each step, shared by how near the line passes to their centres.
    long long major0 = steep ? y0 : x0;
    long long major1 = steep ? y1 : x1;
    double minor0 = steep ? x0 : y0;
    double minor1 = steep ? x1 : y1;
    if (major1 < major0) {
        std::swap(major0, major1);
        std::swap(minor0, minor1);
    }
    const long long lo = std::max<long long>(major0, steep ? m_top : m_left);
    const long long hi = std::min<long long>(major1, (steep ? m_bottom : m_right) - 1);
    const int acrossFrom = steep ? m_left : m_top;
    const int acrossTo = steep ? m_right : m_bottom;
    const double slope = major1 == major0 ? 0.0 : (minor1 - minor0) / static_cast<double>(major1 - major0);
    for (long long k = lo; k <= hi; ++k) {
        const double at = minor0 + static_cast<double>(k - major0) * slope;
        if (!(at >= acrossFrom - 1.0 && at < acrossTo))
            continue;
        const int near = static_cast<int>(at + 1.0) - 1; // at is -1 or more
        const double share = at - near;
        const int major = static_cast<int>(k);
        plot(steep ? near : major, steep ? major : near, 1.0 - share);
        plot(steep ? near + 1 : major, steep ? major : near + 1, share);
    }
    if (lo <= hi) {
        // The rows it may have reached.
        const double lowest = std::min(minor0, minor1) - 1.0;
        const double highest = std::max(minor0, minor1) + 2.0;
        m_usedTop = std::min(m_usedTop, steep ? static_cast<int>(lo)
                                              : static_cast<int>(std::clamp<double>(lowest, m_top, m_bottom)));
        m_usedEnd = std::max(m_usedEnd, steep ? static_cast<int>(hi) + 1
                                              : static_cast<int>(std::clamp<double>(highest, m_top, m_bottom)));
    }
}

template <class Dense, class Constant>
void CoverageBuffer::resolve(Dense&& dense, Constant&& constant)
{
    if (m_kind == Kind::Fill) {
        for (const std::uint32_t slot : m_slots)
            if (m_edges[slot].weight != 0)
                walk(m_edges[slot]);
    }
    m_slots.clear();
    const int width = m_right - m_left;
    for (int row = m_usedTop; row < m_usedEnd; ++row) {
        Span& span = m_spans[static_cast<std::size_t>(row - m_top)];
        if (span.from >= span.to)
            continue;
        std::uint32_t* cells = cellsOf(row);
        int end = std::min(span.to, width);
        const std::uint32_t sum = dense(row, cells, span.from, end);
        cells[width] = 0;
        cells[width + 1] = 0;
        // Past its last cell a closed shape covers nothing; an open one
        // covers the rest of the row alike.
        if (m_kind == Kind::Fill && end < width) {
            const std::uint32_t a = alphaOf(sum);
            if (a != 0)
                constant(row, m_left + end, m_right, a);
        }
        span = Span{};
    }
    m_usedTop = m_bottom;
    m_usedEnd = m_top;
}

void CoverageBuffer::blend(RasterFrame& frame, std::uint32_t colour)
{
    const bool fill = m_kind == Kind::Fill;
    resolve(
        [&](int row, std::uint32_t* cells, int from, int& to) {
            std::uint32_t* pixels = frame.row(row) + m_left;
            std::uint32_t sum = 0;
            for (int x = from; x < to; ++x) {
                sum += cells[x];
                const std::uint32_t a = fill ? alphaOf(sum) : std::min<std::uint32_t>(cells[x], 256);
                cells[x] = 0;
                pixels[x] = RasterFrame::mix(pixels[x], colour, a);
            }
            return sum;
        },
        [&](int row, int from, int to, std::uint32_t a) {
            std::uint32_t* pixels = frame.row(row);
            for (int x = from; x < to; ++x)
                pixels[x] = RasterFrame::mix(pixels[x], colour, a);
        });
}

namespace {

// What a pixel keeps uncovered, out of 255, under a shape that covers a
// / 256 of it.
inline std::uint8_t leftUnder(std::uint8_t uncovered, std::uint32_t a)
{
    return static_cast<std::uint8_t>((uncovered * (256 - a) + 128) >> 8);
}

} // namespace

void CoverageBuffer::cover(std::uint8_t* plane, std::size_t stride, int planeTop)
{
    const auto rowOf = [&](int row) { return plane + static_cast<std::size_t>(row - planeTop) * stride; };
    const auto lines = [&](int row, std::uint32_t* cells, int from, int& to) {
        std::uint8_t* left = rowOf(row) + m_left;
        for (int x = from; x < to; ++x) {
            left[x] = leftUnder(left[x], std::min<std::uint32_t>(cells[x], 256));
            cells[x] = 0;
        }
        return std::uint32_t{0};
    };
    const auto fill = [&](int row, std::uint32_t* cells, int from, int& to) {
        std::uint8_t* left = rowOf(row) + m_left;
        std::uint32_t sum = 0;
        int x = from;
#if defined(__SSE2__)
        // Whole chunks, on past the last cell that holds anything (those
        // after it hold nothing) as far as the window reaches.
        if (const int chunks = from + (to - from + 7) / 8 * 8; chunks <= m_right - m_left)
            to = chunks;
        // Eight pixels at a time: the running sum by shifted adds, then
        // coverage and what it leaves, in 16-bit lanes.
        const __m128i zero = _mm_setzero_si128();
        const __m128i one = _mm_set1_epi32(static_cast<int>(kOne));
        const __m128i half = _mm_set1_epi32(static_cast<int>(kOne / 2));
        const __m128i whole = _mm_set1_epi16(256);
        const __m128i round = _mm_set1_epi16(128);
        __m128i carry = zero;
        const auto coverage = [&](__m128i v) {
            v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
            v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
            v = _mm_add_epi32(v, carry);
            carry = _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 3));
            const __m128i sign = _mm_srai_epi32(v, 31);
            v = _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
            // Over full, or so far over that it wrapped: full.
            const __m128i over = _mm_or_si128(_mm_cmpgt_epi32(v, one), _mm_cmplt_epi32(v, zero));
            v = _mm_or_si128(_mm_and_si128(over, one), _mm_andnot_si128(over, v));
            return _mm_srli_epi32(_mm_add_epi32(_mm_slli_epi32(v, 8), half), kOneShift);
        };
        for (; x + 8 <= to; x += 8) {
            __m128i* at = reinterpret_cast<__m128i*>(cells + x);
            const __m128i low = coverage(_mm_loadu_si128(at));
            const __m128i high = coverage(_mm_loadu_si128(at + 1));
            _mm_storeu_si128(at, zero);
            _mm_storeu_si128(at + 1, zero);
            const __m128i a = _mm_packs_epi32(low, high);
            const __m128i kept = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(left + x)), zero);
            const __m128i now = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(kept, _mm_sub_epi16(whole, a)), round), 8);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(left + x), _mm_packus_epi16(now, now));
        }
        sum = static_cast<std::uint32_t>(_mm_cvtsi128_si32(carry));
#endif
        for (; x < to; ++x) {
            sum += cells[x];
            cells[x] = 0;
            left[x] = leftUnder(left[x], alphaOf(sum));
        }
        return sum;
    };
    const auto constant = [&](int row, int from, int to, std::uint32_t a) {
        std::uint8_t* left = rowOf(row);
        for (int x = from; x < to; ++x)
            left[x] = leftUnder(left[x], a);
    };
    if (m_kind == Kind::Fill)
        resolve(fill, constant);
    else
        resolve(lines, constant);
}
