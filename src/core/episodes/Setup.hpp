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
    std::vector<Item> broughtUp;      // brought to the front in the setup window, first seen first
    std::vector<Item> carried;        // open at the trigger and not brought up
    std::vector<std::string> putAway; // bundle ids hidden, quit or minimised, without repeats
    std::unordered_map<Item, WindowPayload::Frame> layout; // last known frame of each window item
    std::vector<Setting> settings; // changed sound settings: output, volume, muted, at most one each

    // Field by field; text compares as Unicode text, the layout as a dictionary.
    friend bool operator==(const Setup& a, const Setup& b);
};

} // namespace ostrel
