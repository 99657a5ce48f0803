#include "physics/Collisions.h"

#include <algorithm>
#include <cmath>

#include "platform/TaskPool.h"

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

// Contacts are left this deep: a body resting on another stays in touch
// from tick to tick, rather than pushed clear and falling back.
constexpr double kSlop = 0.1;
// A pair pressed this deep into each other is wedged, not resting.
constexpr double kWedged = 5.0 * kSlop;

constexpr std::size_t kMostContacts = 12;
// No contact changes the speed of its bodies by more than this in a tick,
// whatever its impulses add up to over many ticks.
constexpr double kMostSpeed = 4000.0;

constexpr int kPairsPerRun = 16;
constexpr int kBodiesPerRun = 64;
constexpr int kNoColour = 64; // pairs past 64 colours are solved on their own

struct Point {
    double x;
    double y;
};

// The edge's unit normal pointing away from its triangle's third corner.
bool outwardNormal(const CollisionShape::Edge& e, double& nx, double& ny)
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
double along(const CollisionShape::Edge& e, double x, double y)
{
    const Vector3& a = e.a->position;
    const double dx = e.b->position.x - a.x;
    const double dy = e.b->position.y - a.y;
    const double lengthSq = dx * dx + dy * dy;
    if (!(lengthSq > 0.0))
        return 0.0;
    return std::clamp(((x - a.x) * dx + (y - a.y) * dy) / lengthSq, 0.0, 1.0);
}

double distanceSq(const CollisionShape::Edge& e, double x, double y)
{
    const double t = along(e, x, y);
    const double qx = e.a->position.x + t * (e.b->position.x - e.a->position.x) - x;
    const double qy = e.a->position.y + t * (e.b->position.y - e.a->position.y) - y;
    return qx * qx + qy * qy;
}

struct Found {
    const CollisionShape::Edge* edge = nullptr;
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
    for (const CollisionShape::Edge& e : s.outline) {
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

// The outline edge nearest the point.
Found nearest(const CollisionShape& s, double x, double y)
{
    const CollisionShape::Edge* best = nullptr;
    double bestSq = HUGE_VAL;
    for (const CollisionShape::Edge& e : s.outline) {
        const double d = distanceSq(e, x, y);
        if (d < bestSq) {
            bestSq = d;
            best = &e;
        }
    }
    Found found;
    if (best && outwardNormal(*best, found.nx, found.ny)) {
        found.edge = best;
        found.t = along(*best, x, y);
    }
    return found;
}

// A point of a body and its velocity: a particle, or a probe between two.
struct Probed {
    Point at;
    Point velocity;
};

Probed probed(const CollisionShape& s, const CollisionShape::Probe& probe)
{
    const Particle* p = s.particles[static_cast<std::size_t>(probe.a)];
    const Particle* q = s.particles[static_cast<std::size_t>(probe.b)];
    const double u = probe.u;
    return {{p->position.x + u * (q->position.x - p->position.x), p->position.y + u * (q->position.y - p->position.y)},
            {p->velocity.x + u * (q->velocity.x - p->velocity.x), p->velocity.y + u * (q->velocity.y - p->velocity.y)}};
}

Probed onEdge(const CollisionShape::Edge& e, double t)
{
    const Vector3& a = e.a->position;
    const Vector3& b = e.b->position;
    const Vector3& va = e.a->velocity;
    const Vector3& vb = e.b->velocity;
    return {{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}, {va.x + t * (vb.x - va.x), va.y + t * (vb.y - va.y)}};
}

ContactSide sideOf(const CollisionShape& shape, Particle* a, Particle* b, double t, const Probed& at)
{
    const double vx = shape.turns ? at.velocity.x : shape.meanVX;
    const double vy = shape.turns ? at.velocity.y : shape.meanVY;
    return ContactSide{a, b, t, at.at.x - shape.centreX, at.at.y - shape.centreY, at.at.x, at.at.y, vx, vy};
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

// A side of a contact and its body (null for the floor). Contacts move
// bodies as wholes, so that a push never bends a letter: a body kept in
// shape moves and turns; a soft one moves like a single mass at its
// centre, at its mean speed, so that what its parts do among themselves (a
// letter crumpling as it spins) is neither stopped nor thrown into the
// whole, and the floor holds its weight without squashing it.
struct Side {
    ContactSide& s;
    CollisionShape* body;

    // Where the point is now (or how fast it goes), along (dx, dy).
    double along(double dx, double dy, bool velocity) const
    {
        if (!body)
            return velocity ? 0.0 : s.x * dx + s.y * dy;
        const CollisionShape::Motion& m = body->motion;
        const double x = velocity ? s.vx + m.vx - m.spin * s.ry : s.x + m.x - m.angle * s.ry;
        const double y = velocity ? s.vy + m.vy + m.spin * s.rx : s.y + m.y + m.angle * s.rx;
        return x * dx + y * dy;
    }

    // How fast the body turns, as the solver has it now.
    double spin() const { return body && body->inverseInertia > 0.0 ? body->meanSpin + body->motion.spin : 0.0; }
    double turning() const { return body ? body->inverseInertia : 0.0; }
    double arm() const { return body ? std::hypot(s.rx, s.ry) : 0.0; }

    // How readily the point gives way along (dx, dy): its inverse mass.
    double giving(double dx, double dy) const
    {
        if (!body)
            return 0.0;
        const double arm = s.rx * dy - s.ry * dx;
        return body->inverseMass + body->inverseInertia * arm * arm;
    }

    // Moves the point (or changes its velocity) by the push (jx, jy).
    void give(double jx, double jy, bool velocity) const
    {
        if (!body)
            return;
        CollisionShape::Motion& m = body->motion;
        const double turn = (s.rx * jy - s.ry * jx) * body->inverseInertia;
        (velocity ? m.vx : m.x) += jx * body->inverseMass;
        (velocity ? m.vy : m.y) += jy * body->inverseMass;
        (velocity ? m.spin : m.angle) += turn;
    }
};

// One pass of the solver over a contact.
void solvePosition(Contact& c, Side one, Side two)
{
    const double g = one.along(c.nx, c.ny, false) - two.along(c.nx, c.ny, false) + kSlop;
    if (!(g < 0.0))
        return;
    const double lambda = -g * c.normalMass;
    one.give(lambda * c.nx, lambda * c.ny, false);
    two.give(-lambda * c.nx, -lambda * c.ny, false);
}

void solveVelocity(Contact& c, Side one, Side two, double friction, double rolling)
{
    const double vn = one.along(c.nx, c.ny, true) - two.along(c.nx, c.ny, true);
    const double jn = std::clamp(c.normalImpulse + (c.bounce - vn) * c.normalMass, 0.0, kMostSpeed * c.normalMass);
    const double dn = jn - c.normalImpulse;
    c.normalImpulse = jn;
    const double tx = -c.ny, ty = c.nx;
    const double vt = one.along(tx, ty, true) - two.along(tx, ty, true);
    const double limit = friction * jn;
    const double jt = std::clamp(c.tangentImpulse - vt * c.tangentMass, -limit, limit);
    const double dt = jt - c.tangentImpulse;
    c.tangentImpulse = jt;
    const double jx = dn * c.nx + dt * tx, jy = dn * c.ny + dt * ty;
    one.give(jx, jy, true);
    two.give(-jx, -jy, true);

    // Friction alone lets a round letter roll, and a pile of them never
    // comes to rest.
    const double turning = one.turning() + two.turning();
    if (!(turning > 0.0))
        return;
    const double most = rolling * jn * c.reach;
    const double jr = std::clamp(c.rollingImpulse - (one.spin() - two.spin()) / turning, -most, most);
    const double dr = jr - c.rollingImpulse;
    c.rollingImpulse = jr;
    if (one.body)
        one.body->motion.spin += dr * one.turning();
    if (two.body)
        two.body->motion.spin -= dr * two.turning();
}

void prepare(Contact& c, Side one, Side two)
{
    const double n = one.giving(c.nx, c.ny) + two.giving(c.nx, c.ny);
    const double t = one.giving(-c.ny, c.nx) + two.giving(-c.ny, c.nx);
    c.normalMass = n > 0.0 ? 1.0 / n : 0.0;
    c.tangentMass = t > 0.0 ? 1.0 / t : 0.0;
    c.normalImpulse = 0.0;
    c.tangentImpulse = 0.0;
    c.reach = std::max(one.arm(), two.arm());
    c.rollingImpulse = 0.0;
}

// Gives the bodies a contact's impulses anew: last tick's, which a contact
// that lasts needs again, so that a pile holds from the first pass.
void warmStart(const Contact& c, Side one, Side two)
{
    const double jx = c.normalImpulse * c.nx - c.tangentImpulse * c.ny;
    const double jy = c.normalImpulse * c.ny + c.tangentImpulse * c.nx;
    one.give(jx, jy, true);
    two.give(-jx, -jy, true);
}

// Bodies whose centres lie within a pixel of each other.
bool coincide(const CollisionShape& one, const CollisionShape& two)
{
    const double dx = one.centreX - two.centreX, dy = one.centreY - two.centreY;
    return dx * dx + dy * dy < 1.0;
}

// Whether the middle of one of `from`'s triangles lies inside `into`.
bool middleInside(const CollisionShape& from, const CollisionShape& into)
{
    const std::vector<Particle*>& c = from.corners;
    for (std::size_t t = 0; t + 3 <= c.size(); t += 3)
        if (into.contains((c[t]->position.x + c[t + 1]->position.x + c[t + 2]->position.x) / 3.0,
                          (c[t]->position.y + c[t + 1]->position.y + c[t + 2]->position.y) / 3.0))
            return true;
    return false;
}

} // namespace

Collisions::Collisions() : Collisions(Settings{}) {}

Collisions::Collisions(const Settings& settings) : m_settings(settings) {}

CollisionShape& Collisions::shapeOf(ParticleSystem& body, const std::vector<Particle*>& corners)
{
    if (!body.collision) {
        body.collision = std::make_unique<CollisionShape>(body, corners);
        body.collision->turns = body.floorHoldsBody;
    }
    return *body.collision;
}

void Collisions::wakeAround(const Bodies& bodies, const CollisionBox& box)
{
    for (const auto& body : bodies)
        if (CollisionShape* s = body->collision.get(); s && s->asleep && s->box.overlaps(box))
            s->wake();
}

namespace {

std::uint64_t pairKey(unsigned first, unsigned second) { return std::uint64_t{first} << 32 | second; }

std::size_t slotOf(std::uint64_t key, std::size_t slots)
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (slots - 1);
}

} // namespace

void Collisions::remember()
{
    m_remembered.clear();
    std::size_t slots = 16;
    while (slots < 2 * m_pairs.size())
        slots *= 2;
    m_rememberedPairs.assign(slots, PairSlot{});
    for (const Pair& pair : m_pairs) {
        if (pair.begin == pair.end)
            continue;
        const std::uint64_t key = pairKey(m_shapes[static_cast<std::size_t>(pair.first)]->id,
                                          m_shapes[static_cast<std::size_t>(pair.second)]->id);
        std::size_t at = slotOf(key, slots);
        while (m_rememberedPairs[at].key != 0)
            at = (at + 1) & (slots - 1);
        PairSlot& slot = m_rememberedPairs[at];
        slot.key = key;
        slot.begin = static_cast<int>(m_remembered.size());
        const std::vector<Contact>& list = contactsOf(pair);
        for (int c = pair.begin; c < pair.end; ++c) {
            const Contact& ct = list[static_cast<std::size_t>(c)];
            m_remembered.push_back({ct.point, ct.edge, ct.normalImpulse, ct.tangentImpulse});
        }
        slot.end = static_cast<int>(m_remembered.size());
    }
}

void Collisions::recall(Contact& contact, unsigned first, unsigned second) const
{
    if (m_rememberedPairs.empty())
        return;
    const std::uint64_t key = pairKey(first, second);
    const std::size_t slots = m_rememberedPairs.size();
    for (std::size_t at = slotOf(key, slots); m_rememberedPairs[at].key != 0; at = (at + 1) & (slots - 1)) {
        const PairSlot& slot = m_rememberedPairs[at];
        if (slot.key != key)
            continue;
        for (int i = slot.begin; i < slot.end; ++i) {
            const Remembered& r = m_remembered[static_cast<std::size_t>(i)];
            if (r.point == contact.point && r.edge == contact.edge) {
                contact.normalImpulse = std::min(r.normalImpulse, kMostSpeed * contact.normalMass);
                contact.tangentImpulse = std::clamp(r.tangentImpulse, -contact.normalImpulse, contact.normalImpulse);
                return;
            }
        }
        return;
    }
}

bool Collisions::wasOverlapped(unsigned first, unsigned second) const
{
    return std::binary_search(m_overlapped.begin(), m_overlapped.end(), pairKey(first, second));
}

void Collisions::recover(const CollisionBox& window)
{
    // Bodies that were inside one another already come apart along the
    // line between their centres, as wholes and by their masses. A body
    // inside many takes the sum of what each pair asks, cut to one step: a
    // crowd made at one point spreads out at a bounded speed. Bodies whose
    // centres coincide part in a direction of their own.
    const double step = m_settings.recoveryStep;
    m_recoveryX.assign(m_shapes.size(), 0.0);
    m_recoveryY.assign(m_shapes.size(), 0.0);
    for (int k : m_overlappedNow) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        const CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        const CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        const double total = one.inverseMass + two.inverseMass;
        if (!(total > 0.0))
            continue;
        double dx = one.centreX - two.centreX, dy = one.centreY - two.centreY;
        const double length = std::hypot(dx, dy);
        if (length > 1e-9) {
            dx /= length;
            dy /= length;
        } else {
            const std::uint64_t h = (pairKey(one.id, two.id) + 1) * 0x9E3779B97F4A7C15ull;
            const double angle = static_cast<double>(h >> 11) * 0x1.0p-53 * 6.283185307179586;
            dx = std::cos(angle);
            dy = std::sin(angle);
        }
        const double share = step / total;
        m_recoveryX[static_cast<std::size_t>(pair.first)] += dx * share * one.inverseMass;
        m_recoveryY[static_cast<std::size_t>(pair.first)] += dy * share * one.inverseMass;
        m_recoveryX[static_cast<std::size_t>(pair.second)] -= dx * share * two.inverseMass;
        m_recoveryY[static_cast<std::size_t>(pair.second)] -= dy * share * two.inverseMass;
    }
    if (m_overlappedNow.empty())
        return;
    for (std::size_t i = 0; i < m_shapes.size(); ++i) {
        CollisionShape* s = m_shapes[i];
        double x = m_recoveryX[i], y = m_recoveryY[i];
        if (!s || (x == 0.0 && y == 0.0))
            continue;
        const double length = std::hypot(x, y);
        if (length > step) {
            x *= step / length;
            y *= step / length;
        }
        // Never out through a side or the top: those letters would be gone.
        x = std::max(x, std::min(0.0, window.left - s->box.left));
        x = std::min(x, std::max(0.0, window.right - s->box.right));
        y = std::max(y, std::min(0.0, window.top - s->box.top));
        s->motion.x += x;
        s->motion.y += y;
    }
}

std::vector<Contact>& Collisions::contactsOf(const Pair& pair)
{
    return m_runContacts[static_cast<std::size_t>(&pair - m_pairs.data()) / kPairsPerRun];
}

void Collisions::resolve(const Bodies& bodies, const CollisionBox& window, TaskPool* pool)
{
    const double floor = window.bottom;
    const int n = static_cast<int>(bodies.size());
    const auto run = [pool](int parts, auto&& part) {
        if (pool)
            pool->run(parts, part);
        else
            for (int i = 0; i < parts; ++i)
                part(i);
    };
    const int bodyRuns = (n + kBodiesPerRun - 1) / kBodiesPerRun;
    const auto eachBody = [&](auto&& f) {
        run(bodyRuns, [&](int r) {
            const int end = std::min(n, (r + 1) * kBodiesPerRun);
            for (int i = r * kBodiesPerRun; i < end; ++i)
                if (CollisionShape* s = m_shapes[static_cast<std::size_t>(i)]; s && s->finite)
                    f(*bodies[static_cast<std::size_t>(i)], *s);
        });
    };

    m_shapes.resize(static_cast<std::size_t>(n));
    m_boxes.resize(static_cast<std::size_t>(n));
    m_active.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        CollisionShape* s = bodies[static_cast<std::size_t>(i)]->collision.get();
        m_shapes[static_cast<std::size_t>(i)] = s && !s->particles.empty() ? s : nullptr;
        if (s && s->id == 0)
            s->id = ++m_lastId;
    }
    // A floor that moved (the window was resized) no longer holds what
    // slept on it.
    if (floor != m_floor) {
        for (CollisionShape* s : m_shapes)
            if (s)
                s->wake();
        m_floor = floor;
    }
    run(bodyRuns, [&](int r) {
        const int end = std::min(n, (r + 1) * kBodiesPerRun);
        for (int i = r * kBodiesPerRun; i < end; ++i)
            if (CollisionShape* s = m_shapes[static_cast<std::size_t>(i)])
                s->measure();
    });
    for (int i = 0; i < n; ++i) {
        const CollisionShape* s = m_shapes[static_cast<std::size_t>(i)];
        const bool usable = s && s->finite;
        m_boxes[static_cast<std::size_t>(i)] = usable ? s->swept : CollisionBox{};
        m_active[static_cast<std::size_t>(i)] = usable && !s->asleep;
    }

    // Pairs, then their contacts, a fixed number of pairs at a time.
    const std::vector<BroadPhase::Pair>& found = m_broad.find(m_boxes, m_active);
    m_pairs.resize(found.size());
    for (std::size_t k = 0; k < found.size(); ++k)
        m_pairs[k] = Pair{found[k].first, found[k].second, 0, 0, kNoColour, false, false};
    const int pairRuns = (static_cast<int>(m_pairs.size()) + kPairsPerRun - 1) / kPairsPerRun;
    if (static_cast<int>(m_runContacts.size()) < pairRuns)
        m_runContacts.resize(static_cast<std::size_t>(pairRuns));
    for (std::size_t r = static_cast<std::size_t>(pairRuns); r < m_runContacts.size(); ++r)
        m_runContacts[r].clear();
    run(pairRuns, [this](int r) { touch(r); });

    // Sleepers struck hard enough wake; the others stand firm this tick.
    // Bodies inside one another do not settle until they are apart.
    m_overlappedNow.clear();
    for (int k = 0; k < static_cast<int>(m_pairs.size()); ++k) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        if (pair.wake) {
            one.wake();
            two.wake();
        }
        if (pair.overlapped) {
            one.quietTicks = 0;
            two.quietTicks = 0;
            m_overlappedNow.push_back(k);
        }
    }
    eachBody([this, floor](ParticleSystem& body, CollisionShape& s) {
        s.inverseMass = s.asleep || !(s.mass > 0.0) ? 0.0 : 1.0 / s.mass;
        s.inverseInertia = s.asleep || !s.turns || !(s.inertia > 0.0) ? 0.0 : 1.0 / s.inertia;
        // Last tick's floor impulses, by particle, then this tick's contacts.
        s.floorImpulses.assign(s.particles.size(), CollisionShape::Impulse{});
        for (const Contact& c : s.floorContacts)
            s.floorImpulses[static_cast<std::size_t>(c.point)] = {c.normalImpulse, c.tangentImpulse};
        s.floorContacts.clear();
        if (s.asleep)
            return;
        for (std::size_t i = 0; i < s.particles.size(); ++i) {
            Particle* p = s.particles[i];
            if (p->position.y < floor)
                continue;
            const Probed at{{p->position.x, p->position.y}, {p->velocity.x, p->velocity.y}};
            ContactSide ground;
            ground.x = p->position.x;
            ground.y = floor;
            Contact c = makeContact(sideOf(s, p, p, 0.0, at), ground, 0.0, -1.0, static_cast<int>(i), -1);
            prepare(c, Side{c.one, &s}, Side{c.two, nullptr});
            if (i < s.floorImpulses.size()) {
                c.normalImpulse = std::min(s.floorImpulses[i].normal, kMostSpeed * c.normalMass);
                c.tangentImpulse = std::clamp(s.floorImpulses[i].tangent, -c.normalImpulse, c.normalImpulse);
            }
            // Hard landings bounce by the body's restitution, unless the
            // floor holds the body as a whole.
            const double fall = c.one.vy;
            c.bounce = fall > m_settings.bounceSpeed && !body.floorHoldsBody ? body.restitution * fall : 0.0;
            s.floorContacts.push_back(c);
        }
    });
    const auto sides = [this](const Pair& pair, Contact& c) {
        return std::pair(Side{c.one, m_shapes[static_cast<std::size_t>(pair.first)]},
                         Side{c.two, m_shapes[static_cast<std::size_t>(pair.second)]});
    };
    run(pairRuns, [&](int r) {
        const int end = std::min(static_cast<int>(m_pairs.size()), (r + 1) * kPairsPerRun);
        for (int k = r * kPairsPerRun; k < end; ++k) {
            const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
            std::vector<Contact>& list = contactsOf(pair);
            double deepest = 0.0;
            for (int c = pair.begin; c < pair.end; ++c) {
                Contact& contact = list[static_cast<std::size_t>(c)];
                const auto [one, two] = sides(pair, contact);
                prepare(contact, one, two);
                recall(contact, one.body->id, two.body->id);
                const double depth = two.along(contact.nx, contact.ny, false) - one.along(contact.nx, contact.ny, false);
                deepest = std::max(deepest, depth);
            }
            // Letters wedged into each other turn freely, which is how
            // they work apart.
            if (deepest > kWedged)
                for (int c = pair.begin; c < pair.end; ++c)
                    list[static_cast<std::size_t>(c)].reach = 0.0;
        }
    });
    colour(bodies.size());

    const double friction = m_settings.friction;
    const double rolling = m_settings.rollingResistance;
    // Each pass: the floor's contacts body by body, then the pairs colour by
    // colour.
    const auto pass = [&](auto&& solve) {
        eachBody([&solve](ParticleSystem&, CollisionShape& s) {
            for (Contact& c : s.floorContacts)
                solve(c, Side{c.one, &s}, Side{c.two, nullptr});
        });
        eachColour(pool, [&](const Pair& pair) {
            std::vector<Contact>& list = contactsOf(pair);
            for (int c = pair.begin; c < pair.end; ++c) {
                Contact& contact = list[static_cast<std::size_t>(c)];
                const auto [one, two] = sides(pair, contact);
                solve(contact, one, two);
            }
        });
    };

    recover(window);
    for (int iteration = 0; iteration < m_settings.positionIterations; ++iteration)
        pass([](Contact& c, Side one, Side two) { solvePosition(c, one, two); });
    pass([](Contact& c, Side one, Side two) { warmStart(c, one, two); });
    for (int iteration = 0; iteration < m_settings.velocityIterations; ++iteration)
        pass([friction, rolling](Contact& c, Side one, Side two) { solveVelocity(c, one, two, friction, rolling); });

    remember();
    m_overlapped.clear();
    for (int k : m_overlappedNow) {
        const Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        m_overlapped.push_back(pairKey(m_shapes[static_cast<std::size_t>(pair.first)]->id,
                                       m_shapes[static_cast<std::size_t>(pair.second)]->id));
    }
    std::sort(m_overlapped.begin(), m_overlapped.end());

    // The bodies take what the contacts asked of them. One that stays
    // where it is, give or take a jitter, for a while goes to sleep.
    const double still = m_settings.sleepMotion;
    const int sleepTicks = m_settings.sleepTicks;
    const double softDamping = m_settings.softDamping;
    eachBody([still, sleepTicks, softDamping](ParticleSystem&, CollisionShape& s) {
        if (s.asleep)
            return;
        s.applyMotion(softDamping);
        s.settle(still, sleepTicks);
    });
}

void Collisions::touch(int run)
{
    std::vector<Contact>& out = m_runContacts[static_cast<std::size_t>(run)];
    out.clear();
    const int end = std::min(static_cast<int>(m_pairs.size()), (run + 1) * kPairsPerRun);
    for (int k = run * kPairsPerRun; k < end; ++k) {
        Pair& pair = m_pairs[static_cast<std::size_t>(k)];
        pair.begin = static_cast<int>(out.size());
        const CollisionShape& first = *m_shapes[static_cast<std::size_t>(pair.first)];
        const CollisionShape& second = *m_shapes[static_cast<std::size_t>(pair.second)];

        // Points of `from` in `into`; the contact's first body is `first`.
        // The first point found inside from before this tick settles that
        // the pair comes apart as a whole: the rest need not be looked at.
        const bool inside = wasOverlapped(first.id, second.id);
        // Two letters made exactly on one another have their outlines on
        // each other's, where no point is clearly inside: the middles of
        // their triangles are.
        int old = coincide(first, second) && (middleInside(first, second) || middleInside(second, first));
        const auto meet = [&](const CollisionShape& from, const CollisionShape& into) {
            if (into.crushed || old > 0)
                return;
            const bool fromFirst = &from == &first;
            const CollisionBox& box = into.box;
            const double shiftX = into.shiftX, shiftY = into.shiftY;
            for (std::size_t i = 0; i < from.probes.size(); ++i) {
                const double px = from.probeX[i], py = from.probeY[i];
                // Where the point started, carried along with the body it
                // meets.
                const double sx = from.probeStartX[i] + shiftX, sy = from.probeStartY[i] + shiftY;
                if (std::max(px, sx) < box.left || std::min(px, sx) > box.right || std::max(py, sy) < box.top ||
                    std::min(py, sy) > box.bottom)
                    continue;
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
                    if (!hit.edge)
                        hit = nearest(into, px, py);
                    if (hit.edge && behind(hit, px, py) > movedBy + kFreshSlack) {
                        ++old;
                        return;
                    }
                } else if (movedSq > kTunnel * kTunnel) {
                    // Fast enough to have passed right through.
                    hit = entry(into, sx, sy, px, py, true);
                }
                if (!hit.edge)
                    continue;
                const CollisionShape::Probe& probe = from.probes[i];
                const ContactSide point = sideOf(from, from.particles[static_cast<std::size_t>(probe.a)],
                                                 from.particles[static_cast<std::size_t>(probe.b)], probe.u,
                                                 probed(from, probe));
                const ContactSide edge = sideOf(into, hit.edge->a, hit.edge->b, hit.t, onEdge(*hit.edge, hit.t));
                const int probeIndex = static_cast<int>(i);
                const int edgeIndex = static_cast<int>(hit.edge - into.outline.data());
                out.push_back(fromFirst ? makeContact(point, edge, hit.nx, hit.ny, probeIndex, edgeIndex)
                                        : makeContact(edge, point, -hit.nx, -hit.ny, -1 - probeIndex, edgeIndex));
            }
        };
        meet(first, second);
        meet(second, first);
        // Bodies inside one another before this tick come apart as wholes
        // (below) before their outlines meet as contacts again.
        pair.overlapped = old > 0;
        if (pair.overlapped)
            out.resize(static_cast<std::size_t>(pair.begin));
        // Soft bodies pressed together touch at many points; the deepest
        // few carry the pair, and the work stays bounded.
        if (out.size() - static_cast<std::size_t>(pair.begin) > kMostContacts) {
            const auto first = out.begin() + pair.begin;
            const auto depth = [](const Contact& c) { return (c.one.x - c.two.x) * c.nx + (c.one.y - c.two.y) * c.ny; };
            std::stable_sort(first, out.end(), [&depth](const Contact& l, const Contact& r) { return depth(l) < depth(r); });
            out.resize(static_cast<std::size_t>(pair.begin) + kMostContacts);
        }
        pair.end = static_cast<int>(out.size());

        // A sleeper wakes when struck: a contact deep or fast enough.
        if (first.asleep != second.asleep)
            for (int c = pair.begin; c < pair.end && !pair.wake; ++c) {
                const Contact& ct = out[static_cast<std::size_t>(c)];
                const double depth = -((ct.one.x - ct.two.x) * ct.nx + (ct.one.y - ct.two.y) * ct.ny);
                const double approach = -((ct.one.vx - ct.two.vx) * ct.nx + (ct.one.vy - ct.two.vy) * ct.ny);
                pair.wake = depth > kWakeDepth || approach > kWakeSpeed;
            }
        pair.wake = pair.wake || (pair.overlapped && first.asleep != second.asleep);
    }
}

void Collisions::colour(std::size_t bodies)
{
    // Greedy colouring: no body twice in one colour, so the pairs of one
    // colour can be solved at once and in any order.
    m_usedColours.assign(bodies, 0);
    m_colourStarts.assign(kNoColour + 2, 0);
    for (Pair& pair : m_pairs) {
        pair.colour = kNoColour + 1; // nothing to solve
        const CollisionShape& one = *m_shapes[static_cast<std::size_t>(pair.first)];
        const CollisionShape& two = *m_shapes[static_cast<std::size_t>(pair.second)];
        if (pair.begin == pair.end || (one.asleep && two.asleep))
            continue;
        std::uint64_t& a = m_usedColours[static_cast<std::size_t>(pair.first)];
        std::uint64_t& b = m_usedColours[static_cast<std::size_t>(pair.second)];
        const std::uint64_t free = ~(a | b);
        if (free == 0) {
            pair.colour = kNoColour;
        } else {
            const int c = __builtin_ctzll(free);
            pair.colour = c;
            a |= std::uint64_t{1} << c;
            b |= std::uint64_t{1} << c;
        }
        ++m_colourStarts[static_cast<std::size_t>(pair.colour) + 1];
    }
    for (int c = 0; c <= kNoColour; ++c)
        m_colourStarts[static_cast<std::size_t>(c) + 1] += m_colourStarts[static_cast<std::size_t>(c)];
    m_byColour.resize(static_cast<std::size_t>(m_colourStarts[kNoColour + 1]));
    m_colourNext.assign(m_colourStarts.begin(), m_colourStarts.end());
    for (int k = 0; k < static_cast<int>(m_pairs.size()); ++k) {
        const int c = m_pairs[static_cast<std::size_t>(k)].colour;
        if (c <= kNoColour)
            m_byColour[static_cast<std::size_t>(m_colourNext[static_cast<std::size_t>(c)]++)] = k;
    }
}

template <class Solve>
void Collisions::eachColour(TaskPool* pool, Solve solve)
{
    constexpr int kPairsPerPart = 32;
    for (int c = 0; c <= kNoColour; ++c) {
        const int begin = m_colourStarts[static_cast<std::size_t>(c)];
        const int end = m_colourStarts[static_cast<std::size_t>(c) + 1];
        if (begin == end)
            continue;
        const auto part = [&](int k) {
            const int stop = std::min(end, begin + (k + 1) * kPairsPerPart);
            for (int i = begin + k * kPairsPerPart; i < stop; ++i)
                solve(m_pairs[static_cast<std::size_t>(m_byColour[static_cast<std::size_t>(i)])]);
        };
        const int parts = (end - begin + kPairsPerPart - 1) / kPairsPerPart;
        // Pairs past the last colour share bodies: one after another.
        if (pool && c < kNoColour)
            pool->run(parts, part);
        else
            for (int k = 0; k < parts; ++k)
                part(k);
    }
}
