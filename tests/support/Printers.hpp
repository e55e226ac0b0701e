#pragma once

// How GoogleTest shows the core's records in failure messages.

#include "core/calendar/CalendarEvent.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Item.hpp"
#include "core/episodes/Setting.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/learning/Routine.hpp"
#include "core/observations/ActivitySummary.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/observations/TimeReport.hpp"
#include "core/routines/CueWatch.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

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

inline void PrintTo(const CueEvent& event, std::ostream* out) {
    std::visit(
        [out](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, CueEvent::WiFi>) {
                *out << "wifi(" << value.network << ")";
            } else if constexpr (std::is_same_v<T, CueEvent::Display>) {
                *out << "display(" << value.uuid << ")";
            } else if constexpr (std::is_same_v<T, CueEvent::AudioDevice>) {
                *out << "audioDevice(" << value.uid << ")";
            } else if constexpr (std::is_same_v<T, CueEvent::App>) {
                *out << "app(" << value.bundleID << ")";
            } else {
                *out << "time";
            }
        },
        event.value);
}

inline void PrintTo(const Item& item, std::ostream* out) {
    *out << item.id();
}

inline void PrintTo(const Setting& setting, std::ostream* out) {
    if (const auto* output = std::get_if<Setting::Output>(&setting.value)) {
        *out << "output(" << output->deviceUID << ")";
    } else if (const auto* volume = std::get_if<Setting::Volume>(&setting.value)) {
        *out << "volume(" << volume->volume << ")";
    } else {
        *out << "muted(" << std::get<Setting::Muted>(setting.value).muted << ")";
    }
}

// One line per part, layout entries by id so that the text does not depend on hashing.
inline void PrintTo(const Episode& episode, std::ostream* out) {
    const auto items = [out](const char* name, const std::vector<Item>& list) {
        *out << "\n  " << name << ":";
        for (const Item& item : list) {
            *out << " " << item.id();
        }
    };
    *out << "{";
    PrintTo(episode.trigger, out);
    *out << " start " << episode.start << " end " << episode.end;
    *out << "\n  events:";
    for (const CalendarEvent& event : episode.context.events) {
        *out << " " << event.key << "@" << event.start;
    }
    *out << "\n  network: " << episode.context.network.value_or("-");
    if (const auto& location = episode.context.location) {
        *out << " location: " << location->latitude << "," << location->longitude;
    }
    *out << "\n  displays:";
    for (const std::string& display : episode.context.displays) {
        *out << " " << display;
    }
    items("open", episode.context.open);
    items("broughtUp", episode.setup.broughtUp);
    items("carried", episode.setup.carried);
    *out << "\n  putAway:";
    for (const std::string& bundleID : episode.setup.putAway) {
        *out << " " << bundleID;
    }
    std::vector<std::string> layout;
    for (const auto& [item, frame] : episode.setup.layout) {
        layout.push_back(item.id() + "=" + std::to_string(frame.x) + "," + std::to_string(frame.y) + "," +
                         std::to_string(frame.width) + "," + std::to_string(frame.height));
    }
    std::sort(layout.begin(), layout.end());
    *out << "\n  layout:";
    for (const std::string& entry : layout) {
        *out << " " << entry;
    }
    *out << "\n  settings:";
    for (const Setting& setting : episode.setup.settings) {
        *out << " ";
        PrintTo(setting, out);
    }
    *out << "}";
}

inline void PrintTo(const Routine& routine, std::ostream* out) {
    *out << "{" << routine.key.id() << " [";
    for (std::size_t i = 0; i < routine.items.size(); ++i) {
        *out << (i == 0 ? "" : ", ") << routine.items[i].id();
    }
    *out << "] support " << routine.support << ", confidence " << routine.confidence << ", "
         << toString(routine.trust) << ", edits ";
    printAsJSON(routine.edits, out);
    *out << "}";
}

} // namespace ostrel
