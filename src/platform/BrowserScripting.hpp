#pragma once

#include "platform/Availability.hpp"

#include <optional>
#include <string>

namespace ostrel {

// What a script run gave: its result's text, or the error the system reported.
struct ScriptResult {
    // The result's string value; absent when the script ran but gave no text, or failed.
    std::optional<std::string> text;
    // The system's error number when the script failed (BrowserScripting's constants).
    std::optional<int> error;
    // The system's description of the error, for the log; empty without one.
    std::string message;

    bool failed() const { return error.has_value(); }

    static ScriptResult success(std::optional<std::string> text) { return {std::move(text), std::nullopt, {}}; }
    static ScriptResult failure(int error, std::string message) { return {std::nullopt, error, std::move(message)}; }

    friend bool operator==(const ScriptResult&, const ScriptResult&) = default;
};

// Scripting other applications (browsers) by a script text, under the user's per-application
// permission.
//
// Threading: every member may be called from any thread. permission() may block (the system may
// show a question to the user), so callers keep it off the main executor; run() blocks for at most
// the time-out its script sets.
class BrowserScripting {
public:
    // Error numbers of permission() and run().
    static constexpr int granted = 0;
    static constexpr int notPermitted = -1743;         // the user refused, or the system does
    static constexpr int wouldRequireConsent = -1744;  // not decided yet and not to be asked
    static constexpr int appNotRunning = -600;         // the target is not running
    static constexpr int timedOut = -1712;             // the target did not answer in time
    static constexpr int notUnderstood = -1708;        // the target does not understand the script

    virtual ~BrowserScripting() = default;

    virtual Availability availability() const = 0;

    // Whether this application may script the application of that id: granted (0) or the
    // system's refusal. With askUser the system may ask the user first, when they have not
    // decided; without, it only looks up what was decided.
    virtual int permission(const std::string& appID, bool askUser) = 0;

    // Compiles and runs script (its own text names the target application).
    virtual ScriptResult run(const std::string& script) = 0;
};

} // namespace ostrel
