#pragma once

#include <algorithm>
#include <cmath>

#include "physics/CollisionShape.h"
#include "physics/Contact.h"

// The contact solver: sequential impulses on bodies as wholes. Position
// passes move the bodies out of one another, down to a little slop; then
// velocity passes take out the speeds going into the contacts, with
// friction along them and a resistance to rolling. Contacts start from
// what they gave last tick (warm starting).

// Contacts are left this deep: a body resting on another stays in touch
// from tick to tick, rather than pushed clear and falling back.
inline constexpr double kContactSlop = 0.1;
// A pair pressed this deep into each other is wedged, not resting.
inline constexpr double kContactWedged = 5.0 * kContactSlop;
// No contact changes the speed of its bodies by more than this in a tick,
// whatever its impulses add up to over many ticks.
inline constexpr double kContactMostSpeed = 4000.0;

// A side of a contact and its body (null for the floor). Contacts move
// bodies as wholes, so that a push never bends a letter: a body kept in
// shape moves and turns; a soft one moves like a single mass at its
// centre, at its mean speed, so that what its parts do among themselves (a
// letter crumpling as it spins) is neither stopped nor thrown into the
// whole, and the floor holds its weight without squashing it.
struct ContactBody {
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
inline void solvePosition(Contact& c, ContactBody one, ContactBody two)
{
    const double g = one.along(c.nx, c.ny, false) - two.along(c.nx, c.ny, false) + kContactSlop;
    if (!(g < 0.0))
        return;
    const double lambda = -g * c.normalMass;
    one.give(lambda * c.nx, lambda * c.ny, false);
    two.give(-lambda * c.nx, -lambda * c.ny, false);
}

inline void solveVelocity(Contact& c, ContactBody one, ContactBody two, double friction, double rolling)
{
    const double vn = one.along(c.nx, c.ny, true) - two.along(c.nx, c.ny, true);
    const double jn = std::clamp(c.normalImpulse + (c.bounce - vn) * c.normalMass, 0.0, kContactMostSpeed * c.normalMass);
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

inline void prepareContact(Contact& c, ContactBody one, ContactBody two)
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
inline void warmStart(const Contact& c, ContactBody one, ContactBody two)
{
    const double jx = c.normalImpulse * c.nx - c.tangentImpulse * c.ny;
    const double jy = c.normalImpulse * c.ny + c.tangentImpulse * c.nx;
    one.give(jx, jy, true);
    two.give(-jx, -jy, true);
}
