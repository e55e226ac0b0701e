#include "core/browsing/TabPayload.hpp"

#include "core/browsing/WebPage.hpp"

namespace ostrel {

namespace {

// at - lastTrigger <= addressWindow, without overflowing for any two timestamps. A tab read before
// the trigger (a negative difference) counts as inside.
bool withinAddressWindow(std::int64_t at, std::int64_t lastTrigger) {
    if (at <= lastTrigger) {
        return true;
    }
    const auto difference = static_cast<std::uint64_t>(at) - static_cast<std::uint64_t>(lastTrigger);
    return difference <= static_cast<std::uint64_t>(TabPayload::addressWindow);
}

} // namespace

std::optional<TabPayload> TabPayload::make(std::string_view url, std::int64_t at,
                                           std::optional<std::int64_t> lastTrigger,
                                           const SiteExclusionList& exclusions) {
    auto site = WebPage::site(url);
    if (!site) {
        return std::nullopt;
    }
    if (exclusions.contains(*site)) {
        return TabPayload{std::nullopt, std::nullopt, true};
    }
    std::optional<std::string> address;
    if (lastTrigger && withinAddressWindow(at, *lastTrigger)) {
        address = WebPage::address(url);
    }
    return TabPayload{std::move(site), std::move(address), std::nullopt};
}

TabPayload TabPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.optional<std::string>("site"), reader.optional<std::string>("url"),
            reader.optional<bool>("excluded")};
}

json::Value TabPayload::toJSON() const {
    return json::ObjectWriter().set("site", site).set("url", url).set("excluded", excluded).done();
}

} // namespace ostrel
