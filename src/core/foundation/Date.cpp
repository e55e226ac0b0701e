#include "core/foundation/Date.hpp"

#include "core/foundation/Rounding.hpp"

#include <cmath>

namespace ostrel {

std::optional<std::int64_t> roundedMilliseconds(Date date) noexcept {
    return roundedToInt64(date * 1000.0);
}

std::optional<std::int64_t> truncatedMilliseconds(Date date) noexcept {
    const double milliseconds = std::trunc(date * 1000.0);
    // -2^63 and 2^63 are exact doubles; NaN fails both comparisons.
    if (!(milliseconds >= -9223372036854775808.0 && milliseconds < 9223372036854775808.0)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(milliseconds);
}

} // namespace ostrel
