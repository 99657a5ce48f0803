#pragma once

// An axis-aligned box in pixels; empty when left > right.
struct CollisionBox {
    double left = 0.0;
    double top = 0.0;
    double right = -1.0;
    double bottom = -1.0;

    bool overlaps(const CollisionBox& o) const
    {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
    bool contains(double x, double y) const { return left <= x && x <= right && top <= y && y <= bottom; }
};
