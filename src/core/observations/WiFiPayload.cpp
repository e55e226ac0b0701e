#include "core/observations/WiFiPayload.hpp"

#include "core/foundation/Sha256.hpp"

namespace ostrel {

WiFiPayload WiFiPayload::make(std::optional<std::string_view> networkName,
                              std::span<const std::uint8_t> salt) {
    if (!networkName) {
        return {};
    }
    std::string bytes(salt.begin(), salt.end());
    bytes += *networkName;
    const Sha256::Digest digest = Sha256::digest(bytes);
    return {lowercaseHex(std::span(digest).first(8))};
}

WiFiPayload WiFiPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<std::string>("network")};
}

json::Value WiFiPayload::toJSON() const {
    return json::ObjectWriter().set("network", network).done();
}

} // namespace ostrel
