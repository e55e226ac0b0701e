#include "core/observations/SignalObservation.hpp"

#include <charconv>

namespace ostrel {

std::int64_t SignalObservation::stamp(Date at) {
    if (const auto milliseconds = roundedMilliseconds(at)) {
        return *milliseconds;
    }
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, at);
    throw json::EncodingError("date " + std::string(buffer, written.ptr) + " has no millisecond timestamp");
}

} // namespace ostrel
