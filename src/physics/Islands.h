#pragma once

#include <vector>

// Bodies gathered into islands by what joins them (for collisions, awake
// bodies that touch or lie in one another), each island named by its
// lowest body, so that the islands are the same whatever the order of
// joining.
class Islands {
public:
    // Each of `bodies` alone on an island of its own.
    void clear(std::size_t bodies);
    void join(int one, int two);
    // The body that names the island `body` is on.
    int islandOf(int body);

private:
    std::vector<int> m_parent;
};
