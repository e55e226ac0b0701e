#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace ostrel {

// A moment as seconds since 1970 (UTC), the unit the system's date arithmetic is written in.
// Stored and learned times are whole milliseconds; the conversions below refuse a date that has no
// millisecond form (not finite, or past the range of int64) instead of converting it.
using Date = double;

// A date that cannot be turned into milliseconds.
class DateRangeError : public std::range_error {
public:
    using std::range_error::range_error;
};

// Seconds × 1000 rounded to the nearest integer, halves away from zero (0.0625 s gives 63 ms).
std::optional<std::int64_t> roundedMilliseconds(Date date) noexcept;

// Seconds × 1000 truncated toward zero (0.0625 s gives 62 ms).
std::optional<std::int64_t> truncatedMilliseconds(Date date) noexcept;

} // namespace ostrel
