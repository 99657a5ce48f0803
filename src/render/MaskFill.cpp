#include "render/MaskFill.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <type_traits>

#include "render/PixelRules.h"

using namespace pixelRules;

namespace {

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

} // namespace

// A run costs a few operations on a small mask that stays in the cache
// instead of stores scattered over the frame, and the frame is then
// written once, row by row. Triangles are prepared a batch at a time and
// then marked, so that the long chains of arithmetic that set a triangle
// up overlap one another instead of waiting behind its rows.
void MaskFill::fill(RasterBand& band, std::uint32_t brush, const IntPoint* points, int count)
{
    constexpr int kBatch = 128;
    const int top = band.top();
    const int end = band.end();
    // The words of the frame's width and a spare one past them, which a
    // run may touch even when it is empty at the frame's width.
    m_markWords = band.width() / 64 + 2;
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
            markFarTriangle(band, a, b, c, first, last);
            continue;
        }
        prepareWalk(m_walks[static_cast<std::size_t>(walks)], a, b, c, first, last, band.width());
        if (++walks == kBatch) {
            markWalks(band, m_walks.data(), walks);
            walks = 0;
        }
    }
    markWalks(band, m_walks.data(), walks);
    inkMarkedRows(band, brush, markedTop, markedEnd);
}

// Sets up a triangle whose corners are ordered by row, by AliasedPainter's
// rules and arithmetic to the last bit. Each edge starts from the first
// row of the frame it reaches, whichever band this is, so that bands cut
// anywhere give the picture of one whole frame.
void MaskFill::prepareWalk(TriangleWalk& walk, IntPoint a, IntPoint b, IntPoint c, int first, int last, int width)
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
    // The run end on row `row` of the edge through (x0, y0), which the
    // aliased fill starts on row `from` and steps from there.
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
    walk.clamped = std::min({a.x, b.x, c.x}) < 0 || std::max({a.x, b.x, c.x}) >= width;
}

void MaskFill::markWalks(const RasterBand& band, const TriangleWalk* walks, int count)
{
    const std::int64_t width = band.width();
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
        std::uint64_t* marks = m_marks.data() + static_cast<std::ptrdiff_t>(w.first - band.top()) * words;
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
void MaskFill::markFarTriangle(const RasterBand& band, IntPoint a, IntPoint b, IntPoint c, int first, int last)
{
    const int width = band.width();
    const std::size_t words = static_cast<std::size_t>(m_markWords);
    std::uint64_t* marks = m_marks.data() + static_cast<std::size_t>(first - band.top()) * words;
    const TriangleEdges edges(a, b, c);
    for (int y = first; y <= last; ++y) {
        int from = 0, to = 0;
        edges.run(y, width, from, to);
        // A row the triangle passes right of the frame is empty at the
        // frame's width, where a run would reach past the row's words.
        if (from != to)
            markRun(marks, from, to);
        marks += words;
    }
}

// Inks the marked pixels of rows [top, end) and clears their marks; with
// a clear pending, every other pixel of the band gets the background in
// the same pass.
void MaskFill::inkMarkedRows(RasterBand& band, std::uint32_t colour, int top, int end)
{
    const std::optional<std::uint32_t> clear = band.takeClear(top, end);
    const bool clearing = clear.has_value();
    const std::uint32_t background = clear.value_or(0);
    RasterFrame& frame = band.pixels();
    const int width = frame.width();
    const std::size_t words = static_cast<std::size_t>(m_markWords);
    for (int y = top; y < end; ++y) {
        std::uint64_t* marks = m_marks.data() + static_cast<std::size_t>(y - band.top()) * words;
        std::uint32_t* row = frame.row(y);
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
