#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "physics/CollisionBox.h"

// The pairs of bodies whose boxes overlap, from a uniform grid of cells
// about the size of a body: each body is entered in the cells its box
// covers, so the work grows with the number of bodies, not its square.
//
// Where more bodies are piled into a cell than could lie side by side
// there (letters made at one point), the number of pairs would grow with
// the square of the crowd: such a crowd is left to be parted as a whole,
// and its bodies are not paired with one another.
class BroadPhase {
public:
    using Pair = std::pair<int, int>;

    // An awake body in a crowd: the middle of the boxes around it there,
    // which it is to move away from. Pressed: in a cell piled at least
    // half as deep as a crowd.
    struct Crowding {
        bool crowded = false;
        bool pressed = false;
        double x = 0.0;
        double y = 0.0;
    };

    // Every pair i < j of overlapping boxes with `active` set for i or j,
    // once, in an order that depends only on the boxes, but for pairs of
    // two crowded bodies: those in a cell whose boxes, shared among the
    // cells each covers, add up to more than `crowd` times the cell's
    // area. Empty boxes take no part. The result stays valid until the
    // next call.
    const std::vector<Pair>& find(const std::vector<CollisionBox>& boxes, const std::vector<unsigned char>& active,
                                  double crowd = HUGE_VAL);
    // By body, as the last find left them.
    const std::vector<Crowding>& crowding() const { return m_crowding; }

private:
    struct Entry {
        std::uint32_t bucket;
        int cx;
        int cy;
        int body;
        double share; // of the body's box, in this cell
    };

    void findCrowds(const std::vector<CollisionBox>& boxes, const std::vector<unsigned char>& active, double crowd,
                    double cell);
    // The cell of the entries from `begin` on: where it ends.
    std::size_t cellEnd(std::size_t begin) const;

    std::vector<Entry> m_entries;
    std::vector<Entry> m_sorted;
    std::vector<int> m_starts;
    std::vector<Pair> m_pairs;
    std::vector<int> m_large; // bodies over too many cells, in order
    std::vector<Crowding> m_crowding;
    std::vector<double> m_crowdCount;
};
