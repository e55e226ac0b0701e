#pragma once

// Short makers for the items tests spell out, and the ids tests compare lists by. A maker expects
// a part that makes an item; tests build only such items.

#include "core/episodes/Item.hpp"
#include "core/learning/Routine.hpp"

#include <string>
#include <vector>

namespace ostrel::test {

inline Item app(const std::string& bundleID) {
    return *Item::app(bundleID);
}
inline Item document(const std::string& path) {
    return *Item::document(path);
}
inline Item page(const std::string& url) {
    return *Item::page(url);
}
// A note of the notes app.
inline Item note(const std::string& title) {
    return *Item::note("com.apple.Notes", title);
}

inline std::vector<std::string> ids(const std::vector<Item>& items) {
    std::vector<std::string> result;
    for (const Item& item : items) {
        result.push_back(item.id());
    }
    return result;
}

inline std::vector<std::string> keyIds(const std::vector<Routine>& routines) {
    std::vector<std::string> result;
    for (const Routine& routine : routines) {
        result.push_back(routine.key.id());
    }
    return result;
}

} // namespace ostrel::test
