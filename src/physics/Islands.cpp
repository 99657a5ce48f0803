#include "physics/Islands.h"

#include <numeric>
#include <utility>

void Islands::clear(std::size_t bodies)
{
    m_parent.resize(bodies);
    std::iota(m_parent.begin(), m_parent.end(), 0);
}

int Islands::islandOf(int body)
{
    // Halving the path as it goes keeps later lookups short.
    while (m_parent[static_cast<std::size_t>(body)] != body) {
        int& parent = m_parent[static_cast<std::size_t>(body)];
        parent = m_parent[static_cast<std::size_t>(parent)];
        body = parent;
    }
    return body;
}

void Islands::join(int one, int two)
{
    int a = islandOf(one), b = islandOf(two);
    if (a == b)
        return;
    if (b < a)
        std::swap(a, b);
    m_parent[static_cast<std::size_t>(b)] = a;
}
