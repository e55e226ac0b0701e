#include "app/editor/Connected.hpp"

#include "app/editor/OpenNow.hpp"
#include "app/home/ItemDisplay.hpp"
#include "app/signals/AudioSignal.hpp"

#include <algorithm>
#include <utility>

namespace ostrel::Connected {

std::vector<Display> displays(const Displays& displays) {
    std::vector<Display> found;
    for (Screen& screen : displays.screens()) {
        if (!screen.id || screen.builtin || !screen.uuid || screen.uuid->empty()) {
            continue;
        }
        found.push_back({std::move(*screen.uuid), std::move(screen.name)});
    }
    return found;
}

std::vector<AudioDevicesPayload::Device> audioDevices(const AudioSystem& audio) {
    std::vector<AudioDevicesPayload::Device> devices = AudioSignal::connected(audio);
    std::erase_if(devices, [](const AudioDevicesPayload::Device& device) {
        return device.transport == "builtin" || device.transport == "virtual" || device.transport == "aggregate";
    });
    return devices;
}

std::vector<std::string> runningApps(const Workspace& workspace) {
    const auto fileManager = workspace.defaultHandler(OpenNow::folderType);
    const int own = workspace.ownPid();
    // Each name is asked once: the workspace reads the desktop entry on every call.
    std::vector<std::pair<std::string, std::string>> named; // display name, id
    for (const RunningApp& app : workspace.runningApps()) {
        if (!app.regular || app.pid == own || !app.bundleID || app.bundleID == fileManager) {
            continue;
        }
        const auto item = Item::app(*app.bundleID);
        if (!item) {
            continue;
        }
        named.emplace_back(ItemDisplay::name(*item, workspace), *app.bundleID);
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> ids;
    ids.reserve(named.size());
    for (auto& [name, id] : named) {
        ids.push_back(std::move(id));
    }
    return ids;
}

} // namespace ostrel::Connected
