#pragma once

#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrel {

// The payload of "wifi": the current network, never by name, only as a salted hash that is the
// same on this installation for as long as its salt lives and different everywhere else.
struct WiFiPayload {
    // 16 lowercase hexadecimal digits; nothing when there is no network name to hash.
    std::optional<std::string> network;

    // The payload of a network name as read (no case folding, no normalisation): the first 8
    // bytes of SHA-256(salt bytes, then the name's bytes), in hexadecimal. An empty name is hashed
    // like any other.
    static WiFiPayload make(std::optional<std::string_view> networkName, std::span<const std::uint8_t> salt);

    static WiFiPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;
    friend bool operator==(const WiFiPayload&, const WiFiPayload&) = default;
};

} // namespace ostrel
