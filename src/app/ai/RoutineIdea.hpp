#pragma once

#include "app/ai/InstalledApps.hpp"
#include "app/signals/PlaceSignal.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/foundation/Json.hpp"
#include "core/observations/AudioDevicesPayload.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The language model's answer to a student's description of a routine, and the routine edits made
// from it. The model answers in the JSON form of schema(); decode() reads that answer strictly, and
// draft() turns it into edits without trusting the model alone: every app is matched against the
// installed apps, hiding, window places and the kind of moment are checked against the student's
// own words, classes against the calendar series and devices against what is connected now. What
// cannot be matched becomes a note for the student, never an error.
//
// Pure values and functions: no model, no clock, no platform; any thread may use them.
namespace ostrel {

// The model's answer could not be read as a RoutineIdea: not JSON, a property missing or of the
// wrong type, a text that names no case, a number outside its range. The message says which.
class IdeaDecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The days a time moment may name; their texts are the case names.
enum class Day { monday, tuesday, wednesday, thursday, friday, saturday, sunday };
// Where an app's window goes; their texts are the case names.
enum class Side { left, right, wholeScreen };

std::string_view toString(Day day);
std::string_view toString(Side side);
// 1 = Sunday, 2 = Monday ... 7 = Saturday, as time cues count them.
std::int64_t weekdayNumber(Day day);

struct AppPlace {
    std::string app; // as the model named it
    Side side = Side::left;

    friend bool operator==(const AppPlace&, const AppPlace&) = default;
};

struct Moment {
    // The seven kinds the model may choose from, in the order the schema lists them.
    static constexpr std::string_view atTime = "at a time of day";
    static constexpr std::string_view arriving = "arriving at a place, such as the library or home";
    static constexpr std::string_view pluggingDisplay = "plugging in a monitor or display";
    static constexpr std::string_view connectingHeadphones = "connecting headphones or AirPods";
    static constexpr std::string_view openingApp = "opening a particular app";
    static constexpr std::string_view classStarting = "a class starting";
    static constexpr std::string_view onlyWhenAsked = "only when asked";

    std::string kind;
    std::int64_t hour = 0;   // 0...23
    std::int64_t minute = 0; // 0...59
    std::vector<Day> days;   // empty: every weekday
    std::string name;        // the app to watch for, or the class

    friend bool operator==(const Moment&, const Moment&) = default;
};

// What drafting produced: the edits of a new routine and, in the order they arose, sentences for
// the student about what could not be matched.
struct Described {
    RoutineEdits edits;
    std::vector<std::string> notes;

    friend bool operator==(const Described&, const Described&) = default;
};

struct RoutineIdea {
    std::string name;
    std::vector<std::string> apps;     // to open, as the model named them
    std::vector<std::string> websites; // as the model wrote them
    std::vector<AppPlace> places;
    std::vector<std::string> hide; // apps, as the model named them
    bool mute = false;
    Moment when;

    friend bool operator==(const RoutineIdea&, const RoutineIdea&) = default;

    // A connected external display as the routine editor lists it.
    struct Display {
        std::string uuid;
        std::string name;

        friend bool operator==(const Display&, const Display&) = default;
    };

    // What the draft matches an idea against, all read by the caller at the moment of asking.
    struct Surroundings {
        std::vector<InstalledApps::App> apps;           // the installed apps, in the scan's order
        std::vector<CalendarSeries> series;             // the student's classes
        std::optional<PlaceSignal::Network> network;    // the Wi-Fi network joined now
        std::vector<Display> displays;                  // external displays, in connection order
        std::vector<AudioDevicesPayload::Device> audio; // external audio outputs, in order
    };

    // The JSON Schema the model's answer must follow. Properties stand in the order in which the
    // model should write them (so the value is an ordered_json: the core's json::Value would sort
    // them), each with its description; every property is required and no other is allowed; the
    // kind is one of the seven texts, hour and minute are bounded, days and sides are their case
    // names.
    static nlohmann::ordered_json schema();

    // Reads the model's answer. Properties are read in schema order and the first one missing,
    // null or of the wrong type stops reading; nothing is coerced (a number is never a text).
    // Unknown properties are ignored. A day or side that is not exactly a case name fails with
    // "Unexpected value \"<text>\" for Day" (or Side); an hour outside 0...23 or a minute outside
    // 0...59 fails too. Throws IdeaDecodingError.
    static RoutineIdea decode(std::string_view text);
    static RoutineIdea fromJSON(const json::Value& value);
    // The idea as the model would write it, in schema order.
    nlohmann::ordered_json toJSON() const;

    // The edits of a new routine made from this idea and the student's words (see the header's
    // opening). Writes only name, added, layout, putAway, mute and cues; one cue at most. Never
    // fails.
    Described draft(const std::string& words, const Surroundings& surroundings) const;
};

} // namespace ostrel
