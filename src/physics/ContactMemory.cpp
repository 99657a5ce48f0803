#include "physics/ContactMemory.h"

#include <algorithm>

#include "physics/ContactSolver.h"

namespace {

std::uint64_t pairKey(unsigned first, unsigned second) { return std::uint64_t{first} << 32 | second; }

std::size_t slotOf(std::uint64_t key, std::size_t slots)
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (slots - 1);
}

} // namespace

void ContactMemory::begin(std::size_t pairs)
{
    m_contacts.clear();
    std::size_t slots = 16;
    while (slots < 2 * pairs)
        slots *= 2;
    m_pairs.assign(slots, PairSlot{});
    m_overlapped.clear();
}

void ContactMemory::keep(unsigned first, unsigned second, const Contact* contacts, std::size_t count)
{
    if (count == 0)
        return;
    const std::uint64_t key = pairKey(first, second);
    const std::size_t slots = m_pairs.size();
    std::size_t at = slotOf(key, slots);
    while (m_pairs[at].key != 0)
        at = (at + 1) & (slots - 1);
    PairSlot& slot = m_pairs[at];
    slot.key = key;
    slot.begin = static_cast<int>(m_contacts.size());
    for (std::size_t c = 0; c < count; ++c)
        m_contacts.push_back({contacts[c].point, contacts[c].edge, contacts[c].normalImpulse, contacts[c].tangentImpulse});
    slot.end = static_cast<int>(m_contacts.size());
}

void ContactMemory::keepOverlapped(unsigned first, unsigned second) { m_overlapped.push_back(pairKey(first, second)); }

void ContactMemory::end() { std::sort(m_overlapped.begin(), m_overlapped.end()); }

void ContactMemory::recall(Contact& contact, unsigned first, unsigned second) const
{
    for (const Remembered& r : recalled(first, second))
        if (r.point == contact.point && r.edge == contact.edge) {
            contact.normalImpulse = std::min(r.normalImpulse, kContactMostSpeed * contact.normalMass);
            contact.tangentImpulse = std::clamp(r.tangentImpulse, -contact.normalImpulse, contact.normalImpulse);
            return;
        }
}

std::span<const ContactMemory::Remembered> ContactMemory::recalled(unsigned first, unsigned second) const
{
    if (m_pairs.empty())
        return {};
    const std::uint64_t key = pairKey(first, second);
    const std::size_t slots = m_pairs.size();
    for (std::size_t at = slotOf(key, slots); m_pairs[at].key != 0; at = (at + 1) & (slots - 1)) {
        const PairSlot& slot = m_pairs[at];
        if (slot.key == key)
            return {m_contacts.data() + slot.begin, static_cast<std::size_t>(slot.end - slot.begin)};
    }
    return {};
}

bool ContactMemory::wasOverlapped(unsigned first, unsigned second) const
{
    return std::binary_search(m_overlapped.begin(), m_overlapped.end(), pairKey(first, second));
}

std::vector<ContactMemory::Pair> ContactMemory::pairs() const
{
    std::vector<Pair> out;
    for (const PairSlot& slot : m_pairs) {
        if (slot.key == 0)
            continue;
        Pair pair{static_cast<unsigned>(slot.key >> 32), static_cast<unsigned>(slot.key & 0xFFFFFFFFu), {}};
        pair.contacts.assign(m_contacts.begin() + slot.begin, m_contacts.begin() + slot.end);
        out.push_back(std::move(pair));
    }
    std::sort(out.begin(), out.end(), [](const Pair& l, const Pair& r) {
        return pairKey(l.first, l.second) < pairKey(r.first, r.second);
    });
    return out;
}

std::vector<ContactMemory::IdPair> ContactMemory::overlapped() const
{
    std::vector<IdPair> out;
    out.reserve(m_overlapped.size());
    for (const std::uint64_t key : m_overlapped)
        out.emplace_back(static_cast<unsigned>(key >> 32), static_cast<unsigned>(key & 0xFFFFFFFFu));
    return out;
}

void ContactMemory::restore(const std::vector<Pair>& pairs, const std::vector<IdPair>& overlapped)
{
    begin(pairs.size());
    for (const Pair& pair : pairs) {
        std::vector<Contact> contacts(pair.contacts.size());
        for (std::size_t c = 0; c < contacts.size(); ++c) {
            const Remembered& r = pair.contacts[c];
            contacts[c].point = r.point;
            contacts[c].edge = r.edge;
            contacts[c].normalImpulse = r.normalImpulse;
            contacts[c].tangentImpulse = r.tangentImpulse;
        }
        keep(pair.first, pair.second, contacts.data(), contacts.size());
    }
    for (const IdPair& ids : overlapped)
        keepOverlapped(ids.first, ids.second);
    end();
}
