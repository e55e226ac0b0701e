#pragma once

// Happenings a user's cue can wait for, read from the observations as they are written: joining a
// Wi-Fi network, connecting a display or an audio device, launching an app, or a time-cue timer
// firing.

#include "core/foundation/Text.hpp"
#include "core/observations/SignalObservation.hpp"

#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace ostrel {

struct CueEvent {
    // Each case compares its text as Unicode text.
    struct WiFi { // the salted hash of the network joined
        std::string network;
        friend bool operator==(const WiFi& a, const WiFi& b) { return text::equal(a.network, b.network); }
    };
    struct Display { // by UUID
        std::string uuid;
        friend bool operator==(const Display& a, const Display& b) { return text::equal(a.uuid, b.uuid); }
    };
    struct AudioDevice { // by UID
        std::string uid;
        friend bool operator==(const AudioDevice& a, const AudioDevice& b) {
            return text::equal(a.uid, b.uid);
        }
    };
    struct App { // launched, by bundle identifier
        std::string bundleID;
        friend bool operator==(const App& a, const App& b) { return text::equal(a.bundleID, b.bundleID); }
    };
    struct Time { // a time-cue timer fired; the instant travels beside the event
        friend bool operator==(const Time&, const Time&) = default;
    };
    using Value = std::variant<WiFi, Display, AudioDevice, App, Time>;

    Value value;

    static CueEvent wifi(std::string network) { return {WiFi{std::move(network)}}; }
    static CueEvent display(std::string uuid) { return {Display{std::move(uuid)}}; }
    static CueEvent audioDevice(std::string uid) { return {AudioDevice{std::move(uid)}}; }
    static CueEvent app(std::string bundleID) { return {App{std::move(bundleID)}}; }
    static CueEvent time() { return {Time{}}; }

    friend bool operator==(const CueEvent& a, const CueEvent& b) { return a.value == b.value; }
};

// What was last seen of networks, displays and audio devices, so that only a change counts as a
// happening. The first observation of each kind only seeds the watch: what is already connected
// when watching starts is no happening. The owner serialises its use.
struct CueWatch {
    // Not yet observed; observed without a network; or the hash of the last network observed.
    std::optional<std::optional<std::string>> network;
    std::optional<std::set<std::string>> displays; // UUIDs of the last display observation
    std::optional<std::set<std::string>> devices;  // UIDs of the last audio-device observation

    // The happenings one written observation gives, updating the watch: a network joined (after
    // none or another one), each newly connected display and audio device in ascending order, and
    // every app launch with a bundle identifier. Another signal, or a payload that does not
    // decode, gives nothing and leaves the watch as it was.
    std::vector<CueEvent> events(const SignalObservation& observation);

    friend bool operator==(const CueWatch&, const CueWatch&) = default;
};

} // namespace ostrel
