#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "physics/BroadPhase.h"

// The grid finds exactly the overlapping pairs a test of every pair finds,
// each once, among small boxes, empty ones, and bodies flung across the
// whole scene or far beyond it.
TEST(BroadPhase, FindsEveryOverlappingPairOnce)
{
    std::vector<CollisionBox> boxes;
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 10000) / 10.0;
    };
    for (int i = 0; i < 400; ++i) {
        const double x = next(), y = next() * 0.7;
        boxes.push_back({x, y, x + 5.0 + next() / 40.0, y + 5.0 + next() / 40.0});
    }
    boxes[17] = CollisionBox{};                           // a body without particles
    boxes[40] = {-1e9, 300.0, 1e9, 310.0};                // stretched across everything
    boxes[41] = {100.0, -1e9, 110.0, 1e9};
    boxes[42] = {-1e300, -1e300, 1e300, 1e300};
    std::vector<unsigned char> active(boxes.size(), 1);
    active[3] = active[5] = 0; // two sleepers: their pair is not wanted

    BroadPhase broad;
    const std::vector<BroadPhase::Pair>& found = broad.find(boxes, active);
    const std::set<BroadPhase::Pair> unique(found.begin(), found.end());
    EXPECT_EQ(unique.size(), found.size()) << "a pair found twice";

    std::set<BroadPhase::Pair> expected;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i)
        for (int j = i + 1; j < static_cast<int>(boxes.size()); ++j) {
            const CollisionBox& a = boxes[static_cast<std::size_t>(i)];
            const CollisionBox& b = boxes[static_cast<std::size_t>(j)];
            if (a.left <= a.right && b.left <= b.right && a.overlaps(b) && (active[i] || active[j]))
                expected.emplace(i, j);
        }
    EXPECT_EQ(unique, expected);
}

// Boxes piled far deeper than bodies could lie are a crowd: no two of its
// bodies are paired, so the pairs grow with the crowd, not its square;
// each is told the middle of the crowd around it. A sleeper in it is
// still paired with every box it meets, and wakes.
TEST(BroadPhase, ACrowdIsNotPairedWithinItself)
{
    std::vector<CollisionBox> boxes;
    for (int i = 0; i < 300; ++i)
        boxes.push_back({100.0 + 0.01 * i, 100.0, 120.0 + 0.01 * i, 120.0});
    boxes.push_back({300.0, 300.0, 320.0, 320.0}); // alone
    boxes.push_back({310.0, 310.0, 330.0, 330.0}); // and its neighbour
    std::vector<unsigned char> active(boxes.size(), 1);
    active[7] = 0;

    BroadPhase broad;
    const std::vector<BroadPhase::Pair>& found = broad.find(boxes, active, 16.0);
    std::set<BroadPhase::Pair> expected{{300, 301}};
    for (int i = 0; i < 300; ++i)
        if (i != 7)
            expected.emplace(std::min(i, 7), std::max(i, 7));
    EXPECT_EQ(std::set<BroadPhase::Pair>(found.begin(), found.end()), expected);
    EXPECT_EQ(found.size(), expected.size());
    const std::vector<BroadPhase::Crowding>& crowding = broad.crowding();
    EXPECT_FALSE(crowding[7].crowded);
    EXPECT_FALSE(crowding[300].crowded);
    ASSERT_TRUE(crowding[100].crowded);
    EXPECT_NEAR(crowding[100].x, 111.5, 1.0);
    EXPECT_NEAR(crowding[100].y, 110.0, 1.0);
}
