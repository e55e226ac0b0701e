#pragma once

#include <optional>
#include <string_view>

namespace ostrel {

// Enumerations whose cases are stored as text give each case its text with toString(E) and
// specialise fromString<E>, which gives the case for a text or nothing for any other text.
template <class Enum>
std::optional<Enum> fromString(std::string_view text);

} // namespace ostrel
