#include "app/editor/MomentMenu.hpp"

#include <algorithm>

namespace ostrel::MomentMenu {

Cue defaultTime() {
    return Cue{Cue::Time{{2, 3, 4, 5, 6}, 540}};
}

std::vector<Entry> entries(const std::vector<CalendarSeries>& series, const std::optional<PlaceSignal::Network>& network,
                           const std::vector<Connected::Display>& displays,
                           const std::vector<AudioDevicesPayload::Device>& audioDevices) {
    std::vector<Entry> menu;
    menu.push_back({"At a time\u2026", defaultTime()});
    if (!series.empty()) {
        std::vector<const CalendarSeries*> byTitle;
        for (const CalendarSeries& one : series) {
            byTitle.push_back(&one);
        }
        // UTF-8 bytes compare in code point order: "B" before "a" before "b".
        std::stable_sort(byTitle.begin(), byTitle.end(),
                         [](const CalendarSeries* a, const CalendarSeries* b) { return a->title < b->title; });
        Entry classes{"When a class starts"};
        for (const CalendarSeries* one : byTitle) {
            classes.submenu.push_back({one->title, Cue{Cue::Event{one->key}}});
        }
        menu.push_back(std::move(classes));
    }
    if (network) {
        menu.push_back({"On this Wi-Fi (" + network->name + ")", Cue{Cue::WiFi{network->hash, network->name}}});
    }
    for (const Connected::Display& display : displays) {
        menu.push_back({"When " + display.name + " is plugged in", Cue{Cue::Display{display.uuid, display.name}}});
    }
    for (const AudioDevicesPayload::Device& device : audioDevices) {
        menu.push_back({"When " + device.name + " connects", Cue{Cue::AudioDevice{device.uid, device.name}}});
    }
    menu.push_back({"When you open an app\u2026", std::nullopt, true});
    return menu;
}

} // namespace ostrel::MomentMenu
