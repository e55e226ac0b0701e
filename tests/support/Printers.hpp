#pragma once

// How GoogleTest shows the core's records in failure messages.

#include "core/episodes/Trigger.hpp"
#include "core/observations/ActivitySummary.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/observations/TimeReport.hpp"

#include <ostream>

namespace ostrel {

inline void PrintTo(const Trigger& trigger, std::ostream* out) {
    *out << "{" << trigger.ts << ", " << toString(trigger.kind) << "}";
}

inline void PrintTo(const SignalObservation& observation, std::ostream* out) {
    *out << "{" << observation.ts << ", " << observation.signal.rawValue << ", " << observation.payload
         << "}";
}

inline void PrintTo(const TimeReport::Usage& usage, std::ostream* out) {
    *out << "{" << usage.key << ", " << usage.ms << "}";
}

inline void PrintTo(const ActivitySummary::App& used, std::ostream* out) {
    *out << "app " << used.bundleID;
}
inline void PrintTo(const ActivitySummary::Document& used, std::ostream* out) {
    *out << "document " << used.path;
}
inline void PrintTo(const ActivitySummary::Note& used, std::ostream* out) {
    *out << "note " << used.app << " " << used.title;
}
inline void PrintTo(const ActivitySummary::Site& used, std::ostream* out) {
    *out << "site " << used.site;
}

} // namespace ostrel
