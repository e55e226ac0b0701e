#include "core/observations/LocationPayload.hpp"

#include "core/foundation/Rounding.hpp"

#include <cmath>

namespace ostrel {

namespace {

double roundToFourDecimals(double degrees) {
    const double rounded = std::round(degrees * 10000) / 10000;
    // Values so large that scaling overflows have no fraction to round; NaN stays NaN.
    return std::isfinite(rounded) ? rounded : degrees;
}

} // namespace

std::optional<LocationPayload> LocationPayload::make(double latitude, double longitude, double accuracy) {
    const auto metres = roundedToInt64(accuracy);
    if (!metres) {
        return std::nullopt;
    }
    return LocationPayload{roundToFourDecimals(latitude), roundToFourDecimals(longitude), *metres};
}

LocationPayload LocationPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<double>("latitude"), reader.required<double>("longitude"),
            reader.required<std::int64_t>("accuracy")};
}

json::Value LocationPayload::toJSON() const {
    return json::ObjectWriter()
        .set("latitude", latitude)
        .set("longitude", longitude)
        .set("accuracy", accuracy)
        .done();
}

} // namespace ostrel
