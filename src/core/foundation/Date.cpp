#include "core/foundation/Date.hpp"

#include <cmath>

namespace ostrel {

namespace {

// 2^63 is exact as a double; every whole double in [-2^63, 2^63) fits an int64.
constexpr double int64Bound = 9223372036854775808.0;

std::optional<std::int64_t> wholeMilliseconds(double milliseconds) noexcept {
    if (!std::isfinite(milliseconds) || milliseconds < -int64Bound || milliseconds >= int64Bound) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(milliseconds);
}

} // namespace

std::optional<std::int64_t> roundedMilliseconds(Date date) noexcept {
    // std::round rounds halves away from zero.
    return wholeMilliseconds(std::round(date * 1000.0));
}

std::optional<std::int64_t> truncatedMilliseconds(Date date) noexcept {
    return wholeMilliseconds(std::trunc(date * 1000.0));
}

} // namespace ostrel
