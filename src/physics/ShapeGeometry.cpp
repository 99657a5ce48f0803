#include "physics/ShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "physics/ParticleSystem.h"

namespace {

// Probes along the outline lie this share of the strokes' thickness apart.
constexpr double kProbeSpacing = 0.75;
// Probes on one outline edge at most.
constexpr double kMostProbesOnAnEdge = 1024.0;

double twiceArea(const Particle* a, const Particle* b, const Particle* c)
{
    return (b->position.x - a->position.x) * (c->position.y - a->position.y) -
           (b->position.y - a->position.y) * (c->position.x - a->position.x);
}

} // namespace

std::vector<ShapeGeometry::Edge> ShapeGeometry::outlineOf(const std::vector<Particle*>& corners, bool countRepeatedCorners)
{
    // Every triangle side, its ends in address order, with the triangle's
    // third corner. A side listed once is on the outline. Triangles without
    // area take part in the count (their sides are shared with their
    // neighbours'), though nothing can lie inside them, but for those with
    // a repeated corner: the tessellator leaves a few (a, b, b), whose one
    // side a-b, listed twice, would hide the outline edge a real triangle
    // has there, and with it the probes along that edge.
    struct Side {
        Particle* a;
        Particle* b;
        Particle* inner;
    };
    const std::less<const Particle*> before;
    std::vector<Side> sides;
    const std::size_t triangles = corners.size() / 3;
    sides.reserve(triangles * 3);
    for (std::size_t t = 0; t < triangles; ++t) {
        Particle* c[3] = {corners[3 * t], corners[3 * t + 1], corners[3 * t + 2]};
        if (!countRepeatedCorners && (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]))
            continue;
        for (int k = 0; k < 3; ++k) {
            Particle* a = c[k];
            Particle* b = c[(k + 1) % 3];
            if (a == b)
                continue;
            if (before(b, a))
                std::swap(a, b);
            sides.push_back(Side{a, b, c[(k + 2) % 3]});
        }
    }
    std::sort(sides.begin(), sides.end(), [&before](const Side& l, const Side& r) {
        return l.a != r.a ? before(l.a, r.a) : before(l.b, r.b);
    });
    std::vector<Edge> outline;
    for (std::size_t i = 0; i < sides.size();) {
        std::size_t j = i + 1;
        while (j < sides.size() && sides[j].a == sides[i].a && sides[j].b == sides[i].b)
            ++j;
        if (j == i + 1 && sides[i].inner != sides[i].a && sides[i].inner != sides[i].b)
            outline.push_back(Edge{sides[i].a, sides[i].b, sides[i].inner});
        i = j;
    }
    return outline;
}

ShapeGeometry::ShapeGeometry(const ParticleSystem& body, const std::vector<Particle*>& corners_)
    : turns(body.floorHoldsBody)
{
    particles.reserve(static_cast<std::size_t>(body.particleCount()));
    for (int i = 0; i < body.particleCount(); ++i)
        particles.push_back(body.particleAt(i));

    const std::size_t triangles = corners_.size() / 3;
    for (std::size_t t = 0; t < triangles; ++t)
        if (twiceArea(corners_[3 * t], corners_[3 * t + 1], corners_[3 * t + 2]) != 0.0)
            corners.insert(corners.end(), corners_.begin() + static_cast<std::ptrdiff_t>(3 * t),
                           corners_.begin() + static_cast<std::ptrdiff_t>(3 * t + 3));
    outline = outlineOf(corners_);
    const std::less<const Particle*> before;

    // The strokes' mean thickness, twice the area over the outline's length,
    // spaces the probes along the outline.
    double area = 0.0, perimeter = 0.0;
    for (std::size_t t = 0; t < triangles; ++t)
        area += std::abs(twiceArea(corners_[3 * t], corners_[3 * t + 1], corners_[3 * t + 2])) * 0.5;
    for (const Edge& e : outline)
        perimeter += std::hypot(e.b->position.x - e.a->position.x, e.b->position.y - e.a->position.y);
    restArea = area;
    const double spacing = perimeter > 0.0 ? std::clamp(kProbeSpacing * 2.0 * area / perimeter, 1.0, 8.0) : 8.0;
    std::vector<std::pair<const Particle*, int>> index;
    index.reserve(particles.size());
    for (std::size_t i = 0; i < particles.size(); ++i) {
        index.emplace_back(particles[i], static_cast<int>(i));
        probes.push_back(Probe{static_cast<int>(i), static_cast<int>(i), 0.0});
    }
    std::sort(index.begin(), index.end(), [&before](const auto& l, const auto& r) { return before(l.first, r.first); });
    const auto indexOf = [&](const Particle* p) {
        const auto at = std::lower_bound(index.begin(), index.end(), p,
                                         [&before](const auto& e, const Particle* q) { return before(e.first, q); });
        return at != index.end() && at->first == p ? at->second : -1;
    };
    for (const Edge& e : outline) {
        const int a = indexOf(e.a), b = indexOf(e.b);
        if (a < 0 || b < 0)
            continue;
        const double length = std::hypot(e.b->position.x - e.a->position.x, e.b->position.y - e.a->position.y);
        // A glyph's edges are a few hundred pixels at most; one stretched
        // far apart (or whose ends are no longer finite) gets no more.
        const double room = length / spacing;
        const int between = room >= 0.0 ? static_cast<int>(std::min(room, kMostProbesOnAnEdge)) : 0;
        for (int k = 1; k <= between; ++k)
            probes.push_back(Probe{a, b, static_cast<double>(k) / (between + 1)});
    }
}
