#include "app/home/ItemDisplay.hpp"

#include <filesystem>

namespace ostrel::ItemDisplay {

namespace {

// The last component of the path, as a file manager shows it; a folder's trailing slash is not a
// name, and a path with no component at all ("/") is shown as it stands.
std::string fileName(const std::string& path) {
    std::filesystem::path parsed(path);
    if (!parsed.has_filename() && parsed.has_parent_path() && parsed.parent_path() != parsed) {
        parsed = parsed.parent_path();
    }
    std::string name = parsed.filename().string();
    return name.empty() ? path : name;
}

std::string withoutHttps(std::string url) {
    static constexpr std::string_view scheme = "https://";
    for (std::size_t at = url.find(scheme); at != std::string::npos; at = url.find(scheme, at)) {
        url.erase(at, scheme.size());
    }
    return url;
}

} // namespace

std::string name(const Item& item, const Workspace& workspace) {
    return std::visit(
        [&workspace](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Item::App>) {
                return workspace.appName(value.bundleID).value_or(value.bundleID);
            } else if constexpr (std::is_same_v<T, Item::Document>) {
                return fileName(value.path);
            } else if constexpr (std::is_same_v<T, Item::Note>) {
                return value.title;
            } else {
                return withoutHttps(value.url);
            }
        },
        item.value());
}

} // namespace ostrel::ItemDisplay
