#pragma once

#include <set>
#include <string>
#include <string_view>

namespace ostrel::BrowserFamilies {

// The browsers whose front tab the browser source can read, by application id. The first ids are
// the ones stored histories and the simulated machine use; the rest are the desktop-file ids the
// same browsers have on a Linux desktop (native packages and Flatpak).
inline const std::set<std::string, std::less<>>& chromium() {
    static const std::set<std::string, std::less<>> ids{
        "com.google.Chrome", "com.google.Chrome.beta", "com.google.Chrome.canary", "org.chromium.Chromium",
        "net.imput.helium", "com.brave.Browser", "com.microsoft.edgemac", "com.vivaldi.Vivaldi",
        // Linux desktop-file ids
        "google-chrome", "google-chrome-beta", "google-chrome-unstable", "chromium", "chromium-browser",
        "brave-browser", "microsoft-edge", "vivaldi-stable"};
    return ids;
}

inline const std::set<std::string, std::less<>>& safari() {
    static const std::set<std::string, std::less<>> ids{"com.apple.Safari",
                                                        "com.apple.SafariTechnologyPreview"};
    return ids;
}

inline bool contains(std::string_view id) {
    return chromium().count(id) != 0 || safari().count(id) != 0;
}

} // namespace ostrel::BrowserFamilies
