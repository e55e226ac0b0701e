#pragma once

// Observations that the cue watch reads, as the sources write them, at time 0: a Wi-Fi network
// (none: no network), displays by UUID (an empty UUID: a display without one) and audio devices by
// UID. The caller sets ts when the moment matters.

#include "core/observations/Signal.hpp"
#include "core/observations/SignalObservation.hpp"

#include <string>
#include <vector>

namespace ostrel::test {

inline SignalObservation wifi(const char* network) {
    return {0, Signal::wifi, network ? std::string(R"({"network":")") + network + "\"}" : "{}"};
}

inline std::string display(const std::string& uuid) {
    const std::string id = uuid.empty() ? "" : R"("uuid":")" + uuid + "\",";
    return R"({"builtin":false,"height":900,"id":1,"main":false,"name":"D",)" + id +
           R"("width":1440,"x":0,"y":0})";
}

inline SignalObservation displays(const std::vector<std::string>& uuids) {
    std::string list;
    for (const std::string& uuid : uuids) {
        list += (list.empty() ? "" : ",") + display(uuid);
    }
    return {0, Signal::displays, R"({"displays":[)" + list + "]}"};
}

inline SignalObservation devices(const std::vector<std::string>& uids) {
    std::string list;
    for (const std::string& uid : uids) {
        list +=
            std::string(list.empty() ? "" : ",") + R"({"name":"N","transport":"usb","uid":")" + uid + "\"}";
    }
    return {0, Signal::audioDevices, R"({"devices":[)" + list + "]}"};
}

inline SignalObservation launched(const std::string& bundleID) {
    return {0, Signal::appLaunch, R"({"bundleID":")" + bundleID + "\"}"};
}

} // namespace ostrel::test
