#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// True when bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// The bytes decoded as UTF-8 with every ill-formed sequence replaced by U+FFFD, one replacement per
// maximal subpart (the Unicode-recommended practice); well-formed input comes back unchanged.
std::string repairUtf8(std::string_view bytes);

} // namespace ostrel
