#include "app/ai/Exclusions.hpp"

#include "core/browsing/WebPage.hpp"

#include <type_traits>
#include <variant>

namespace ostrel {

bool Exclusions::hidesApp(std::string_view bundleID) const {
    return apps.contains(bundleID);
}

bool Exclusions::hidesSite(std::string_view site) const {
    return sites.contains(site);
}

bool Exclusions::hides(const Item& item) const {
    return std::visit(
        [this](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Item::App>) {
                return hidesApp(value.bundleID);
            } else if constexpr (std::is_same_v<T, Item::Note>) {
                return hidesApp(value.app);
            } else if constexpr (std::is_same_v<T, Item::Page>) {
                const auto site = WebPage::site(value.url);
                return site && hidesSite(*site);
            } else {
                return false;
            }
        },
        item.value());
}

} // namespace ostrel
