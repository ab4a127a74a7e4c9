#pragma once

#include <cmath>

namespace tamarisk::ui {

/// Nearest integer to value, halves to the even neighbour (2.5 gives 2, 3.5 gives 4, -0.5 gives 0), the
/// rule by which the window turns real numbers into integers. Independent of the floating-point rounding
/// mode.
inline double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

} // namespace tamarisk::ui
