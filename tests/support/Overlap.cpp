#include "support/Overlap.h"

#include <algorithm>
#include <array>
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

std::vector<double> overlapDepths(const Collisions& world, const Collisions::Bodies& bodies)
{
    std::vector<Box> boxes(bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i)
        if (const CollisionShape* s = world.shapeOf(*bodies[i]))
            for (const Particle* p : s->geometry.particles) {
                Box& b = boxes[i];
                b = {std::min(b.left, p->position.x), std::min(b.top, p->position.y),
                     std::max(b.right, p->position.x), std::max(b.bottom, p->position.y)};
            }
    std::vector<double> depths;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const CollisionShape* from = world.shapeOf(*bodies[i]);
        if (!from)
            continue;
        for (std::size_t j = 0; j < bodies.size(); ++j) {
            const CollisionShape* into = world.shapeOf(*bodies[j]);
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            if (i == j || !into || a.left > b.right || b.left > a.right || a.top > b.bottom || b.top > a.bottom)
                continue;
            for (const Particle* p : from->geometry.particles) {
                const double x = p->position.x, y = p->position.y;
                bool in = false;
                for (std::size_t t = 0; t + 3 <= into->geometry.corners.size() && !in; t += 3)
                    in = strictlyInside(into->geometry.corners[t]->position, into->geometry.corners[t + 1]->position,
                                        into->geometry.corners[t + 2]->position, x, y);
                if (!in)
                    continue;
                double depth = HUGE_VAL;
                for (const ShapeGeometry::Edge& e : into->geometry.outline)
                    depth = std::min(depth, segmentDistance(e.a->position, e.b->position, x, y));
                depths.push_back(depth);
            }
        }
    }
    return depths;
}

namespace {

struct Point2 {
    double x;
    double y;
};

// The part of the convex polygon `poly` on the left of the directed line
// a-b (counter-clockwise order), Sutherland-Hodgman.
std::vector<Point2> clipped(const std::vector<Point2>& poly, Point2 a, Point2 b)
{
    std::vector<Point2> out;
    const auto side = [&](Point2 p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point2 p = poly[i], q = poly[(i + 1) % poly.size()];
        const double sp = side(p), sq = side(q);
        if (sp >= 0.0)
            out.push_back(p);
        if ((sp >= 0.0) != (sq >= 0.0)) {
            const double t = sp / (sp - sq);
            out.push_back({p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
        }
    }
    return out;
}

double polygonArea(const std::vector<Point2>& poly)
{
    double twice = 0.0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point2 p = poly[i], q = poly[(i + 1) % poly.size()];
        twice += p.x * q.y - q.x * p.y;
    }
    return std::abs(twice) * 0.5;
}

// The triangles of a body, each counter-clockwise (in a y-up sense).
std::vector<std::array<Point2, 3>> trianglesOf(const Collisions& world, const ParticleSystem& body)
{
    std::vector<std::array<Point2, 3>> out;
    const CollisionShape* shape = world.shapeOf(body);
    if (!shape)
        return out;
    const std::vector<Particle*>& c = shape->geometry.corners;
    for (std::size_t t = 0; t + 3 <= c.size(); t += 3) {
        std::array<Point2, 3> tri{Point2{c[t]->position.x, c[t]->position.y},
                                  Point2{c[t + 1]->position.x, c[t + 1]->position.y},
                                  Point2{c[t + 2]->position.x, c[t + 2]->position.y}};
        const double turn = (tri[1].x - tri[0].x) * (tri[2].y - tri[0].y) - (tri[1].y - tri[0].y) * (tri[2].x - tri[0].x);
        if (turn < 0.0)
            std::swap(tri[1], tri[2]);
        if (turn != 0.0)
            out.push_back(tri);
    }
    return out;
}

} // namespace

double sharedArea(const Collisions& world, const ParticleSystem& one, const ParticleSystem& two)
{
    const auto a = trianglesOf(world, one);
    const auto b = trianglesOf(world, two);
    double area = 0.0;
    for (const auto& s : a) {
        const double sl = std::min({s[0].x, s[1].x, s[2].x}), sr = std::max({s[0].x, s[1].x, s[2].x});
        const double st = std::min({s[0].y, s[1].y, s[2].y}), sb = std::max({s[0].y, s[1].y, s[2].y});
        for (const auto& t : b) {
            if (std::max({t[0].x, t[1].x, t[2].x}) <= sl || std::min({t[0].x, t[1].x, t[2].x}) >= sr ||
                std::max({t[0].y, t[1].y, t[2].y}) <= st || std::min({t[0].y, t[1].y, t[2].y}) >= sb)
                continue;
            std::vector<Point2> poly(s.begin(), s.end());
            for (int k = 0; k < 3 && !poly.empty(); ++k)
                poly = clipped(poly, t[static_cast<std::size_t>(k)], t[static_cast<std::size_t>((k + 1) % 3)]);
            if (poly.size() >= 3)
                area += polygonArea(poly);
        }
    }
    return area;
}

double inkArea(const Collisions& world, const ParticleSystem& body)
{
    double area = 0.0;
    for (const auto& t : trianglesOf(world, body))
        area += polygonArea({t[0], t[1], t[2]});
    return area;
}
