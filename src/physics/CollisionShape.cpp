#include "physics/CollisionShape.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "physics/ParticleSystem.h"

namespace {

// Probes along the outline lie this share of the strokes' thickness apart.
constexpr double kProbeSpacing = 0.75;
// Probes on one outline edge at most.
constexpr double kMostProbesOnAnEdge = 1024.0;
// A body left with less than this share of its area is crushed flat.
constexpr double kCrushedArea = 0.25;

double twiceArea(const Particle* a, const Particle* b, const Particle* c)
{
    return (b->position.x - a->position.x) * (c->position.y - a->position.y) -
           (b->position.y - a->position.y) * (c->position.x - a->position.x);
}

} // namespace

std::vector<CollisionShape::Edge> CollisionShape::outlineOf(const std::vector<Particle*>& corners)
{
    // Every triangle side, its ends in address order, with the triangle's
    // third corner. A side listed once is on the outline. Triangles without
    // area take part in the count (their sides are shared with their
    // neighbours'), though nothing can lie inside them.
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

CollisionShape::CollisionShape(const ParticleSystem& body, const std::vector<Particle*>& corners_)
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

    triangleBoxes.resize(corners.size() / 3);
    probeX.resize(probes.size());
    probeY.resize(probes.size());
    probeStartX.resize(probes.size());
    probeStartY.resize(probes.size());
    startX.resize(particles.size());
    startY.resize(particles.size());
    rememberStart();
}

void CollisionShape::rememberStart()
{
    // A sleeping body stays put unless the whole scene was moved (the line
    // scrolls), which moves its first particle too.
    m_unmoved = asleep && m_measured && particles.front()->position.x == startX.front() &&
                particles.front()->position.y == startY.front();
    if (m_unmoved)
        return;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        startX[i] = particles[i]->position.x;
        startY[i] = particles[i]->position.y;
    }
}

bool CollisionShape::measure()
{
    motion = Motion{};
    if (m_unmoved) {
        swept = box;
        shiftX = shiftY = 0.0;
        return finite;
    }
    m_measured = true;
    double sumX = 0.0, sumY = 0.0;
    CollisionBox now{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    CollisionBox all = now;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        const double x = particles[i]->position.x;
        const double y = particles[i]->position.y;
        sumX += x - startX[i];
        sumY += y - startY[i];
        now = {std::min(now.left, x), std::min(now.top, y), std::max(now.right, x), std::max(now.bottom, y)};
        all = {std::min(all.left, startX[i]), std::min(all.top, startY[i]), std::max(all.right, startX[i]),
               std::max(all.bottom, startY[i])};
    }
    const double n = static_cast<double>(particles.size());
    // Far beyond any window, squared distances would overflow: such a body
    // counts as broken as one whose positions are not numbers.
    constexpr double kFar = 1e9;
    finite = std::isfinite(sumX) && std::isfinite(sumY) && now.left >= -kFar && now.top >= -kFar &&
             now.right <= kFar && now.bottom <= kFar;
    if (!finite || particles.empty()) {
        box = swept = CollisionBox{};
        return finite;
    }
    box = now;
    swept = {std::min(now.left, all.left), std::min(now.top, all.top), std::max(now.right, all.right),
             std::max(now.bottom, all.bottom)};
    shiftX = sumX / n;
    shiftY = sumY / n;

    mass = 0.0;
    double mx = 0.0, my = 0.0, mvx = 0.0, mvy = 0.0;
    for (const Particle* p : particles) {
        mass += p->mass;
        mx += p->mass * p->position.x;
        my += p->mass * p->position.y;
        mvx += p->mass * p->velocity.x;
        mvy += p->mass * p->velocity.y;
    }
    meanVX = mass > 0.0 ? mvx / mass : 0.0;
    meanVY = mass > 0.0 ? mvy / mass : 0.0;
    centreX = mass > 0.0 ? mx / mass : now.left;
    centreY = mass > 0.0 ? my / mass : now.top;
    inertia = 0.0;
    double turning = 0.0;
    for (const Particle* p : particles) {
        const double dx = p->position.x - centreX, dy = p->position.y - centreY;
        inertia += p->mass * (dx * dx + dy * dy);
        turning += p->mass * (dx * p->velocity.y - dy * p->velocity.x);
    }
    // A body of one particle, or all in one point, still turns a little.
    inertia = std::max(inertia, mass);
    meanSpin = turning / inertia;
    for (std::size_t k = 0; k < probes.size(); ++k) {
        const std::size_t a = static_cast<std::size_t>(probes[k].a), b = static_cast<std::size_t>(probes[k].b);
        const double u = probes[k].u;
        const Vector3& pa = particles[a]->position;
        const Vector3& pb = particles[b]->position;
        probeX[k] = pa.x + u * (pb.x - pa.x);
        probeY[k] = pa.y + u * (pb.y - pa.y);
        probeStartX[k] = startX[a] + u * (startX[b] - startX[a]);
        probeStartY[k] = startY[a] + u * (startY[b] - startY[a]);
    }
    double area = 0.0;
    for (std::size_t t = 0; t < triangleBoxes.size(); ++t) {
        const Vector3& a = corners[3 * t]->position;
        const Vector3& b = corners[3 * t + 1]->position;
        const Vector3& c = corners[3 * t + 2]->position;
        area += std::abs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) * 0.5;
        triangleBoxes[t] = {std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
                            std::max({a.y, b.y, c.y})};
    }
    crushed = area < kCrushedArea * restArea;
    fillGrid();
    return true;
}

int CollisionShape::gridCell(double v, double low, double size) const
{
    return std::clamp(static_cast<int>((v - low) / size * kGrid), 0, kGrid - 1);
}

void CollisionShape::fillGrid()
{
    const double width = std::max(box.right - box.left, 1e-9), height = std::max(box.bottom - box.top, 1e-9);
    gridStart.assign(kGrid * kGrid + 1, 0);
    const auto cells = [&](const CollisionBox& b, auto&& f) {
        const int x0 = gridCell(b.left, box.left, width), x1 = gridCell(b.right, box.left, width);
        const int y0 = gridCell(b.top, box.top, height), y1 = gridCell(b.bottom, box.top, height);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                f(y * kGrid + x);
    };
    for (const CollisionBox& b : triangleBoxes)
        cells(b, [this](int c) { ++gridStart[static_cast<std::size_t>(c) + 1]; });
    for (int c = 0; c < kGrid * kGrid; ++c)
        gridStart[static_cast<std::size_t>(c) + 1] += gridStart[static_cast<std::size_t>(c)];
    gridTriangles.resize(static_cast<std::size_t>(gridStart.back()));
    m_gridFill.assign(gridStart.begin(), gridStart.end() - 1);
    for (std::size_t t = 0; t < triangleBoxes.size(); ++t)
        cells(triangleBoxes[t], [this, t](int c) {
            gridTriangles[static_cast<std::size_t>(m_gridFill[static_cast<std::size_t>(c)]++)] = static_cast<int>(t);
        });
}

bool CollisionShape::contains(double x, double y) const
{
    if (!box.contains(x, y) || gridStart.empty())
        return false;
    const double width = std::max(box.right - box.left, 1e-9), height = std::max(box.bottom - box.top, 1e-9);
    const int c = gridCell(y, box.top, height) * kGrid + gridCell(x, box.left, width);
    for (int k = gridStart[static_cast<std::size_t>(c)]; k < gridStart[static_cast<std::size_t>(c) + 1]; ++k) {
        const std::size_t t = static_cast<std::size_t>(gridTriangles[static_cast<std::size_t>(k)]);
        if (!triangleBoxes[t].contains(x, y))
            continue;
        const Vector3& a = corners[3 * t]->position;
        const Vector3& b = corners[3 * t + 1]->position;
        const Vector3& d = corners[3 * t + 2]->position;
        const double d1 = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        const double d2 = (d.x - b.x) * (y - b.y) - (d.y - b.y) * (x - b.x);
        const double d3 = (a.x - d.x) * (y - d.y) - (a.y - d.y) * (x - d.x);
        if ((d1 > 0.0 && d2 > 0.0 && d3 > 0.0) || (d1 < 0.0 && d2 < 0.0 && d3 < 0.0))
            return true;
    }
    return false;
}

void CollisionShape::applyMotion(double softDamping)
{
    const Motion& m = motion;
    if (m.x == 0.0 && m.y == 0.0 && m.angle == 0.0 && m.vx == 0.0 && m.vy == 0.0 && m.spin == 0.0)
        return;
    if (!turns && softDamping > 0.0) {
        const double keep = 1.0 - softDamping;
        for (Particle* p : particles) {
            p->velocity.x = meanVX + (p->velocity.x - meanVX) * keep;
            p->velocity.y = meanVY + (p->velocity.y - meanVY) * keep;
        }
    }
    const double c = std::cos(m.angle), s = std::sin(m.angle);
    for (Particle* p : particles) {
        const double dx = p->position.x - centreX, dy = p->position.y - centreY;
        p->velocity.x += m.vx - m.spin * dy;
        p->velocity.y += m.vy + m.spin * dx;
        p->position.x = centreX + c * dx - s * dy + m.x;
        p->position.y = centreY + s * dx + c * dy + m.y;
    }
}

void CollisionShape::settle(double still, int ticks)
{
    const double x = centreX + motion.x, y = centreY + motion.y;
    const Vector3& first = particles.front()->position;
    const double stillSq = still * still;
    const auto near = [stillSq](double ax, double ay, double bx, double by) {
        return (ax - bx) * (ax - bx) + (ay - by) * (ay - by) <= stillSq;
    };
    if (quietTicks > 0 && near(x, y, restX, restY) && near(first.x, first.y, restFirstX, restFirstY)) {
        if (++quietTicks >= ticks)
            sleep();
        return;
    }
    quietTicks = 1;
    restX = x;
    restY = y;
    restFirstX = first.x;
    restFirstY = first.y;
}

void CollisionShape::sleep()
{
    asleep = true;
    for (Particle* p : particles)
        p->velocity = Vector3{};
}
