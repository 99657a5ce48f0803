#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "physics/CollisionBox.h"

// The pairs of bodies whose boxes overlap, from a uniform grid of cells
// about the size of a body: each body is entered in the cells its box
// covers, so the work grows with the number of bodies, not its square.
class BroadPhase {
public:
    using Pair = std::pair<int, int>;

    // Every pair i < j of overlapping boxes with `active` set for i or j,
    // once, in an order that depends only on the boxes. Empty boxes take
    // no part. The result stays valid until the next call.
    const std::vector<Pair>& find(const std::vector<CollisionBox>& boxes, const std::vector<unsigned char>& active);

private:
    struct Entry {
        std::uint32_t bucket;
        int cx;
        int cy;
        int body;
    };

    std::vector<Entry> m_entries;
    std::vector<Entry> m_sorted;
    std::vector<int> m_starts;
    std::vector<Pair> m_pairs;
    std::vector<int> m_large; // bodies over too many cells, in order
};
