#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// Fixed text rules applied to the words a user types to describe a routine. Pure functions; any
// thread may call them.
namespace Phrases {

enum class Moment { time, arriving, display, headphones, openApp };

// What kind of moment the words name, trying displays, headphones, arriving, opening an app and
// times of day in that order; nothing when none matches.
std::optional<Moment> moment(const std::string& text);

// Those of names that the words ask to hide, close, put away, minimise or quit, in the order they
// occur after the first such verb and before a following "open". An empty name never matches.
std::vector<std::string> hidden(const std::string& text, const std::vector<std::string>& names);

// Whether the words speak of window places at all.
bool placesWindows(const std::string& text);

} // namespace Phrases

} // namespace ostrel
