#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/Contact.h"
#include "physics/RigidBody.h"

class TaskPool;

// The contact solver: sequential impulses on bodies as wholes. Velocity
// passes take out the speeds going into the contacts, with friction along
// them and a resistance to rolling, and the bodies move by what that
// changes; then position passes move them out of one another, as far as
// each contact asks. Contacts start from what they gave last tick (warm
// starting).

// The floor's and the sides' contacts, and those of soft bodies, are left
// this deep: a body resting on the floor stays in touch from tick to tick,
// rather than pushed clear and falling back. A soft letter pushed clear
// sags back in as its parts give, and its pile never rests.
inline constexpr double kContactSlop = 0.1;
// A position pass moves a pair of bodies kept in shape this share of the
// way out: a letter squeezed between others that it cannot clear both of
// settles between them, instead of being pumped to and fro from tick to
// tick.
inline constexpr double kKeptPush = 0.5;
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
    RigidBody* body;

    // Where the point is now along (dx, dy), as the contacts have moved it.
    double along(double dx, double dy) const
    {
        if (!body)
            return s.x * dx + s.y * dy;
        const RigidBody::Motion& m = body->motion;
        return (s.x + m.x - m.angle * s.ry) * dx + (s.y + m.y + m.angle * s.rx) * dy;
    }

    double arm() const { return body ? std::hypot(s.rx, s.ry) : 0.0; }

    // How readily the point gives way along (dx, dy): its inverse mass.
    double giving(double dx, double dy) const
    {
        if (!body)
            return 0.0;
        const double arm = s.rx * dy - s.ry * dx;
        return body->inverseMass + body->inverseInertia * arm * arm;
    }
};

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

// The solver's copy of the bodies and contacts of a tick, packed for the
// passes: a body is what the contacts ask of it so far, a contact its
// geometry reduced to what a pass reads. Contacts come in groups (the floor
// contacts of a body, or those of a pair of bodies) and groups in phases
// (the floor, then one colour of pairs after another): no two groups of a
// phase share a body, so a phase's groups may be solved at once, in parts
// that do not depend on the number of threads.
class ContactSolver {
public:
    struct Body {
        double x = 0.0, y = 0.0, angle = 0.0; // the motion asked so far
        double vx = 0.0, vy = 0.0, spin = 0.0;
        double inverseMass = 0.0;
        double inverseInertia = 0.0;
        double meanSpin = 0.0;
    };

    // Starts a tick of `dt` (0: the bodies took no step).
    void clear(std::size_t bodies, double dt);
    Body& body(std::size_t i) { return m_bodies[i]; }
    const Body& body(std::size_t i) const { return m_bodies[i]; }
    // Starts the next phase; the last one added is solved group by group
    // on one thread when `serial`.
    void beginPhase(bool serial = false);
    void beginGroup();
    // A contact between bodies `one` and `two` (a body's index, or -1 for
    // the floor as `two`), as found and prepared, that the position passes
    // leave kContactSlop deep. One between bodies `kept` in shape is pushed
    // kContactGap clear instead, and while still clear of that acts only as
    // far as the bodies would close the gap within the tick.
    void add(const Contact& c, int one, int two, bool kept);
    // The impulses contact k (in the order added) ended with.
    double normalImpulse(std::size_t k) const { return m_contacts[k].normalImpulse; }
    double tangentImpulse(std::size_t k) const { return m_contacts[k].tangentImpulse; }

    // The velocity passes, then, the bodies moved by the change of speed
    // for the tick, the position passes: `positionIterations` over every
    // contact, then, up to `keptPositionIterations`, over those of bodies
    // kept in shape (pairs moved half the way a pass, and the window's
    // contacts of bodies that turn).
    void solve(TaskPool* pool, int positionIterations, int keptPositionIterations, int velocityIterations,
               double friction, double rolling);

private:
    struct Packed {
        int one;
        int two; // -1: the floor
        double nx, ny;
        double cross1, cross2;   // the arms across n: how a turn moves the point along n
        double tcross1, tcross2; // and along the tangent (-ny, nx)
        double separation;       // along n when found, less how far clear it is pushed
        double vn, vt;           // relative speed along n and the tangent when found
        double normalMass, tangentMass, bounce;
        double positionMass; // what a position pass pushes by
        double normalImpulse, tangentImpulse;
        double reach, rollingImpulse;
    };
    struct Group {
        int begin;
        int end;
    };
    struct Phase {
        int begin; // groups
        int end;
        bool serial;
    };

    template <bool Floor>
    void position(Packed& c);
    template <bool Floor>
    void warm(Packed& c);
    template <bool Floor>
    void velocity(Packed& c, double friction, double rolling);
    template <class Pass>
    void eachPhase(TaskPool* pool, Pass&& pass);

    std::vector<Body> m_bodies;
    std::vector<Packed> m_contacts;
    std::vector<Group> m_groups;
    std::vector<Phase> m_phases;
    double m_dt = 0.0;
    bool m_anyKept = false; // some contact takes the passes of bodies kept in shape
};
