#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Finds links written into free text, in text order: URLs with a scheme ("https://...",
// "ftp://...", "mailto:...") and "www." hosts, which are completed with "http://". Punctuation that
// ends a sentence or closes an unopened bracket is not part of a link. Mail addresses come back as
// "mailto:" links. Each link comes back as text, the way it would be opened.
namespace LinkDetector {

// How much of a text is searched, in bytes. Text past it is ignored, and so is a link that reaches
// past it.
inline constexpr std::size_t scanLimit = 256 * 1024;

std::vector<std::string> links(std::string_view text);

} // namespace LinkDetector

} // namespace ostrel
