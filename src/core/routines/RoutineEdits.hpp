#pragma once

// Everything the user changed about one routine, or the whole of a routine the user made. Stored
// as JSON text per routine under the routine's context key id; the routine book merges it into the
// learned routines.

#include "core/episodes/Item.hpp"
#include "core/foundation/EnumText.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Text.hpp"
#include "core/observations/WindowPayload.hpp"
#include "core/routines/Cue.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ostrel {

struct RoutineEdits {
    // How a routine (or its tidy-up) runs. Stored as "automatic", "ask", "off".
    enum class Mode { automatic, ask, off };
    static constexpr std::array<Mode, 3> allModes = {Mode::automatic, Mode::ask, Mode::off};

    // Where an app's window goes: a side or the whole of the screen that holds it, or an exact
    // frame. JSON: {"left":{}}, {"right":{}}, {"full":{}}, {"frame":{"_0":{x, y, width, height}}}.
    struct Placement {
        struct Left {};
        struct Right {};
        struct Full {};
        using Value = std::variant<Left, Right, Full, WindowPayload::Frame>;

        Value value;

        static Placement left() { return {Left{}}; }
        static Placement right() { return {Right{}}; }
        static Placement full() { return {Full{}}; }
        static Placement frame(WindowPayload::Frame frame) { return {frame}; }

        // Members that name no case are ignored; anything but exactly one case name fails with
        // "Invalid number of keys found, expected one.".
        static Placement fromJSON(const json::Value& value);
        json::Value toJSON() const;

        friend bool operator==(const Placement& a, const Placement& b);
        std::size_t hash() const;
    };

    // Bundle identifiers, equal as Unicode text.
    using Layout = std::map<std::string, Placement, text::Less>;

    std::optional<std::string> name = std::nullopt; // none shows the system's own name
    std::vector<Item> added = {};                   // for a routine the user made, all it opens
    std::vector<Item> removed = {};                 // learned items taken out
    std::vector<std::string> putAway = {};          // bundle identifiers of apps to put away
    Layout layout = {};
    std::vector<Cue> cues = {};              // in the order the user added them
    bool learnedWhen = true;                 // still starts at its learned moment
    std::optional<Mode> mode = std::nullopt; // none leaves it to the autopilot's own tests
    bool mute = false;
    std::optional<std::string> shortcut = std::nullopt; // name of a Shortcut to run
    std::optional<Mode> tidyUp = std::nullopt;          // none applies the autopilot's default
    bool pickUp = true;                                 // add what was left open last time
    bool deleted = false;
    std::optional<std::int64_t> created = std::nullopt; // ms since 1970, for routines the user made

    // Whether setting up does anything besides opening items: putting apps away, placing windows,
    // muting or running a Shortcut.
    bool doesMoreThanOpen() const;

    // Whether these edits wait for a happening at `at` (ms since 1970): one of their cues is
    // fulfilled by it, unless the routine is deleted or switched off.
    bool awaits(const CueEvent& event, std::int64_t at, const Calendar& calendar) const;

    // Every key is optional: missing or null takes the default above; unknown keys are ignored. A
    // value of the wrong type, or an item, placement or cue that does not decode, fails the whole
    // record. Encoding leaves out name, mode, shortcut, tidyUp and created when they are not set.
    static RoutineEdits fromJSON(const json::Value& value);
    json::Value toJSON() const;

    // All fourteen fields equal: lists in order, layout as a map, text as Unicode text.
    friend bool operator==(const RoutineEdits& a, const RoutineEdits& b);
};

std::string_view toString(RoutineEdits::Mode mode);

template <>
std::optional<RoutineEdits::Mode> fromString<RoutineEdits::Mode>(std::string_view text);

} // namespace ostrel

template <>
struct std::hash<ostrel::RoutineEdits::Placement> {
    std::size_t operator()(const ostrel::RoutineEdits::Placement& placement) const {
        return placement.hash();
    }
};
