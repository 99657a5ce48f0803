#pragma once

#include <cmath>

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

    // Defined here so that a body's step, which walks its springs in
    // place, calls it directly and inline.
    void apply() override
    {
        const Vector3 l = first->position - second->position;
        const double len = std::sqrt(l.dot(l));
        // Coincident ends have no direction; such a spring pulls nowhere.
        if (!(len > 0.0))
            return;

        double f = stiffness * (restLength - len);
        if (damping != 0.0) {
            const Vector3 dv = first->velocity - second->velocity;
            f -= damping * dv.dot(l) / len;
        }
        const Vector3 force = l * (f / len);
        first->force = first->force + perMass(force, first->mass);
        second->force = second->force - perMass(force, second->mass);
    }

    bool isSame(const MOTUSforce* other) const override;

    const double restLength;
    double stiffness; // the body's creator overwrites it once after building
    const double damping;
    Particle* const first;
    Particle* const second;

private:
    // force * (1 / mass). Glyph particles all weigh exactly 1, where the
    // product is the force itself, bit for bit: the division is skipped.
    static Vector3 perMass(const Vector3& force, double mass)
    {
        return mass == 1.0 ? force : force * (1.0 / mass);
    }
};
