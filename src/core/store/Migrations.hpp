#pragma once

#include <array>
#include <string_view>

namespace ostrel {

// The schema scripts in order: script n turns a version n - 1 file into a version n file. Stored
// files depend on these texts; they never change, a new version only appends a script.
extern const std::array<std::string_view, 4> migrationScripts;

} // namespace ostrel
