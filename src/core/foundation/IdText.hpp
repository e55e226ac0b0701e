#pragma once

// The text forms of items and context keys: a kind, a colon and the rest, with nothing escaped.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel::idtext {

// Splits at colons into at most maxSplits + 1 parts. Empty parts (leading or doubled colons) are
// dropped and do not count; once maxSplits non-empty parts have been ended by a colon, everything
// after that colon is the last part, kept whole with any colons, when it is not empty.
std::vector<std::string_view> split(std::string_view text, std::size_t maxSplits);

// An optional "+" or "-" and one or more ASCII digits, nothing else, within 64 bits.
std::optional<std::int64_t> parseInteger(std::string_view text);

} // namespace ostrel::idtext
