#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The web links of a calendar event: its explicit link fields first, then the links written into
// its free text, without duplicates and without the boiler-plate links invitations carry.
namespace EventLinks {

inline constexpr std::size_t limit = 4;

// explicitLinks are link fields in order, texts free-text fields (notes, location) in order; absent
// and empty values add nothing. Keeps http and https links only, at most `limit`.
std::vector<std::string> links(const std::vector<std::optional<std::string>>& explicitLinks,
                               const std::vector<std::optional<std::string>>& texts);

} // namespace EventLinks

} // namespace ostrel
