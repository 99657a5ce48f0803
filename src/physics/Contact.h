#pragma once

#include "physics/Particle.h"

// One body's part in a contact: the point (1 - t) a + t b of its outline,
// its offset from the body's centre and where it was and how fast it went
// when the contact was found.
struct ContactSide {
    Particle* a = nullptr; // null: the floor, at (x, y)
    Particle* b = nullptr; // the same as a for a particle
    double t = 0.0;
    double rx = 0.0;
    double ry = 0.0;
    double x = 0.0;
    double y = 0.0;
    double vx = 0.0;
    double vy = 0.0;
};

// Where two bodies touch, or a body and the floor: n pushes the first out
// of the second.
struct Contact {
    ContactSide one;
    ContactSide two;
    double nx;
    double ny;
    double normalMass;  // 1 / the inverse masses felt along n
    double tangentMass; // and along (-ny, nx)
    double bounce;      // the speed along n wanted after the contact
    double normalImpulse;
    double tangentImpulse;
    // Against the two turning one on the other: its arm (how far the point
    // lies from the centres) and what this tick has given.
    double reach;
    double rollingImpulse;
    // Which point met which edge, so that the next tick's contact between
    // the same two can start from this one's impulses.
    int point;
    int edge; // kFloorEdge or kSideEdge for the window's
};

// Bodies kept in shape pressed into one another are pushed this far
// clear, and a contact whose point is still within the skin of the edge it
// touched holds on (the narrow phase): letters rest touching, none in
// another's ink. A contact still clear of the gap acts only as far as the
// bodies would close it within the tick (the contact solver), so that none
// hangs in the skin. The proportions are Box2D's linear slop and
// speculative distance (four slops) at its scale of 10 px a metre.
inline constexpr double kContactGap = 0.05;
inline constexpr double kContactSkin = 4.0 * kContactGap;

inline constexpr int kFloorEdge = -1;
inline constexpr int kSideEdge = -2;
