#pragma once

#include "core/foundation/Json.hpp"

#include <string>
#include <vector>

namespace ostrel {

// The payload of "audio.devices": every audio device present, in an order that does not depend on
// how the system happened to list them, so the same devices always make the same payload.
struct AudioDevicesPayload {
    struct Device {
        std::string uid;
        std::string name;
        std::string transport; // a short name for how the device is connected

        static Device fromJSON(const json::Value& value);
        json::Value toJSON() const;
        friend bool operator==(const Device&, const Device&) = default;
    };

    std::vector<Device> devices; // ascending by uid

    // Sorts the devices by uid (byte order, which is scalar order for UTF-8); devices with equal
    // uids keep their given order.
    static AudioDevicesPayload make(std::vector<Device> devices);

    static AudioDevicesPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;
    friend bool operator==(const AudioDevicesPayload&, const AudioDevicesPayload&) = default;
};

} // namespace ostrel
