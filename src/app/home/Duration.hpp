#pragma once

#include <cstdint>
#include <string>

// The one wording of a span of time wherever the application states an amount of time: the time
// page's numbers and rows, and the facts the look-back hands the language model. English, with
// no locale: the same words everywhere.
namespace ostrel::Duration {

// Milliseconds in words: "under a minute" below a second, whole seconds up to half a minute
// ("29 s"), then minutes rounded half away from zero ("59 min"), from an hour "1 h" or "1 h 5 min";
// hours never turn into days ("100 h"). A negative span follows the minutes rule ("-1 min").
std::string words(std::int64_t milliseconds);

} // namespace ostrel::Duration
