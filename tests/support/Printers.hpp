#pragma once

// How GoogleTest shows the core's records in failure messages.

#include "core/calendar/CalendarEvent.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <ostream>

namespace ostrel {

inline void PrintTo(const Trigger& trigger, std::ostream* out) {
    *out << "{" << trigger.ts << ", " << toString(trigger.kind) << "}";
}

inline void PrintTo(const SignalObservation& observation, std::ostream* out) {
    *out << "{" << observation.ts << ", " << observation.signal.rawValue << ", " << observation.payload
         << "}";
}

inline void PrintTo(const CalendarEvent& event, std::ostream* out) {
    *out << "{" << event.key << " @" << event.occurrence << (event.recurring ? " recurring" : "") << " \""
         << event.title << "\" " << event.start << ".." << event.end << " at " << event.location.value_or("-")
         << " in " << event.calendar << ", " << event.links.size() << " links}";
}

inline void PrintTo(const CalendarSeries& series, std::ostream* out) {
    *out << "{" << series.key << " \"" << series.title << "\" " << series.firstSeen << "}";
}

// Records print as their JSON, or as a note when they have none (text that is not UTF-8).
template <class Record>
requires json::EncodableRecord<Record>
void printAsJSON(const Record& record, std::ostream* out) {
    try {
        *out << json::encodeRecord(record);
    } catch (const json::EncodingError& error) {
        *out << "<no JSON: " << error.what() << ">";
    }
}

inline void PrintTo(const RoutineEdits& edits, std::ostream* out) {
    printAsJSON(edits, out);
}
inline void PrintTo(const RoutineEdits::Placement& placement, std::ostream* out) {
    printAsJSON(placement, out);
}
inline void PrintTo(const Cue& cue, std::ostream* out) {
    printAsJSON(cue, out);
}

} // namespace ostrel
