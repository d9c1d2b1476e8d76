#pragma once

#include <cmath>
#include <cstdint>

/// Round: the nearest integer, a half going to the even neighbour (150.5 -> 150, 151.5 -> 152).
/// nearbyint honours the default rounding mode, round-to-nearest-even, and is exact where a
/// hand-written floor-and-compare can be fooled by the rounding of v - floor(v).
inline std::int64_t roundHalfEven(double v)
{
    return static_cast<std::int64_t>(std::nearbyint(v));
}

/// Trunc: v with its fraction dropped, toward zero.
inline std::int64_t truncateTowardZero(double v)
{
    return static_cast<std::int64_t>(std::trunc(v));
}
