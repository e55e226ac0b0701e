#pragma once

// Locations from past episodes clustered into anchors, so that a weekly slot can name where the
// computer was. Raw coordinates never match twice; an anchor names a place once it has been
// visited twice.

#include "core/episodes/Episode.hpp"
#include "core/observations/LocationPayload.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

struct Places {
    struct Anchor {
        LocationPayload location; // the first location that created it; it never moves
        std::int64_t count = 0;   // episodes whose location fell into it

        friend bool operator==(const Anchor&, const Anchor&) = default;
    };

    static constexpr double earthDiameter = 12742000.0; // metres
    static constexpr double degreesToRadians = 0.017453292519943295;
    static constexpr double anchorRadius = 150.0; // metres, inclusive
    static constexpr std::int64_t visitsForName = 2;

    std::vector<Anchor> anchors; // in the order first met

    Places() = default;
    explicit Places(std::vector<Anchor> anchors) : anchors(std::move(anchors)) {}
    // Clusters the locations of the episodes in trigger order (stable for equal times): each joins
    // the first anchor within reach or starts a new one. Episodes without a location are skipped.
    explicit Places(const std::vector<Episode>& episodes);

    // Files one more location, later in trigger order than all before it: it joins the first
    // anchor within reach or starts a new one. Gives the index of that anchor.
    std::size_t add(const LocationPayload& location);

    // "place:" + latitude + "," + longitude, each with four decimals and a "." point.
    static std::string placeId(double latitude, double longitude);
    // Haversine distance in metres.
    static double distance(const LocationPayload& a, const LocationPayload& b);

    // The place id of the first anchor within reach, when that anchor was visited often enough.
    std::optional<std::string> place(const LocationPayload& location) const;

    friend bool operator==(const Places&, const Places&) = default;

private:
    // The index of the first anchor within reach, or anchors.size() when none is.
    std::size_t firstInReach(const LocationPayload& location) const;
};

} // namespace ostrel
