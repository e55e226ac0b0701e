#pragma once

#include <string_view>
#include <vector>

namespace ostrel {

// The user-perceived characters (extended grapheme clusters) of UTF-8 text, in order, as views into
// it. An ill-formed byte sequence counts as one replacement character.
std::vector<std::string_view> graphemeClusters(std::string_view utf8);

// Whether a user-perceived character is a number: its first scalar has a Unicode numeric type
// (decimal digits, but also other digits and numerals such as "²", "½" or "Ⅻ").
bool isNumericCharacter(std::string_view character);

} // namespace ostrel
