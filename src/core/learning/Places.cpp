#include "core/learning/Places.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ostrel {

namespace {

void appendFixed4(std::string& out, double value) {
    // Room for the longest fixed form of a double: 309 integer digits, sign, point and 4 decimals.
    char buffer[330];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    out.append(buffer, result.ptr);
}

} // namespace

Places::Places(const std::vector<Episode>& episodes) {
    std::vector<const Episode*> ordered;
    ordered.reserve(episodes.size());
    for (const Episode& episode : episodes) {
        if (episode.context.location) {
            ordered.push_back(&episode);
        }
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Episode* a, const Episode* b) { return a->trigger.ts < b->trigger.ts; });
    for (const Episode* episode : ordered) {
        add(*episode->context.location);
    }
}

std::size_t Places::add(const LocationPayload& location) {
    const std::size_t at = firstInReach(location);
    if (at < anchors.size()) {
        ++anchors[at].count;
    } else {
        anchors.push_back({location, 1});
    }
    return at;
}

std::string Places::placeId(double latitude, double longitude) {
    // Formatted as C's "%.4f" would in the C locale (rounded, "-" for negative values including
    // -0.0), whatever locale the process runs in.
    std::string id = "place:";
    appendFixed4(id, latitude);
    id += ',';
    appendFixed4(id, longitude);
    return id;
}

double Places::distance(const LocationPayload& a, const LocationPayload& b) {
    const double lat1 = a.latitude * degreesToRadians;
    const double lat2 = b.latitude * degreesToRadians;
    const double lon1 = a.longitude * degreesToRadians;
    const double lon2 = b.longitude * degreesToRadians;
    const double sinLat = std::sin((lat1 - lat2) / 2);
    const double sinLon = std::sin((lon1 - lon2) / 2);
    const double h = sinLat * sinLat + std::cos(lat1) * std::cos(lat2) * sinLon * sinLon;
    return earthDiameter * std::asin(std::min(std::sqrt(h), 1.0));
}

std::size_t Places::firstInReach(const LocationPayload& location) const {
    for (std::size_t at = 0; at < anchors.size(); ++at) {
        if (distance(location, anchors[at].location) <= anchorRadius) {
            return at;
        }
    }
    return anchors.size();
}

std::optional<std::string> Places::place(const LocationPayload& location) const {
    // The first anchor in reach decides, even when it was seen too rarely to be named.
    const std::size_t at = firstInReach(location);
    if (at == anchors.size() || anchors[at].count < visitsForName) {
        return std::nullopt;
    }
    return placeId(anchors[at].location.latitude, anchors[at].location.longitude);
}

} // namespace ostrel
