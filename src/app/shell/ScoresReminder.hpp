#pragma once

#include "core/foundation/Date.hpp"

#include <functional>
#include <optional>
#include <string>

namespace ostrel {

class AppInfo;
class Settings;

// When to remind the user to send their scores: three weeks after the first launch, at most three
// times, two days apart, never once the scores were sent. The counters live in Settings
// ("scoresReminded", "scoresLastReminded"), so they survive restarts.
//
// Threading: main executor (the settings themselves may be used from any thread).
class ScoresReminder {
public:
    static constexpr double firstAfter = 1'814'400; // seconds after the first launch: 21 days
    static constexpr double apart = 172'800;        // seconds between two reminders: 2 days
    static constexpr std::int64_t most = 3;         // reminders in all

    // Stores now as "firstLaunch" when it has no value, then, when a reminder is due, counts it in
    // the settings and calls open (which shows the export as a reminder). Mistyped values read as
    // now (first launch), 0 (reminders), the distant past (last reminder) and false (sent). A
    // reminder whose counters cannot be stored is not shown, so a broken settings file never
    // brings one at every unlock. Returns whether open was called.
    static bool showIfDue(Settings& settings, Date now, const std::function<void()>& open);

    // The address "Email my scores" writes to: the deployment value "OstrelScoresEmail"; nothing
    // when it is empty. Read afresh each time.
    static std::optional<std::string> recipient(const AppInfo& info);
};

} // namespace ostrel
