#include "physics/ContactSolver.h"

#include "platform/TaskPool.h"

namespace {

// A phase's groups are solved this many at a time on a thread.
constexpr int kGroupsPerPart = 32;

} // namespace

void ContactSolver::clear(std::size_t bodies, double dt)
{
    m_dt = dt;
    m_anyKept = false;
    m_bodies.assign(bodies, Body{});
    m_contacts.clear();
    m_groups.clear();
    m_phases.clear();
}

void ContactSolver::beginPhase(bool serial)
{
    const int at = static_cast<int>(m_groups.size());
    m_phases.push_back(Phase{at, at, serial});
}

void ContactSolver::beginGroup()
{
    const int at = static_cast<int>(m_contacts.size());
    m_groups.push_back(Group{at, at});
    m_phases.back().end = static_cast<int>(m_groups.size());
}

void ContactSolver::add(const Contact& c, int one, int two, bool kept)
{
    const double tx = -c.ny, ty = c.nx;
    Packed p{};
    p.one = one;
    p.two = two;
    p.nx = c.nx;
    p.ny = c.ny;
    p.cross1 = c.one.rx * c.ny - c.one.ry * c.nx;
    p.tcross1 = c.one.rx * ty - c.one.ry * tx;
    double x = c.one.x - c.two.x, y = c.one.y - c.two.y, vx = c.one.vx, vy = c.one.vy;
    if (two >= 0) {
        p.cross2 = c.two.rx * c.ny - c.two.ry * c.nx;
        p.tcross2 = c.two.rx * ty - c.two.ry * tx;
        vx -= c.two.vx;
        vy -= c.two.vy;
    }
    p.separation = x * c.nx + y * c.ny + (kept ? -kContactGap : kContactSlop);
    p.vn = vx * c.nx + vy * c.ny;
    p.vt = vx * tx + vy * ty;
    p.normalMass = c.normalMass;
    p.positionMass = kept ? kKeptPush * c.normalMass : c.normalMass;
    m_anyKept = m_anyKept || kept || (two < 0 && m_bodies[static_cast<std::size_t>(one)].inverseInertia > 0.0);
    p.tangentMass = c.tangentMass;
    p.bounce = c.bounce;
    // The bodies stepped at vn already and move by the change of speed:
    // a contact still clear of the gap lets them close it, no more.
    if (kept && m_dt > 0.0 && p.separation > 0.0)
        p.bounce = std::min(0.0, p.vn - p.separation / m_dt);
    p.normalImpulse = c.normalImpulse;
    p.tangentImpulse = c.tangentImpulse;
    p.reach = c.reach;
    p.rollingImpulse = c.rollingImpulse;
    m_contacts.push_back(p);
    m_groups.back().end = static_cast<int>(m_contacts.size());
}

// Moves the bodies apart along n until the contact is no deeper than the
// slop.
template <bool Floor>
void ContactSolver::position(Packed& c)
{
    Body& a = m_bodies[static_cast<std::size_t>(c.one)];
    double g = c.separation + a.x * c.nx + a.y * c.ny + a.angle * c.cross1;
    if constexpr (!Floor) {
        const Body& b = m_bodies[static_cast<std::size_t>(c.two)];
        g -= b.x * c.nx + b.y * c.ny + b.angle * c.cross2;
    }
    if (!(g < 0.0))
        return;
    const double lambda = -g * c.positionMass;
    a.x += lambda * c.nx * a.inverseMass;
    a.y += lambda * c.ny * a.inverseMass;
    a.angle += lambda * c.cross1 * a.inverseInertia;
    if constexpr (!Floor) {
        Body& b = m_bodies[static_cast<std::size_t>(c.two)];
        b.x -= lambda * c.nx * b.inverseMass;
        b.y -= lambda * c.ny * b.inverseMass;
        b.angle -= lambda * c.cross2 * b.inverseInertia;
    }
}

// Gives the bodies a contact's impulses anew: last tick's, which a contact
// that lasts needs again, so that a pile holds from the first pass.
template <bool Floor>
void ContactSolver::warm(Packed& c)
{
    const double jn = c.normalImpulse, jt = c.tangentImpulse;
    Body& a = m_bodies[static_cast<std::size_t>(c.one)];
    a.vx += (jn * c.nx - jt * c.ny) * a.inverseMass;
    a.vy += (jn * c.ny + jt * c.nx) * a.inverseMass;
    a.spin += (jn * c.cross1 + jt * c.tcross1) * a.inverseInertia;
    if constexpr (!Floor) {
        Body& b = m_bodies[static_cast<std::size_t>(c.two)];
        b.vx -= (jn * c.nx - jt * c.ny) * b.inverseMass;
        b.vy -= (jn * c.ny + jt * c.nx) * b.inverseMass;
        b.spin -= (jn * c.cross2 + jt * c.tcross2) * b.inverseInertia;
    }
}

template <bool Floor>
void ContactSolver::velocity(Packed& c, double friction, double rolling)
{
    Body& a = m_bodies[static_cast<std::size_t>(c.one)];
    Body* b = Floor ? nullptr : &m_bodies[static_cast<std::size_t>(c.two)];
    const double tx = -c.ny, ty = c.nx;
    double vn = c.vn + a.vx * c.nx + a.vy * c.ny + a.spin * c.cross1;
    double vt = c.vt + a.vx * tx + a.vy * ty + a.spin * c.tcross1;
    if constexpr (!Floor) {
        vn -= b->vx * c.nx + b->vy * c.ny + b->spin * c.cross2;
        vt -= b->vx * tx + b->vy * ty + b->spin * c.tcross2;
    }
    const double jn = std::clamp(c.normalImpulse + (c.bounce - vn) * c.normalMass, 0.0, kContactMostSpeed * c.normalMass);
    const double dn = jn - c.normalImpulse;
    c.normalImpulse = jn;
    const double limit = friction * jn;
    const double jt = std::clamp(c.tangentImpulse - vt * c.tangentMass, -limit, limit);
    const double dt = jt - c.tangentImpulse;
    c.tangentImpulse = jt;
    const double jx = dn * c.nx + dt * tx, jy = dn * c.ny + dt * ty;
    a.vx += jx * a.inverseMass;
    a.vy += jy * a.inverseMass;
    a.spin += (dn * c.cross1 + dt * c.tcross1) * a.inverseInertia;
    if constexpr (!Floor) {
        b->vx -= jx * b->inverseMass;
        b->vy -= jy * b->inverseMass;
        b->spin -= (dn * c.cross2 + dt * c.tcross2) * b->inverseInertia;
    }

    // Friction alone lets a round letter roll, and a pile of them never
    // comes to rest.
    const double turning = a.inverseInertia + (Floor ? 0.0 : b->inverseInertia);
    if (!(turning > 0.0))
        return;
    const double spinA = a.inverseInertia > 0.0 ? a.meanSpin + a.spin : 0.0;
    const double spinB = !Floor && b->inverseInertia > 0.0 ? b->meanSpin + b->spin : 0.0;
    const double most = rolling * jn * c.reach;
    const double jr = std::clamp(c.rollingImpulse - (spinA - spinB) / turning, -most, most);
    const double dr = jr - c.rollingImpulse;
    c.rollingImpulse = jr;
    a.spin += dr * a.inverseInertia;
    if constexpr (!Floor)
        b->spin -= dr * b->inverseInertia;
}

template <class Pass>
void ContactSolver::eachPhase(TaskPool* pool, Pass&& pass)
{
    for (std::size_t p = 0; p < m_phases.size(); ++p) {
        const Phase phase = m_phases[p];
        const bool floor = p == 0;
        const auto part = [&](int k) {
            const int stop = phase.serial ? phase.end : std::min(phase.end, phase.begin + (k + 1) * kGroupsPerPart);
            const int start = phase.serial ? phase.begin : phase.begin + k * kGroupsPerPart;
            // A phase's groups lie one after another: their contacts are
            // one run, taken in one loop rather than a short loop a group.
            if (start >= stop)
                return;
            const int last = m_groups[static_cast<std::size_t>(stop) - 1].end;
            for (int c = m_groups[static_cast<std::size_t>(start)].begin; c < last; ++c)
                pass(m_contacts[static_cast<std::size_t>(c)], floor);
        };
        const int parts = phase.serial ? 1 : (phase.end - phase.begin + kGroupsPerPart - 1) / kGroupsPerPart;
        if (pool && parts > 1)
            pool->run(parts, part);
        else
            for (int k = 0; k < parts; ++k)
                part(k);
    }
}

void ContactSolver::solve(TaskPool* pool, int positionIterations, int keptPositionIterations, int velocityIterations,
                          double friction, double rolling)
{
    eachPhase(pool, [this](Packed& c, bool floor) { floor ? warm<true>(c) : warm<false>(c); });
    for (int iteration = 0; iteration < velocityIterations; ++iteration)
        eachPhase(pool, [this, friction, rolling](Packed& c, bool floor) {
            floor ? velocity<true>(c, friction, rolling) : velocity<false>(c, friction, rolling);
        });
    // The bodies stepped this tick at the speeds they had before their
    // contacts: the change the contacts make moves them for the tick too.
    // Else a body resting on a slope sinks by its weight's step each tick,
    // the position passes push it out square to the slope, and it creeps
    // down a slope its friction holds.
    for (Body& b : m_bodies) {
        b.x += b.vx * m_dt;
        b.y += b.vy * m_dt;
        b.angle += b.spin * m_dt;
    }
    for (int iteration = 0; iteration < positionIterations; ++iteration)
        eachPhase(pool, [this](Packed& c, bool floor) { floor ? position<true>(c) : position<false>(c); });
    // Scenes of soft letters alone skip these passes.
    const int keptPasses = m_anyKept ? keptPositionIterations : positionIterations;
    for (int iteration = positionIterations; iteration < keptPasses; ++iteration)
        eachPhase(pool, [this](Packed& c, bool floor) {
            if (floor && m_bodies[static_cast<std::size_t>(c.one)].inverseInertia > 0.0)
                position<true>(c);
            else if (!floor && c.positionMass < c.normalMass)
                position<false>(c);
        });
}
