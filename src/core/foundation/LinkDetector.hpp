#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Finds links written into free text, in text order: URLs with a scheme ("https://...",
// "ftp://...", "mailto:...") and "www." hosts, which are completed with "http://". Punctuation that
// ends a sentence or closes an unopened bracket is not part of a link. Mail addresses come back as
// "mailto:" links. Each link comes back as text, the way it would be opened.
namespace LinkDetector {

std::vector<std::string> links(std::string_view text);

} // namespace LinkDetector

} // namespace ostrel
