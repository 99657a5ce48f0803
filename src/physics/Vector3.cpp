#include "physics/Vector3.h"

#include <algorithm>
#include <cmath>

double Vector3::angleTo(const Vector3& u) const
{
    const double c = x * u.x + y * u.y;
    const double s = x * u.y - y * u.x;
    // Rounding can push the cosine of two unit vectors a hair past 1.
    const double a = std::acos(std::clamp(c, -1.0, 1.0));
    // The decimal literal, not 2*pi: the compass geometry was tuned with it.
    return s < 0.0 ? 6.283185308 - a : a;
}
