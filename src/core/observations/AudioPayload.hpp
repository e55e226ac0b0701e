#pragma once

#include "core/foundation/Json.hpp"

#include <optional>
#include <string>

namespace ostrel {

// The payload of "audio": the default output device and its state.
struct AudioPayload {
    std::string deviceUID;
    std::string name;
    // The transport kind, as the short name the audio source gives it.
    std::string transport;
    // The device's current data source, when it has one.
    std::optional<std::string> dataSource;
    // Output volume, two decimals after construction.
    std::optional<double> volume;
    std::optional<bool> muted;

    AudioPayload() = default;
    // Rounds volume to two decimals, halves away from zero (0.125 becomes 0.13), so readings that
    // differ only past the second decimal make the same payload.
    AudioPayload(std::string deviceUID, std::string name, std::string transport,
                 std::optional<std::string> dataSource, std::optional<double> volume,
                 std::optional<bool> muted);

    // Decoding stores what the text holds, without rounding.
    static AudioPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const AudioPayload& a, const AudioPayload& b);
};

} // namespace ostrel
