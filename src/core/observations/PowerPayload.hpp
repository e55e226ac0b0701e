#pragma once

#include "core/foundation/EnumText.hpp"
#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>
#include <string_view>

namespace ostrel {

// The payload of "power": the source in use and the battery's state.
struct PowerPayload {
    enum class Source { ac, battery, ups };

    Source source = Source::ac;
    // Charge in percent, a multiple of 5 after construction.
    std::optional<std::int64_t> batteryPercent;
    std::optional<bool> charging;

    PowerPayload() = default;
    // Cuts batteryPercent down to a multiple of 5, toward zero (99 becomes 95, -7 becomes -5), so
    // small changes of charge make the same payload.
    PowerPayload(Source source, std::optional<std::int64_t> batteryPercent, std::optional<bool> charging);

    // Decoding stores what the text holds; a source other than the three names fails it.
    static PowerPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const PowerPayload&, const PowerPayload&) = default;
};

std::string_view toString(PowerPayload::Source source);
template <>
std::optional<PowerPayload::Source> fromString<PowerPayload::Source>(std::string_view text);

} // namespace ostrel
