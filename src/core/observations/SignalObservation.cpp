#include "core/observations/SignalObservation.hpp"

#include <algorithm>
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

std::vector<const SignalObservation*> sortedByTime(std::span<const SignalObservation> observations) {
    std::vector<const SignalObservation*> sorted;
    sorted.reserve(observations.size());
    for (const SignalObservation& observation : observations) {
        sorted.push_back(&observation);
    }
    const auto byTime = [](const SignalObservation* a, const SignalObservation* b) { return a->ts < b->ts; };
    if (!std::is_sorted(sorted.begin(), sorted.end(), byTime)) {
        std::stable_sort(sorted.begin(), sorted.end(), byTime);
    }
    return sorted;
}

} // namespace ostrel
