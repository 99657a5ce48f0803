#pragma once

#include "physics/MOTUSforce.h"
#include "physics/Particle.h"

// A damped spring between two particles of one body. It deposits
// accelerations: each end receives the force divided by its own mass.
class MOTUSforceSpring final : public MOTUSforce {
public:
    // The ends are not owned.
    MOTUSforceSpring(Particle* first, Particle* second, double restLength, double stiffness, double damping)
        : restLength(restLength), stiffness(stiffness), damping(damping), first(first), second(second)
    {
    }

    void apply() override;
    bool isSame(const MOTUSforce* other) const override;

    const double restLength;
    double stiffness; // the body's creator overwrites it once after building
    const double damping;
    Particle* const first;
    Particle* const second;
};
