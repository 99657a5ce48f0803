#pragma once

#include "physics/Vector3.h"

// A point mass. `force` accumulates accelerations: the forces divide by
// mass before they add, so the integrator never does.
struct Particle {
    Vector3 position;
    Vector3 velocity;
    Vector3 force;
    double mass;

    Particle(const Vector3& position_, double mass_) : position(position_), mass(mass_) {}
};
