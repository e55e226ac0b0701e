#pragma once

// How GoogleTest shows the core's records in failure messages.

#include "core/episodes/Trigger.hpp"
#include "core/observations/SignalObservation.hpp"

#include <ostream>

namespace ostrel {

inline void PrintTo(const Trigger& trigger, std::ostream* out) {
    *out << "{" << trigger.ts << ", " << toString(trigger.kind) << "}";
}

inline void PrintTo(const SignalObservation& observation, std::ostream* out) {
    *out << "{" << observation.ts << ", " << observation.signal.rawValue << ", " << observation.payload
         << "}";
}

} // namespace ostrel
