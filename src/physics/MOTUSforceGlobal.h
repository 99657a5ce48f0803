#pragma once

#include <vector>

#include "physics/MOTUSforce.h"
#include "physics/Particle.h"

// Gravity plus linear drag on every particle of a list. It assigns the
// accumulator, so it must come first in a body's force list.
class MOTUSforceGlobal final : public MOTUSforce {
public:
    // `targets` is not owned and may name a particle several times.
    MOTUSforceGlobal(const std::vector<Particle*>* targets, const Vector3& acceleration, double drag)
        : acceleration(acceleration), drag(drag), targets(targets)
    {
    }

    void apply() override;
    bool isSame(const MOTUSforce* other) const override;

    const Vector3 acceleration;
    const double drag;
    const std::vector<Particle*>* const targets;
};
