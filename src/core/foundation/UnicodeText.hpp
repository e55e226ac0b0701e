#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// Equality of UTF-8 texts as Unicode text: canonically equivalent strings are equal ("é" written
// as one scalar or as "e" and a combining accent). Ill-formed bytes compare as U+FFFD.
bool canonicallyEqual(std::string_view a, std::string_view b);
inline bool canonicallyEqual(const std::string& a, const std::string& b) {
    return canonicallyEqual(std::string_view(a), std::string_view(b));
}

// Two missing texts are equal; a missing text equals no text.
bool canonicallyEqual(const std::optional<std::string>& a, const std::optional<std::string>& b);

} // namespace ostrel
