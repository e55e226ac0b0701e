#include "core/browsing/SafariPrivacy.hpp"

namespace ostrel::SafariPrivacy {

bool canRead(std::optional<std::string_view> accessibilityTitle, std::string_view scriptName) {
    return accessibilityTitle && *accessibilityTitle == scriptName;
}

} // namespace ostrel::SafariPrivacy
