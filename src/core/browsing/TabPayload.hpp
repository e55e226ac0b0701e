#pragma once

#include "core/browsing/SiteExclusionList.hpp"
#include "core/foundation/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// The payload of "browser.tab": as much of the front tab as may be kept. An excluded site leaves
// only {"excluded":true}; otherwise the site, and the address only for a tab seen shortly after a
// trigger, when it may be part of a routine.
struct TabPayload {
    std::optional<std::string> site;
    std::optional<std::string> url; // the address: no query, fragment or user information
    std::optional<bool> excluded;

    // How long after a trigger a tab's address is kept, in milliseconds (eight minutes).
    static constexpr std::int64_t addressWindow = 480'000;

    // The payload for a tab showing url, read at `at` (milliseconds since 1970), lastTrigger being
    // the time of the last trigger when one is known. Nothing when the URL has no site.
    static std::optional<TabPayload> make(std::string_view url, std::int64_t at,
                                          std::optional<std::int64_t> lastTrigger,
                                          const SiteExclusionList& exclusions);

    static TabPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;
    friend bool operator==(const TabPayload&, const TabPayload&) = default;
};

} // namespace ostrel
