#pragma once

#include <vector>

#include "physics/CollisionBox.h"
#include "physics/Contact.h"
#include "physics/Particle.h"

// The body as one rigid piece, as the contact solver sees it: its centre
// of mass, mass and moment of inertia about the centre, what the contacts
// ask of it this tick, its contacts with the floor, and its sleep. The
// particles it moves are the body's, handed in.
struct RigidBody {
    // The mass, centre, inertia and mean motion of `particles` as they
    // stand; a body without mass is centred at the corner of its `box`.
    void measure(const std::vector<Particle*>& particles, const CollisionBox& box);
    // Moves and turns every particle by what the solver has gathered in
    // `motion`, and adds its velocity. A soft body (one that does not
    // `turn`) first loses `softDamping` of its particles' motion relative
    // to their mean.
    void applyMotion(const std::vector<Particle*>& particles, bool turns, double softDamping) const;
    // Lays the body to rest, or wakes it.
    void sleep(const std::vector<Particle*>& particles);
    void wake() { asleep = false; quietTicks = 0; }
    // Counts the ticks the body has stayed within `still` pixels of where
    // it stood when it came to rest (its centre and its first particle,
    // which turning moves), up to `ticks`: it may sleep then.
    void settle(const std::vector<Particle*>& particles, double still, int ticks);

    // The inverses are 0 while the body sleeps: then it does not give way.
    double centreX = 0.0;
    double centreY = 0.0;
    double mass = 0.0;
    double inertia = 0.0;
    double inverseMass = 0.0;
    double inverseInertia = 0.0;
    double meanVX = 0.0; // the particles' mean velocity
    double meanVY = 0.0;
    double meanSpin = 0.0; // and their turning about the centre, per second
    // What the contacts ask of the body as a whole this tick.
    struct Motion {
        double x = 0.0;
        double y = 0.0;
        double angle = 0.0;
        double vx = 0.0;
        double vy = 0.0;
        double spin = 0.0;
    } motion;
    std::vector<Contact> floorContacts; // and, during a tick, the sides'
    struct Impulse {
        double normal = 0.0;
        double tangent = 0.0;
    };
    std::vector<Impulse> floorImpulses; // last tick's, by particle

    // A body that has not moved for a while sleeps: it is not stepped and
    // others meet it as an immovable body, until something disturbs it.
    bool asleep = false;
    int quietTicks = 0;
    double restX = 0.0; // where the centre and the first particle stood
    double restY = 0.0; // when the quiet ticks began
    double restFirstX = 0.0;
    double restFirstY = 0.0;
};
