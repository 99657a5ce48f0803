#pragma once

#include <cstdint>
#include <limits>

// Conversions of computed coordinates to 32-bit pixels. Values beyond the
// 32-bit range (a body flung far away) clamp and NaN becomes 0, so the
// conversion is always defined; the drawing context clips them anyway.

// A wider integer sum back into 32 bits, saturating.
inline std::int32_t clampToInt(std::int64_t v)
{
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v < lo ? lo : (v > hi ? hi : v));
}

// Truncation toward zero: 2.9 gives 2, -2.9 gives -2.
inline std::int32_t truncToInt(double v)
{
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (v != v)
        return 0;
    if (!(v > lo))
        return std::numeric_limits<std::int32_t>::min();
    if (!(v < hi))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

// Rounding half away from zero: 2.5 gives 3, -2.5 gives -3, -0.4 gives 0.
inline std::int32_t roundToInt(double v)
{
    return truncToInt(v > 0.0 ? v + 0.5 : v - 0.5);
}
