#pragma once

#include "platform/AppInfo.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The applications installed on this machine by name and desktop-file id, and the app a name
// given by the language model means. Describing a routine lists them in the model's
// instructions and matches the model's answer against them; the assistant uses the same list.
// Holds no state: every call scans again.
namespace ostrel::InstalledApps {

struct App {
    std::string name;     // the entry's Name in the user's locale, as written (case kept)
    std::string bundleID; // the desktop-file id ("org.gnome.Calculator.desktop" without ".desktop")

    friend bool operator==(const App&, const App&) = default;
};

// The applications folders in the order they are searched: "applications" under
// $XDG_DATA_HOME (else ~/.local/share), then under each of $XDG_DATA_DIRS (else /usr/local/share,
// /usr/share). Relative paths in the variables are ignored; a folder named twice is searched once.
std::vector<std::filesystem::path> folders();
// The same from the variables environment gives (HOME, XDG_DATA_HOME, XDG_DATA_DIRS).
std::vector<std::filesystem::path> folders(const AppInfo::Environment& environment);

// Every installed application: desktop entries of Type=Application with a Name that are neither
// Hidden nor NoDisplay, one per desktop-file id (the first folder's entry wins), sorted by name in
// code-point order, stable. locale ("de_DE") picks the entry's translated Name. Never fails:
// folders that cannot be read count as empty, entries that cannot be read are left out.
std::vector<App> all(const std::string& locale);
std::vector<App> all(const std::vector<std::filesystem::path>& folders, const std::string& locale);

// The desktop-file id of the app that name means, or nothing: the name is lower-cased and trimmed
// of spaces and tabs; then, each pass over the whole list in order, the first app whose
// lower-cased name equals it, else contains it, else is contained in it and is longer than three
// characters (user-perceived). An empty name or list gives nothing.
std::optional<std::string> match(std::string_view name, const std::vector<App>& apps);

} // namespace ostrel::InstalledApps
