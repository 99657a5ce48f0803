#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

// Append-only storage whose elements never move: pointers to them stay
// valid for the store's life. Elements live in a few contiguous chunks, so
// a body whose size is known up front (reserve) is one block of memory
// that the integrator walks in order.
template <class T>
class StableStore {
public:
    // Makes room for `n` more elements in one contiguous chunk.
    void reserve(std::size_t n)
    {
        if (n > room())
            m_chunks.emplace_back().reserve(n);
    }

    template <class... Args>
    T& emplace(Args&&... args)
    {
        if (room() == 0)
            m_chunks.emplace_back().reserve(m_size < kFirstChunk ? kFirstChunk : m_size);
        ++m_size;
        return m_chunks.back().emplace_back(std::forward<Args>(args)...);
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    T& operator[](std::size_t index)
    {
        for (auto& chunk : m_chunks) {
            if (index < chunk.size())
                return chunk[index];
            index -= chunk.size();
        }
        return m_chunks.back()[index]; // out of range: as unchecked as a vector
    }

    // The chunks, in order; each is contiguous.
    std::vector<std::vector<T>>& chunks() { return m_chunks; }
    const std::vector<std::vector<T>>& chunks() const { return m_chunks; }

    // True when `p` points at an element of this store.
    bool owns(const void* p) const
    {
        const std::less<const void*> before;
        for (const auto& chunk : m_chunks)
            if (!chunk.empty() && !before(p, chunk.data()) && before(p, chunk.data() + chunk.size()))
                return true;
        return false;
    }

private:
    static constexpr std::size_t kFirstChunk = 8;

    std::size_t room() const { return m_chunks.empty() ? 0 : m_chunks.back().capacity() - m_chunks.back().size(); }

    // Every chunk is created with its final capacity and never grows past
    // it, so its elements never move.
    std::vector<std::vector<T>> m_chunks;
    std::size_t m_size = 0;
};
