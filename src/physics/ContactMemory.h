#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "physics/Contact.h"

// What the contacts between bodies were last tick, by the bodies' ids:
// each contact's impulses, found again by its point and edge, so that this
// tick's contact between the same two starts from them (warm starting);
// and which pairs were inside one another. Written once a tick, after the
// solver, and read while the next tick's contacts are made, by any number
// of threads at once.
class ContactMemory {
public:
    struct Remembered {
        int point;
        int edge;
        double normalImpulse;
        double tangentImpulse;
    };
    // What one pair of bodies left: their ids and their contacts.
    struct Pair {
        unsigned first;
        unsigned second;
        std::vector<Remembered> contacts;
    };
    using IdPair = std::pair<unsigned, unsigned>;

    // Forgets the last tick: this tick's pairs follow.
    void begin(std::size_t pairs);
    void keep(unsigned first, unsigned second, const Contact* contacts, std::size_t count);
    void keepOverlapped(unsigned first, unsigned second);
    // After the last pair kept.
    void end();

    // Last tick's impulses for a contact of the same point and edge,
    // within the bounds of this tick's contact.
    void recall(Contact& contact, unsigned first, unsigned second) const;
    // Last tick's contacts between the two, none if they had none.
    std::span<const Remembered> recalled(unsigned first, unsigned second) const;
    bool wasOverlapped(unsigned first, unsigned second) const;

    // All it remembers, by pair in order of ids, to be saved with a scene;
    // and put back from that.
    std::vector<Pair> pairs() const;
    std::vector<IdPair> overlapped() const;
    void restore(const std::vector<Pair>& pairs, const std::vector<IdPair>& overlapped);

private:
    struct PairSlot {
        std::uint64_t key = 0; // 0: empty
        int begin = 0;
        int end = 0;
    };

    std::vector<Remembered> m_contacts;
    std::vector<PairSlot> m_pairs; // open addressing, a power of two long
    std::vector<std::uint64_t> m_overlapped; // sorted
};
