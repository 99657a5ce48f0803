#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/Geometry.h"

// Sixty shapes of one to eight triangles each, scattered over a frame of
// 96x70 and past its sides, and a last shape of two triangles reaching
// far outside: the same on every machine.
struct ScatteredShapes {
    static constexpr int kWidth = 96;
    static constexpr int kHeight = 70;

    ScatteredShapes()
    {
        for (int s = 0; s < 60; ++s) {
            const int x = next(-20, 100), y = next(-20, 80);
            const int triangles = next(1, 8);
            for (int i = 0; i < 3 * triangles; ++i)
                points.push_back(IntPoint{x + next(-15, 15), y + next(-15, 15)});
            shapes.push_back(3 * triangles);
        }
        for (const IntPoint far : {IntPoint{-3000000, 10}, IntPoint{50, -2000000}, IntPoint{60, 45},
                                   IntPoint{INT_MIN, INT_MIN}, IntPoint{INT_MAX, 0}, IntPoint{0, INT_MAX}})
            points.push_back(far);
        shapes.push_back(6);
    }

    int count() const { return static_cast<int>(points.size()); }

    std::vector<IntPoint> points;
    std::vector<int> shapes;

private:
    // A small generator of our own.
    int next(int lo, int hi)
    {
        m_state = m_state * 1103515245u + 12345u;
        return lo + static_cast<int>((m_state >> 8) % static_cast<std::uint32_t>(hi - lo + 1));
    }

    std::uint32_t m_state = 12345;
};
