#include "physics/BroadPhase.h"

#include <algorithm>
#include <cmath>

namespace {

// Cells are kept within this many of the origin; boxes further out share
// the outermost cells, which costs tests, never pairs.
constexpr double kMaxCell = 1 << 20;
// A body over more cells than this (one stretched across the scene) is not
// entered in the grid but met with every other body.
constexpr long long kMostCells = 256;

int cellOf(double v, double size) { return static_cast<int>(std::floor(std::clamp(v / size, -kMaxCell, kMaxCell))); }

std::uint32_t hashCell(int cx, int cy)
{
    return static_cast<std::uint32_t>(cx) * 73856093u ^ static_cast<std::uint32_t>(cy) * 19349663u;
}

bool empty(const CollisionBox& b) { return !(b.left <= b.right); }

} // namespace

const std::vector<BroadPhase::Pair>& BroadPhase::find(const std::vector<CollisionBox>& boxes,
                                                      const std::vector<unsigned char>& active, double crowd)
{
    m_pairs.clear();
    m_entries.clear();
    const int n = static_cast<int>(boxes.size());
    m_crowding.assign(boxes.size(), Crowding{});

    // Cells as big as the average body: a body then covers about four.
    double extent = 0.0;
    int counted = 0;
    for (const CollisionBox& b : boxes)
        if (!empty(b)) {
            extent += std::max(b.right - b.left, b.bottom - b.top);
            ++counted;
        }
    if (counted < 2)
        return m_pairs;
    const double cell = std::clamp(extent / counted, 4.0, 4096.0);

    m_large.clear();
    for (int i = 0; i < n; ++i) {
        const CollisionBox& b = boxes[static_cast<std::size_t>(i)];
        if (empty(b))
            continue;
        const int x0 = cellOf(b.left, cell), x1 = cellOf(b.right, cell);
        const int y0 = cellOf(b.top, cell), y1 = cellOf(b.bottom, cell);
        const long long cells = (static_cast<long long>(x1) - x0 + 1) * (static_cast<long long>(y1) - y0 + 1);
        if (cells > kMostCells) {
            m_large.push_back(i);
            continue;
        }
        const double share = (b.right - b.left) * (b.bottom - b.top) / static_cast<double>(cells);
        for (int cy = y0; cy <= y1; ++cy)
            for (int cx = x0; cx <= x1; ++cx)
                m_entries.push_back(Entry{hashCell(cx, cy), cx, cy, i, share});
    }

    // A counting sort into buckets keeps each bucket's entries in body
    // order, so the pairs come out in the same order every time; the rare
    // cells that share a bucket are then put one after the other.
    std::uint32_t buckets = 64;
    while (buckets < 2 * m_entries.size())
        buckets *= 2;
    m_starts.assign(buckets + 1, 0);
    for (Entry& e : m_entries) {
        e.bucket &= buckets - 1;
        ++m_starts[e.bucket + 1];
    }
    for (std::uint32_t k = 0; k < buckets; ++k)
        m_starts[k + 1] += m_starts[k];
    m_sorted.resize(m_entries.size());
    for (const Entry& e : m_entries)
        m_sorted[static_cast<std::size_t>(m_starts[e.bucket]++)] = e;
    for (std::size_t begin = 0; begin < m_sorted.size();) {
        std::size_t end = begin + 1;
        bool oneCell = true;
        for (; end < m_sorted.size() && m_sorted[end].bucket == m_sorted[begin].bucket; ++end)
            oneCell = oneCell && m_sorted[end].cx == m_sorted[begin].cx && m_sorted[end].cy == m_sorted[begin].cy;
        if (!oneCell)
            std::sort(m_sorted.begin() + static_cast<std::ptrdiff_t>(begin),
                      m_sorted.begin() + static_cast<std::ptrdiff_t>(end), [](const Entry& l, const Entry& r) {
                          return l.cx != r.cx ? l.cx < r.cx : l.cy != r.cy ? l.cy < r.cy : l.body < r.body;
                      });
        begin = end;
    }
    if (crowd < HUGE_VAL)
        findCrowds(boxes, active, crowd, cell);

    const auto consider = [&](const Entry& e, const Entry& f) {
        if (!active[static_cast<std::size_t>(e.body)] && !active[static_cast<std::size_t>(f.body)])
            return;
        const CollisionBox& a = boxes[static_cast<std::size_t>(e.body)];
        const CollisionBox& b = boxes[static_cast<std::size_t>(f.body)];
        if (!a.overlaps(b))
            return;
        // A pair sharing several cells is taken in one of them: the cell of
        // the top-left corner of the boxes' overlap.
        if (cellOf(std::max(a.left, b.left), cell) != e.cx || cellOf(std::max(a.top, b.top), cell) != e.cy)
            return;
        m_pairs.emplace_back(std::min(e.body, f.body), std::max(e.body, f.body));
    };
    for (std::size_t begin = 0; begin < m_sorted.size();) {
        const std::size_t end = cellEnd(begin);
        bool anyCrowded = false;
        for (std::size_t u = begin; u < end && !anyCrowded; ++u)
            anyCrowded = m_crowding[static_cast<std::size_t>(m_sorted[u].body)].crowded;
        // Each pair once, from a body not crowded: the first of two such.
        for (std::size_t u = begin; u < end; ++u) {
            if (m_crowding[static_cast<std::size_t>(m_sorted[u].body)].crowded)
                continue;
            for (std::size_t v = anyCrowded ? begin : u + 1; v < end; ++v)
                if (v > u || (v < u && m_crowding[static_cast<std::size_t>(m_sorted[v].body)].crowded))
                    consider(m_sorted[u], m_sorted[v]);
        }
        begin = end;
    }
    // The large bodies against every other; two large ones once.
    for (const int l : m_large) {
        const CollisionBox& a = boxes[static_cast<std::size_t>(l)];
        for (int i = 0; i < n; ++i) {
            const CollisionBox& b = boxes[static_cast<std::size_t>(i)];
            const bool otherLarge = std::binary_search(m_large.begin(), m_large.end(), i);
            if (i == l || empty(b) || (otherLarge && i < l) || !a.overlaps(b))
                continue;
            if (!active[static_cast<std::size_t>(l)] && !active[static_cast<std::size_t>(i)])
                continue;
            m_pairs.emplace_back(std::min(l, i), std::max(l, i));
        }
    }
    return m_pairs;
}

std::size_t BroadPhase::cellEnd(std::size_t begin) const
{
    std::size_t end = begin + 1;
    while (end < m_sorted.size() && m_sorted[end].cx == m_sorted[begin].cx && m_sorted[end].cy == m_sorted[begin].cy)
        ++end;
    return end;
}

// The cells whose boxes cover more than `crowd` times their area; their
// awake bodies are crowded, and each is to move away from the middle of
// the boxes in the crowded cells it covers. A sleeper is never crowded:
// its pairs with the crowd are still found, and wake it.
void BroadPhase::findCrowds(const std::vector<CollisionBox>& boxes, const std::vector<unsigned char>& active,
                            double crowd, double cell)
{
    m_crowdCount.assign(boxes.size(), 0.0);
    for (std::size_t begin = 0; begin < m_sorted.size();) {
        const std::size_t end = cellEnd(begin);
        double covered = 0.0;
        for (std::size_t u = begin; u < end; ++u)
            covered += m_sorted[u].share;
        if (covered > 0.5 * crowd * cell * cell)
            for (std::size_t u = begin; u < end; ++u)
                m_crowding[static_cast<std::size_t>(m_sorted[u].body)].pressed = true;
        if (covered > crowd * cell * cell) {
            double x = 0.0, y = 0.0;
            for (std::size_t u = begin; u < end; ++u) {
                const CollisionBox& b = boxes[static_cast<std::size_t>(m_sorted[u].body)];
                x += 0.5 * (b.left + b.right);
                y += 0.5 * (b.top + b.bottom);
            }
            for (std::size_t u = begin; u < end; ++u) {
                const std::size_t body = static_cast<std::size_t>(m_sorted[u].body);
                if (!active[body])
                    continue;
                Crowding& c = m_crowding[body];
                c.crowded = true;
                c.x += x;
                c.y += y;
                m_crowdCount[body] += static_cast<double>(end - begin);
            }
        }
        begin = end;
    }
    for (std::size_t i = 0; i < m_crowding.size(); ++i)
        if (m_crowding[i].crowded) {
            m_crowding[i].x /= m_crowdCount[i];
            m_crowding[i].y /= m_crowdCount[i];
        }
}
