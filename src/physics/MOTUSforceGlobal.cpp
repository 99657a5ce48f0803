#include "physics/MOTUSforceGlobal.h"

void MOTUSforceGlobal::apply()
{
    for (Particle* p : *targets)
        p->force = acceleration - p->velocity * drag;
}

bool MOTUSforceGlobal::isSame(const MOTUSforce* other) const
{
    const auto* same = dynamic_cast<const MOTUSforceGlobal*>(other);
    return same != nullptr && same == this;
}
