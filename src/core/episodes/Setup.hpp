#pragma once

#include "core/episodes/Item.hpp"
#include "core/episodes/Setting.hpp"
#include "core/observations/WindowPayload.hpp"

#include <string>
#include <unordered_map>
#include <vector>

namespace ostrel {

// What the user did after a trigger.
struct Setup {
    // Brought to the front in the setup window, in first-seen order, without repeats.
    std::vector<Item> broughtUp = {};
    // Open at the trigger and not brought up.
    std::vector<Item> carried = {};
    // Bundle ids of apps hidden, quit or with a window minimised, without repeats.
    std::vector<std::string> putAway = {};
    // The last known window frame of each app, document and note.
    std::unordered_map<Item, WindowPayload::Frame> layout = {};
    // The sound settings that changed: at most one of each case, in the order output, volume, muted.
    std::vector<Setting> settings = {};

    // Field by field; text compares as Unicode text, the layout as a dictionary.
    friend bool operator==(const Setup& a, const Setup& b);
};

} // namespace ostrel
