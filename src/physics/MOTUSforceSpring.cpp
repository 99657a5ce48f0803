#include "physics/MOTUSforceSpring.h"

bool MOTUSforceSpring::isSame(const MOTUSforce* other) const
{
    const auto* same = dynamic_cast<const MOTUSforceSpring*>(other);
    return same != nullptr && same == this;
}
