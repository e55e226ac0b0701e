#pragma once

#include "core/foundation/Json.hpp"

#include <optional>
#include <string>

namespace ostrel {

// The payload of the app events ("app.launch", "app.activate", "app.hide", "app.unhide",
// "app.quit") and one element of the running-apps snapshot.
struct AppPayload {
    std::optional<std::string> bundleID;
    // The application's localised name.
    std::optional<std::string> name;
    // The file path of its bundle.
    std::optional<std::string> path;
    std::optional<bool> hidden;
    // Present, and true, only in excludedApp.
    std::optional<bool> excluded;

    AppPayload() = default;
    // A real application's payload; never marked excluded.
    AppPayload(std::optional<std::string> bundleID, std::optional<std::string> name,
               std::optional<std::string> path, std::optional<bool> hidden)
        : bundleID(std::move(bundleID)), name(std::move(name)), path(std::move(path)), hidden(hidden) {}

    // Recorded in place of the payload of an application on the exclusion list: the moment is
    // kept, the application is not named. Written as {"excluded":true}.
    static const AppPayload excludedApp;

    static AppPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const AppPayload& a, const AppPayload& b);
};

inline const AppPayload AppPayload::excludedApp = [] {
    AppPayload payload;
    payload.excluded = true;
    return payload;
}();

} // namespace ostrel
