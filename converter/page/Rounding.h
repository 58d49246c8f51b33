// Rounding of reals to integers for page geometry: to nearest, ties to even, as the GDI
// conversions round. Values beyond the 32-bit range saturate instead of wrapping, and NaN
// gives 0, so a degenerate header can never produce undefined behaviour downstream.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline std::int32_t RoundToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(rounded);
}
