#include "core/observations/AudioDevicesPayload.hpp"

#include <algorithm>

namespace ostrel {

AudioDevicesPayload::Device AudioDevicesPayload::Device::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::string>("uid"), reader.required<std::string>("name"),
            reader.required<std::string>("transport")};
}

json::Value AudioDevicesPayload::Device::toJSON() const {
    return json::ObjectWriter().set("uid", uid).set("name", name).set("transport", transport).done();
}

AudioDevicesPayload AudioDevicesPayload::make(std::vector<Device> devices) {
    std::stable_sort(devices.begin(), devices.end(),
                     [](const Device& a, const Device& b) { return a.uid < b.uid; });
    return {std::move(devices)};
}

AudioDevicesPayload AudioDevicesPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::vector<Device>>("devices")};
}

json::Value AudioDevicesPayload::toJSON() const {
    return json::ObjectWriter().set("devices", devices).done();
}

} // namespace ostrel
