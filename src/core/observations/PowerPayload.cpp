#include "core/observations/PowerPayload.hpp"

#include <string>

namespace ostrel {

std::string_view toString(PowerPayload::Source source) {
    switch (source) {
    case PowerPayload::Source::ac:
        return "ac";
    case PowerPayload::Source::battery:
        return "battery";
    case PowerPayload::Source::ups:
        return "ups";
    }
    return "ac";
}

template <>
std::optional<PowerPayload::Source> fromString<PowerPayload::Source>(std::string_view text) {
    for (const auto source :
         {PowerPayload::Source::ac, PowerPayload::Source::battery, PowerPayload::Source::ups}) {
        if (toString(source) == text) {
            return source;
        }
    }
    return std::nullopt;
}

PowerPayload::PowerPayload(Source source, std::optional<std::int64_t> batteryPercent,
                           std::optional<bool> charging)
    : source(source), charging(charging) {
    if (batteryPercent) {
        this->batteryPercent = *batteryPercent / 5 * 5;
    }
}

PowerPayload PowerPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    const auto sourceText = reader.required<std::string>("source");
    const auto source = fromString<Source>(sourceText);
    if (!source) {
        throw json::DecodingError("\"source\": unknown power source \"" + sourceText + "\"");
    }
    PowerPayload payload;
    payload.source = *source;
    payload.batteryPercent = reader.optional<std::int64_t>("batteryPercent");
    payload.charging = reader.optional<bool>("charging");
    return payload;
}

json::Value PowerPayload::toJSON() const {
    return json::ObjectWriter()
        .set("source", std::string(toString(source)))
        .set("batteryPercent", batteryPercent)
        .set("charging", charging)
        .done();
}

} // namespace ostrel
