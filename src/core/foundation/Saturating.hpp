#pragma once

// Sums and differences of stored times, clamped to the range of int64. Stored data may hold any
// integer, and a bound or distance that overflows must still compare as the huge value it is
// instead of wrapping (which would also be undefined behaviour).

#include <cstdint>
#include <limits>

namespace ostrel {

constexpr std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) {
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return result;
}

constexpr std::int64_t saturatingSub(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result)) {
        return a > b ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    return result;
}

} // namespace ostrel
