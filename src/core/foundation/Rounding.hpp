#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace ostrel {

// The nearest integer, halves away from zero, when it fits a signed 64-bit integer; nothing for a
// value that is not finite or rounds outside that range (converting those would be undefined).
inline std::optional<std::int64_t> roundedToInt64(double value) {
    const double rounded = std::round(value);
    // -2^63 and 2^63 are exact doubles; NaN fails both comparisons.
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

} // namespace ostrel
