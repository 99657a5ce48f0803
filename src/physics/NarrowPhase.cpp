#include "physics/NarrowPhase.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "physics/ContactSolver.h"

namespace {

// A point that moved further than this against another body this tick is
// followed along its path, so that no speed carries it through.
constexpr double kSweep = 0.5;
// A point deeper inside than it moved this tick, by more than this, was
// inside already: an old overlap.
constexpr double kFreshSlack = 1.5;
// A point outside another body that moved further than this against it
// is checked for having passed right through.
constexpr double kTunnel = 1.0;
// A sleeping body wakes when a contact reaches this deep or this fast.
constexpr double kWakeDepth = 1.5;
constexpr double kWakeSpeed = 20.0;

// Edges this much further from a point inside than the nearest are nearly
// as near.
constexpr double kNearlyAsNear = 1.0;

// Soft bodies pressed together touch at many points; the deepest few
// carry a pair, and the work stays bounded.
constexpr std::size_t kMostContacts = 12;

struct Point {
    double x;
    double y;
};

// The edge's unit normal pointing away from its triangle's third corner.
bool outwardNormal(const ShapeGeometry::Edge& e, double& nx, double& ny)
{
    const Vector3& a = e.a->position;
    const double dx = e.b->position.x - a.x;
    const double dy = e.b->position.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0))
        return false;
    nx = -dy / length;
    ny = dx / length;
    if ((e.inner->position.x - a.x) * nx + (e.inner->position.y - a.y) * ny > 0.0) {
        nx = -nx;
        ny = -ny;
    }
    return true;
}

// Where on the edge a-b the point lies nearest, 0 to 1.
double along(const ShapeGeometry::Edge& e, double x, double y)
{
    const Vector3& a = e.a->position;
    const double dx = e.b->position.x - a.x;
    const double dy = e.b->position.y - a.y;
    const double lengthSq = dx * dx + dy * dy;
    if (!(lengthSq > 0.0))
        return 0.0;
    return std::clamp(((x - a.x) * dx + (y - a.y) * dy) / lengthSq, 0.0, 1.0);
}

double distanceSq(const ShapeGeometry::Edge& e, double x, double y)
{
    const double t = along(e, x, y);
    const double qx = e.a->position.x + t * (e.b->position.x - e.a->position.x) - x;
    const double qy = e.a->position.y + t * (e.b->position.y - e.a->position.y) - y;
    return qx * qx + qy * qy;
}

struct Found {
    const ShapeGeometry::Edge* edge = nullptr;
    double t = 0.0;
    double nx = 0.0;
    double ny = 0.0;
};

// The first outline edge the path from (sx, sy) to (px, py) crosses going
// in, if any; with `through`, only one that a later edge takes the path out
// of again (a path that passed through the shape).
Found entry(const CollisionShape& s, double sx, double sy, double px, double py, bool through)
{
    Found found;
    double first = 2.0;
    double lastOut = -1.0;
    const double rx = px - sx;
    const double ry = py - sy;
    for (const ShapeGeometry::Edge& e : s.geometry.outline) {
        const Vector3& a = e.a->position;
        const double ex = e.b->position.x - a.x;
        const double ey = e.b->position.y - a.y;
        const double denom = rx * ey - ry * ex;
        if (denom == 0.0)
            continue;
        // s + u r = a + v e
        const double u = ((a.x - sx) * ey - (a.y - sy) * ex) / denom;
        const double v = ((a.x - sx) * ry - (a.y - sy) * rx) / denom;
        if (!(u >= 0.0 && u <= 1.0 && v >= 0.0 && v <= 1.0))
            continue;
        double nx = 0.0, ny = 0.0;
        if (!outwardNormal(e, nx, ny))
            continue;
        if (rx * nx + ry * ny >= 0.0) {
            lastOut = std::max(lastOut, u);
            continue;
        }
        if (u < first) {
            first = u;
            found = Found{&e, v, nx, ny};
        }
    }
    if (through && !(lastOut > first))
        return Found{};
    return found;
}

// How far the point lies behind the edge line of `hit`, into the shape.
double behind(const Found& hit, double x, double y)
{
    const Vector3& a = hit.edge->a->position;
    const double qx = a.x + hit.t * (hit.edge->b->position.x - a.x);
    const double qy = a.y + hit.t * (hit.edge->b->position.y - a.y);
    return -((x - qx) * hit.nx + (y - qy) * hit.ny);
}

// The outline edge a point inside the shape comes out by: the nearest,
// unless others lie nearly as near (the two sides of a thin stroke), when
// it is the one whose normal goes most along (lx, ly), the way the pair
// was pushed last tick. A point pressed into a stroke otherwise takes one
// side, then the other, tick by tick, and never comes out. A point of a
// letter kept in shape (`keptInShape`) wedged deeper than a resting contact
// leans only on an edge whose line lies as deep as the nearest's: one
// nearer, past whose end the point lies, cannot take it out.
Found nearestLeaning(const CollisionShape& s, double x, double y, double lx, double ly, bool keptInShape)
{
    // Each edge's distance, measured once: a glyph's outline is far
    // shorter than this; a longer one measures them again.
    constexpr std::size_t kKept = 256;
    std::array<double, kKept> kept;
    const std::size_t n = s.geometry.outline.size();
    const auto distance = [&](std::size_t k) { return k < kKept ? kept[k] : distanceSq(s.geometry.outline[k], x, y); };
    std::size_t best = n;
    double bestSq = HUGE_VAL;
    for (std::size_t k = 0; k < n; ++k) {
        const double d = distanceSq(s.geometry.outline[k], x, y);
        if (k < kKept)
            kept[k] = d;
        if (d < bestSq) {
            bestSq = d;
            best = k;
        }
    }
    Found found;
    if (best == n || !outwardNormal(s.geometry.outline[best], found.nx, found.ny))
        return found;
    found.edge = &s.geometry.outline[best];
    found.t = along(s.geometry.outline[best], x, y);
    if (lx == 0.0 && ly == 0.0)
        return found;
    const double reach = std::sqrt(bestSq) + kNearlyAsNear;
    const double depth = behind(found, x, y);
    const double least = keptInShape && depth > kContactWedged ? depth : 0.0;
    double most = found.nx * lx + found.ny * ly;
    for (std::size_t k = 0; k < n; ++k) {
        const ShapeGeometry::Edge& e = s.geometry.outline[k];
        double nx = 0.0, ny = 0.0;
        if (k == best || distance(k) > reach * reach || !outwardNormal(e, nx, ny))
            continue;
        const double goes = nx * lx + ny * ly;
        const bool behindLine = (x - e.a->position.x) * nx + (y - e.a->position.y) * ny < -least;
        if (behindLine && goes > most) {
            most = goes;
            found = Found{&e, along(e, x, y), nx, ny};
        }
    }
    return found;
}

// The edge of `into`'s outline a contact of last tick met, with its outward
// normal (nx, ny); null for the window's edges, an index past the outline
// or an edge without length.
const ShapeGeometry::Edge* rememberedEdge(const CollisionShape& into, int edge, double& nx, double& ny)
{
    if (edge < 0 || edge >= static_cast<int>(into.geometry.outline.size()))
        return nullptr;
    const ShapeGeometry::Edge& e = into.geometry.outline[static_cast<std::size_t>(edge)];
    return outwardNormal(e, nx, ny) ? &e : nullptr;
}

// The edge of `into` that last tick's contact of the same point pushed it
// out by, while the point still lies behind that edge's line. A point
// pressed slowly into a thin stroke goes on coming out the side it went
// in by, instead of the nearer far side once past the middle, which
// pushes it through the stroke.
Found pushedOutBy(const CollisionShape& into, std::span<const ContactMemory::Remembered> last, int point, double x,
                  double y)
{
    for (const ContactMemory::Remembered& r : last) {
        if (r.point != point)
            continue;
        Found found;
        found.edge = rememberedEdge(into, r.edge, found.nx, found.ny);
        if (!found.edge)
            return Found{};
        found.t = along(*found.edge, x, y);
        return behind(found, x, y) >= 0.0 ? found : Found{};
    }
    return Found{};
}

// The way `first` was pushed by its contacts with `second` last tick.
Point leaning(const CollisionShape& first, const CollisionShape& second, std::span<const ContactMemory::Remembered> last)
{
    Point push{0.0, 0.0};
    for (const ContactMemory::Remembered& r : last) {
        double nx = 0.0, ny = 0.0;
        if (!rememberedEdge(r.point >= 0 ? second : first, r.edge, nx, ny))
            continue;
        const double sign = r.point >= 0 ? r.normalImpulse : -r.normalImpulse;
        push.x += sign * nx;
        push.y += sign * ny;
    }
    return push;
}

// A point of a body and its velocity: a particle, or a probe between two.
struct Probed {
    Point at;
    Point velocity;
};

Probed probed(const CollisionShape& s, const ShapeGeometry::Probe& probe)
{
    const Particle* p = s.geometry.particles[static_cast<std::size_t>(probe.a)];
    const Particle* q = s.geometry.particles[static_cast<std::size_t>(probe.b)];
    const double u = probe.u;
    return {{p->position.x + u * (q->position.x - p->position.x), p->position.y + u * (q->position.y - p->position.y)},
            {p->velocity.x + u * (q->velocity.x - p->velocity.x), p->velocity.y + u * (q->velocity.y - p->velocity.y)}};
}

Probed onEdge(const ShapeGeometry::Edge& e, double t)
{
    const Vector3& a = e.a->position;
    const Vector3& b = e.b->position;
    const Vector3& va = e.a->velocity;
    const Vector3& vb = e.b->velocity;
    return {{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}, {va.x + t * (vb.x - va.x), va.y + t * (vb.y - va.y)}};
}

ContactSide sideOf(const CollisionShape& shape, Particle* a, Particle* b, double t, const Probed& at)
{
    const double vx = shape.geometry.turns ? at.velocity.x : shape.rigid.meanVX;
    const double vy = shape.geometry.turns ? at.velocity.y : shape.rigid.meanVY;
    return ContactSide{a, b, t, at.at.x - shape.rigid.centreX, at.at.y - shape.rigid.centreY, at.at.x, at.at.y, vx, vy};
}

// A contact whose first side touches the second and whose n pushes the
// first out.
Contact makeContact(const ContactSide& one, const ContactSide& two, double nx, double ny, int point, int edge)
{
    Contact c{};
    c.one = one;
    c.two = two;
    c.nx = nx;
    c.ny = ny;
    c.point = point;
    c.edge = edge;
    return c;
}

// Bodies whose centres lie within a pixel of each other.
bool coincide(const CollisionShape& one, const CollisionShape& two)
{
    const double dx = one.rigid.centreX - two.rigid.centreX, dy = one.rigid.centreY - two.rigid.centreY;
    return dx * dx + dy * dy < 1.0;
}

// Whether the middle of one of `from`'s triangles lies inside `into`.
bool middleInside(const CollisionShape& from, const CollisionShape& into)
{
    const std::vector<Particle*>& c = from.geometry.corners;
    for (std::size_t t = 0; t + 3 <= c.size(); t += 3)
        if (into.contains((c[t]->position.x + c[t + 1]->position.x + c[t + 2]->position.x) / 3.0,
                          (c[t]->position.y + c[t + 1]->position.y + c[t + 2]->position.y) / 3.0))
            return true;
    return false;
}

// The probes of `tick` that lie in `box` now or where they started,
// carried along with the body of the box by its (shiftX, shiftY), in
// their order, listed in `near`. Most of a body's probes lie outside the
// box of any one it meets, but which do is hard to guess: a pass without
// branches costs less than one that guesses wrong.
std::span<const std::uint32_t> nearBox(const ShapeTick& tick, const CollisionBox& box, double shiftX, double shiftY,
                                       std::vector<std::uint32_t>& near)
{
    const std::size_t n = tick.probeX.size();
    if (near.size() < n)
        near.resize(n);
    const double* xs = tick.probeX.data();
    const double* ys = tick.probeY.data();
    const double* startXs = tick.probeStartX.data();
    const double* startYs = tick.probeStartY.data();
    std::uint32_t* out = near.data();
    std::size_t found = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double px = xs[i], py = ys[i];
        const double sx = startXs[i] + shiftX, sy = startYs[i] + shiftY;
        const bool in = !(std::max(px, sx) < box.left) & !(std::min(px, sx) > box.right) &
                        !(std::max(py, sy) < box.top) & !(std::min(py, sy) > box.bottom);
        out[found] = static_cast<std::uint32_t>(i);
        found += in;
    }
    return {near.data(), found};
}

// Last tick's contacts whose point has come out of the other body since,
// but lies within the skin of the edge it touched, hold on: bodies pushed
// a little clear of one another rest there, touching, instead of falling
// back in to be found again.
void holdOn(const CollisionShape& first, const CollisionShape& second, std::span<const ContactMemory::Remembered> last,
            std::size_t begin, std::vector<Contact>& out)
{
    const std::size_t found = out.size();
    for (const ContactMemory::Remembered& r : last) {
        const bool fromFirst = r.point >= 0;
        const CollisionShape& from = fromFirst ? first : second;
        const CollisionShape& into = fromFirst ? second : first;
        const std::size_t probeIndex = static_cast<std::size_t>(fromFirst ? r.point : -1 - r.point);
        double nx = 0.0, ny = 0.0;
        const ShapeGeometry::Edge* remembered = rememberedEdge(into, r.edge, nx, ny);
        if (into.tick.crushed || !remembered || probeIndex >= from.geometry.probes.size())
            continue;
        bool again = false;
        for (std::size_t c = begin; c < found && !again; ++c)
            again = out[c].point == r.point;
        if (again)
            continue;
        const ShapeGeometry::Edge& e = *remembered;
        const double px = from.tick.probeX[probeIndex], py = from.tick.probeY[probeIndex];
        const double t = along(e, px, py);
        const Probed on = onEdge(e, t);
        const double dx = px - on.at.x, dy = py - on.at.y;
        if (!(dx * nx + dy * ny >= 0.0 && dx * dx + dy * dy <= kContactSkin * kContactSkin))
            continue;
        const ShapeGeometry::Probe& probe = from.geometry.probes[probeIndex];
        const ContactSide point = sideOf(from, from.geometry.particles[static_cast<std::size_t>(probe.a)],
                                         from.geometry.particles[static_cast<std::size_t>(probe.b)], probe.u,
                                         probed(from, probe));
        const ContactSide edge = sideOf(into, e.a, e.b, t, on);
        out.push_back(fromFirst ? makeContact(point, edge, nx, ny, r.point, r.edge)
                                : makeContact(edge, point, -nx, -ny, r.point, r.edge));
    }
}

// How deep the contact's point lies behind its edge.
double depthOf(const Contact& c)
{
    return (c.two.x - c.one.x) * c.nx + (c.two.y - c.one.y) * c.ny;
}

// Contacts whose normals lie more than 120 degrees apart push against
// each other: the two sides of a stroke, not two sides of a corner.
constexpr double kAgainst = -0.5;

// A part of one letter sunk into a stroke of the other from both sides
// (the dot of an "i" in a bar) has deep contacts at both sides, each
// pushing it out the way it is nearest; together they hold it where it is
// for ever. Of the contacts deeper than a wedged one, those that push
// against the deepest go: the pair comes apart the deepest's way.
void dropThoseAgainstTheDeepest(std::vector<Contact>& out, std::size_t begin)
{
    const Contact* deepest = nullptr;
    double most = kContactWedged;
    for (std::size_t k = begin; k < out.size(); ++k)
        if (const double depth = depthOf(out[k]); depth > most) {
            most = depth;
            deepest = &out[k];
        }
    if (!deepest)
        return;
    const double nx = deepest->nx, ny = deepest->ny;
    const auto against = [nx, ny](const Contact& c) {
        return depthOf(c) > kContactWedged && c.nx * nx + c.ny * ny < kAgainst;
    };
    out.erase(std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(begin), out.end(), against), out.end());
}

} // namespace

Meeting meetBodies(const CollisionShape& first, const CollisionShape& second, bool inside,
                   std::span<const ContactMemory::Remembered> last, std::vector<Contact>& out)
{
    const Point lean = leaning(first, second, last);
    const std::size_t begin = out.size();
    const bool kept = keptInShape(first, second);
    // Two letters made exactly on one another have their outlines on
    // each other's, where no point is clearly inside: the middles of
    // their triangles are.
    int old = coincide(first, second) && (middleInside(first, second) || middleInside(second, first));
    // Scratch for the probes near a box, kept by each thread from pair to
    // pair.
    thread_local std::vector<std::uint32_t> near;
    // Points of `from` in `into`; the contact's first body is `first`.
    // The first point found inside from before this tick settles that
    // the pair comes apart as a whole: the rest need not be looked at.
    const auto meet = [&](const CollisionShape& from, const CollisionShape& into) {
        if (into.tick.crushed || old > 0)
            return;
        const bool fromFirst = &from == &first;
        const CollisionBox& box = into.tick.box;
        const double shiftX = into.tick.shiftX, shiftY = into.tick.shiftY;
        for (const std::size_t i : nearBox(from.tick, box, shiftX, shiftY, near)) {
            const double px = from.tick.probeX[i], py = from.tick.probeY[i];
            const double sx = from.tick.probeStartX[i] + shiftX, sy = from.tick.probeStartY[i] + shiftY;
            const double movedSq = (px - sx) * (px - sx) + (py - sy) * (py - sy);
            Found hit;
            if (into.contains(px, py)) {
                // Bodies still inside one another since last tick go on
                // coming apart as wholes, however this point moved.
                if (inside) {
                    ++old;
                    return;
                }
                // In by the edge its path crossed, when that explains how
                // deep it is, else by the nearest edge. Deeper than its
                // path explains, it was inside before this tick: such a
                // point is no contact, its pair comes apart as a whole.
                const double movedBy = std::sqrt(movedSq);
                if (movedSq > kSweep * kSweep)
                    hit = entry(into, sx, sy, px, py, false);
                if (hit.edge && behind(hit, px, py) > movedBy + kFreshSlack)
                    hit = Found{};
                // Soft letters sag into one another: a point goes on
                // out by last tick's edge. Letters kept in shape take the
                // nearest: held to old edges, a shoved pile of them took
                // longer to come to rest.
                if (!hit.edge && !kept)
                    hit = pushedOutBy(into, last, fromFirst ? static_cast<int>(i) : -1 - static_cast<int>(i), px, py);
                if (!hit.edge)
                    hit = fromFirst ? nearestLeaning(into, px, py, lean.x, lean.y, kept)
                                    : nearestLeaning(into, px, py, -lean.x, -lean.y, kept);
                if (hit.edge && behind(hit, px, py) > movedBy + kFreshSlack) {
                    // A letter kept in shape leaning on an edge deeper than
                    // its path explains comes out by the nearest when that
                    // one explains it.
                    const Found nearest = kept ? nearestLeaning(into, px, py, 0.0, 0.0, kept) : Found{};
                    const double depth = nearest.edge ? behind(nearest, px, py) : HUGE_VAL;
                    if (!(depth > 0.0 && depth <= movedBy + kFreshSlack)) {
                        ++old;
                        return;
                    }
                    hit = nearest;
                }
            } else if (movedSq > kTunnel * kTunnel) {
                // Fast enough to have passed right through.
                hit = entry(into, sx, sy, px, py, true);
            }
            if (!hit.edge)
                continue;
            const ShapeGeometry::Probe& probe = from.geometry.probes[i];
            const ContactSide point = sideOf(from, from.geometry.particles[static_cast<std::size_t>(probe.a)],
                                             from.geometry.particles[static_cast<std::size_t>(probe.b)], probe.u,
                                             probed(from, probe));
            const ContactSide edge = sideOf(into, hit.edge->a, hit.edge->b, hit.t, onEdge(*hit.edge, hit.t));
            const int probeIndex = static_cast<int>(i);
            const int edgeIndex = static_cast<int>(hit.edge - into.geometry.outline.data());
            out.push_back(fromFirst ? makeContact(point, edge, hit.nx, hit.ny, probeIndex, edgeIndex)
                                    : makeContact(edge, point, -hit.nx, -hit.ny, -1 - probeIndex, edgeIndex));
        }
    };
    meet(first, second);
    meet(second, first);
    if (old == 0 && kept) {
        dropThoseAgainstTheDeepest(out, begin);
        holdOn(first, second, last, begin, out);
    }
    // Bodies inside one another before this tick come apart as wholes
    // before their outlines meet as contacts again.
    Meeting met;
    met.overlapped = old > 0;
    if (met.overlapped)
        out.resize(begin);
    if (out.size() - begin > kMostContacts) {
        const auto start = out.begin() + static_cast<std::ptrdiff_t>(begin);
        std::stable_sort(start, out.end(), [](const Contact& l, const Contact& r) { return depthOf(l) > depthOf(r); });
        out.resize(begin + kMostContacts);
    }

    // A sleeper wakes when struck: a contact deep or fast enough.
    if (first.rigid.asleep != second.rigid.asleep)
        for (std::size_t c = begin; c < out.size() && !met.wake; ++c) {
            const Contact& ct = out[c];
            const double depth = depthOf(ct);
            const double approach = -((ct.one.vx - ct.two.vx) * ct.nx + (ct.one.vy - ct.two.vy) * ct.ny);
            met.wake = depth > kWakeDepth || approach > kWakeSpeed;
        }
    return met;
}

namespace {

// Particle i of `shape` against a wall of the window at (x, y), its normal
// (nx, ny) pointing from the wall to the particle's side.
Contact windowContact(const CollisionShape& shape, std::size_t i, double x, double y, double nx, double ny, int edge)
{
    Particle* p = shape.geometry.particles[i];
    const Probed at{{p->position.x, p->position.y}, {p->velocity.x, p->velocity.y}};
    ContactSide wall;
    wall.x = x;
    wall.y = y;
    return makeContact(sideOf(shape, p, p, 0.0, at), wall, nx, ny, static_cast<int>(i), edge);
}

} // namespace

Contact floorContact(const CollisionShape& shape, std::size_t i, double floor)
{
    return windowContact(shape, i, shape.geometry.particles[i]->position.x, floor, 0.0, -1.0, kFloorEdge);
}

Contact sideContact(const CollisionShape& shape, std::size_t i, double side, double nx)
{
    return windowContact(shape, i, side, shape.geometry.particles[i]->position.y, nx, 0.0, kSideEdge);
}

// Its other side infinitely far above: the position passes never find it
// too deep, and only the speed into it counts.
Contact ceilingContact(const CollisionShape& shape, std::size_t i)
{
    return windowContact(shape, i, shape.geometry.particles[i]->position.x, -HUGE_VAL, 0.0, 1.0, kSideEdge);
}
