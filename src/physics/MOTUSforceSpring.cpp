#include "physics/MOTUSforceSpring.h"

#include <cmath>

void MOTUSforceSpring::apply()
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
    first->force = first->force + force * (1.0 / first->mass);
    second->force = second->force - force * (1.0 / second->mass);
}

bool MOTUSforceSpring::isSame(const MOTUSforce* other) const
{
    const auto* same = dynamic_cast<const MOTUSforceSpring*>(other);
    return same != nullptr && same == this;
}
