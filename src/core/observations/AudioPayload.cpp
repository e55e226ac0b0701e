#include "core/observations/AudioPayload.hpp"

#include "core/foundation/UnicodeText.hpp"

#include <cmath>

namespace ostrel {

AudioPayload::AudioPayload(std::string deviceUID, std::string name, std::string transport,
                           std::optional<std::string> dataSource, std::optional<double> volume,
                           std::optional<bool> muted)
    : deviceUID(std::move(deviceUID)), name(std::move(name)), transport(std::move(transport)),
      dataSource(std::move(dataSource)), muted(muted) {
    if (volume) {
        this->volume = std::round(*volume * 100) / 100;
    }
}

AudioPayload AudioPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    AudioPayload payload;
    payload.deviceUID = reader.required<std::string>("deviceUID");
    payload.name = reader.required<std::string>("name");
    payload.transport = reader.required<std::string>("transport");
    payload.dataSource = reader.optional<std::string>("dataSource");
    payload.volume = reader.optional<double>("volume");
    payload.muted = reader.optional<bool>("muted");
    return payload;
}

json::Value AudioPayload::toJSON() const {
    return json::ObjectWriter()
        .set("deviceUID", deviceUID)
        .set("name", name)
        .set("transport", transport)
        .set("dataSource", dataSource)
        .set("volume", volume)
        .set("muted", muted)
        .done();
}

bool operator==(const AudioPayload& a, const AudioPayload& b) {
    return canonicallyEqual(a.deviceUID, b.deviceUID) && canonicallyEqual(a.name, b.name) &&
           canonicallyEqual(a.transport, b.transport) && canonicallyEqual(a.dataSource, b.dataSource) &&
           a.volume == b.volume && a.muted == b.muted;
}

} // namespace ostrel
