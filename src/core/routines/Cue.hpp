#pragma once

// A moment the user chose to start a routine: a class, a time of the week, joining a network,
// connecting a display or an audio device, or opening an app.

#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Text.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ostrel {

struct CueEvent;

struct Cue {
    // Each case compares every value, display names and the order of weekdays included, with
    // text as Unicode text.
    struct Event { // a class of a recurring calendar series starts, by series key
        std::string seriesKey;
        friend bool operator==(const Event& a, const Event& b) {
            return text::equal(a.seriesKey, b.seriesKey);
        }
    };
    struct Time {
        std::vector<std::int64_t> weekdays; // 1 = Sunday ... 7 = Saturday, in the user's order
        std::int64_t minute = 0;            // hour * 60 + minute of local time

        // The instant of this cue's minute on the local day that holds `day`: the wall-clock time
        // of that day, so a clock change earlier in the day does not shift it; a time skipped by
        // the change moves forward by the gap. Minutes past the day's end roll over into the next
        // day. Nothing when the calendar has no such date.
        std::optional<Date> moment(Date day, const Calendar& calendar) const;

        // Whether a timer firing at `at` (ms since 1970) is this cue's: on one of its weekdays,
        // in its exact minute (seconds ignored). The minute is the wall-clock one, or the minute
        // that starts at the cue's moment when a clock change skipped its time that day.
        bool isDue(std::int64_t at, const Calendar& calendar) const;

        friend bool operator==(const Time&, const Time&) = default;
    };
    struct WiFi {
        std::string network; // the salted hash the Wi-Fi payload carries
        std::string name;    // for display only
        friend bool operator==(const WiFi& a, const WiFi& b) {
            return text::equal(a.network, b.network) && text::equal(a.name, b.name);
        }
    };
    struct Display {
        std::string uuid;
        std::string name; // for display only
        friend bool operator==(const Display& a, const Display& b) {
            return text::equal(a.uuid, b.uuid) && text::equal(a.name, b.name);
        }
    };
    struct AudioDevice {
        std::string uid;
        std::string name; // for display only
        friend bool operator==(const AudioDevice& a, const AudioDevice& b) {
            return text::equal(a.uid, b.uid) && text::equal(a.name, b.name);
        }
    };
    struct App { // opening an app, by bundle identifier
        std::string bundleID;
        friend bool operator==(const App& a, const App& b) { return text::equal(a.bundleID, b.bundleID); }
    };
    using Value = std::variant<Event, Time, WiFi, Display, AudioDevice, App>;

    // How long ahead of a time cue's minute, and how long after it, a moment still matches it (ms).
    static constexpr std::int64_t early = 900000;
    static constexpr std::int64_t late = 3600000;

    Value value;

    // The next instant strictly after `after` at which a time cue is due: its wall-clock minute
    // (see Time::moment) on the first of the next eight days, today included, whose weekday it
    // lists. Nothing for other cues, for a cue without weekdays, or when none of the eight days
    // has such an instant.
    std::optional<Date> next(Date after, const Calendar& calendar) const;

    // Whether a happening at `at` (ms since 1970) is the one this cue waits for: a time cue's
    // timer in its exact minute, or the network, display, audio device or app the cue names,
    // compared without case folding. Class cues are matched at class starts, never here; the
    // display names take no part.
    bool fulfilledBy(const CueEvent& event, std::int64_t at, const Calendar& calendar) const;

    // One member named after the case holding an object of the case's values: {"event":{"_0":key}},
    // {"time":{"weekdays":[2,4],"minute":540}}, {"wifi":{"network":…,"name":…}},
    // {"display":{"uuid":…,"name":…}}, {"audioDevice":{"uid":…,"name":…}}, {"app":{"_0":id}}.
    // Members that name no case are ignored; anything but exactly one case name fails with
    // "Invalid number of keys found, expected one.".
    static Cue fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const Cue& a, const Cue& b) { return a.value == b.value; }
    std::size_t hash() const;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::Cue> {
    std::size_t operator()(const ostrel::Cue& cue) const { return cue.hash(); }
};
