#pragma once

#include <optional>
#include <string_view>

namespace ostrel {

// Whether a tab read through the browser's script may be used at all.
namespace SafariPrivacy {

// A private window is invisible to the script, which then names another window than the one in
// front: the tab is readable only when the focused window's title, as Accessibility reports it,
// is known and equals the name of the script's front window.
bool canRead(std::optional<std::string_view> accessibilityTitle, std::string_view scriptName);

} // namespace SafariPrivacy

} // namespace ostrel
