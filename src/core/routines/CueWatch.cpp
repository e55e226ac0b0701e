#include "core/routines/CueWatch.hpp"

#include "core/foundation/Text.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/AudioDevicesPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/Signal.hpp"
#include "core/observations/WiFiPayload.hpp"

namespace ostrel {

namespace {

// Seeds the field on first sight; afterwards one event per identifier not seen last time.
template <class Make>
std::vector<CueEvent> connected(std::optional<std::set<std::string>>& last, std::set<std::string> now,
                                Make make) {
    std::vector<CueEvent> events;
    if (last) {
        for (const std::string& id : now) {
            if (!last->contains(id)) {
                events.push_back(make(id));
            }
        }
    }
    last = std::move(now);
    return events;
}

} // namespace

std::vector<CueEvent> CueWatch::events(const SignalObservation& observation) {
    const Signal& signal = observation.signal;
    if (signal == Signal::wifi) {
        const auto payload = observation.decoded<WiFiPayload>();
        if (!payload) {
            return {};
        }
        const std::optional<std::optional<std::string>> last = std::move(network);
        network.emplace(payload->network);
        // Losing the network, or the first sight of one, is no happening; joining one after none
        // or after another is.
        if (!payload->network || !last) {
            return {};
        }
        if (!*last || !text::equal(**last, *payload->network)) {
            return {CueEvent::wifi(*payload->network)};
        }
        return {};
    }
    if (signal == Signal::displays) {
        const auto payload = observation.decoded<DisplaysPayload>();
        if (!payload) {
            return {};
        }
        std::set<std::string> now;
        for (const DisplaysPayload::Display& display : payload->displays) {
            if (display.uuid) {
                now.insert(*display.uuid);
            }
        }
        return connected(displays, std::move(now), &CueEvent::display);
    }
    if (signal == Signal::audioDevices) {
        const auto payload = observation.decoded<AudioDevicesPayload>();
        if (!payload) {
            return {};
        }
        std::set<std::string> now;
        for (const AudioDevicesPayload::Device& device : payload->devices) {
            now.insert(device.uid);
        }
        return connected(devices, std::move(now), &CueEvent::audioDevice);
    }
    if (signal == Signal::appLaunch) {
        const auto payload = observation.decoded<AppPayload>();
        // Excluded apps are recorded without a bundle identifier: they start nothing.
        if (!payload || !payload->bundleID) {
            return {};
        }
        return {CueEvent::app(*payload->bundleID)};
    }
    return {};
}

} // namespace ostrel
