#include "app/home/Duration.hpp"

#include <cmath>

namespace ostrel::Duration {

std::string words(std::int64_t milliseconds) {
    // Half away from zero, as llround does; a double holds any span of minutes exactly enough.
    const std::int64_t minutes = std::llround(static_cast<double>(milliseconds) / 60'000.0);
    if (milliseconds >= 1 && minutes == 0) {
        return milliseconds >= 1'000 ? std::to_string(milliseconds / 1'000) + " s" : "under a minute";
    }
    if (minutes > 59) {
        const std::int64_t hours = minutes / 60;
        const std::int64_t rest = minutes % 60;
        return rest == 0 ? std::to_string(hours) + " h"
                         : std::to_string(hours) + " h " + std::to_string(rest) + " min";
    }
    return std::to_string(minutes) + " min";
}

} // namespace ostrel::Duration
