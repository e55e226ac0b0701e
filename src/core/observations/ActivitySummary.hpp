#pragma once

#include "core/observations/SignalObservation.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace ostrel {

// What the user used in a list of observations, most recent first: apps brought to the front,
// documents and titled windows that got focus or changed, and the sites of browser tabs, each
// named once. Pure; payloads that do not decode are skipped.
struct ActivitySummary {
    struct App {
        std::string bundleID;
        friend bool operator==(const App& a, const App& b);
    };
    struct Document {
        std::string path;
        friend bool operator==(const Document& a, const Document& b);
    };
    // A window named by its title, in an app whose titles name the item.
    struct Note {
        std::string app; // bundle identifier
        std::string title;
        friend bool operator==(const Note& a, const Note& b);
    };
    struct Site {
        std::string site;
        friend bool operator==(const Site& a, const Site& b);
    };
    // Equal when the same case holds canonically equivalent texts.
    using Used = std::variant<App, Document, Note, Site>;

    std::vector<Used> items; // distinct, newest use first
    std::optional<std::int64_t> lastNoticed;
    std::int64_t noticed = 0; // every observation given, whatever its signal

    ActivitySummary() = default;
    // The observations may come in any order; at equal ts the later one in the list counts as older.
    explicit ActivitySummary(std::span<const SignalObservation> observations);

    friend bool operator==(const ActivitySummary&, const ActivitySummary&) = default;
};

} // namespace ostrel
