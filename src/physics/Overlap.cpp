#include "physics/Overlap.h"

#include <algorithm>
#include <cmath>

namespace {

bool strictlyInside(const Vector3& a, const Vector3& b, const Vector3& c, double x, double y)
{
    const double d1 = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    const double d2 = (c.x - b.x) * (y - b.y) - (c.y - b.y) * (x - b.x);
    const double d3 = (a.x - c.x) * (y - c.y) - (a.y - c.y) * (x - c.x);
    return (d1 > 0.0 && d2 > 0.0 && d3 > 0.0) || (d1 < 0.0 && d2 < 0.0 && d3 < 0.0);
}

double segmentDistance(const Vector3& a, const Vector3& b, double x, double y)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSq = dx * dx + dy * dy;
    const double t = lengthSq > 0.0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / lengthSq, 0.0, 1.0) : 0.0;
    return std::hypot(a.x + t * dx - x, a.y + t * dy - y);
}

struct Box {
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
};

} // namespace

std::vector<double> overlapDepths(const std::vector<std::unique_ptr<ParticleSystem>>& bodies)
{
    std::vector<Box> boxes(bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i)
        if (const CollisionShape* s = bodies[i]->collision.get())
            for (const Particle* p : s->particles) {
                Box& b = boxes[i];
                b = {std::min(b.left, p->position.x), std::min(b.top, p->position.y),
                     std::max(b.right, p->position.x), std::max(b.bottom, p->position.y)};
            }
    std::vector<double> depths;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const CollisionShape* from = bodies[i]->collision.get();
        if (!from)
            continue;
        for (std::size_t j = 0; j < bodies.size(); ++j) {
            const CollisionShape* into = bodies[j]->collision.get();
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            if (i == j || !into || a.left > b.right || b.left > a.right || a.top > b.bottom || b.top > a.bottom)
                continue;
            for (const Particle* p : from->particles) {
                const double x = p->position.x, y = p->position.y;
                bool in = false;
                for (std::size_t t = 0; t + 3 <= into->corners.size() && !in; t += 3)
                    in = strictlyInside(into->corners[t]->position, into->corners[t + 1]->position,
                                        into->corners[t + 2]->position, x, y);
                if (!in)
                    continue;
                double depth = HUGE_VAL;
                for (const CollisionShape::Edge& e : into->outline)
                    depth = std::min(depth, segmentDistance(e.a->position, e.b->position, x, y));
                depths.push_back(depth);
            }
        }
    }
    return depths;
}
