#pragma once

#include <cstdint>
#include <limits>

// Truncation toward zero to a 32-bit pixel coordinate. Values beyond the
// 32-bit range (or NaN) would make the plain cast undefined; they clamp,
// and the drawing context clips them anyway.
inline std::int32_t truncToInt(double v)
{
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (!(v >= lo))
        return v != v ? 0 : std::numeric_limits<std::int32_t>::min();
    if (!(v <= hi))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}
