#pragma once

#include "core/foundation/Json.hpp"
#include "core/foundation/Rect.hpp"
#include "ui/shell/MenuPlacement.hpp"
#include "ui/shell/MenuStatus.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel::ui {

// A status menu in a state file, as `ostrel-dev menu` and `ostrel-dev shot menu` read it: the
// host's status, the pause's end, the screens and the click. Every key is optional (the keys and
// their defaults: src/ui/shots/README.md). Qt-free, so the menu command needs no display.
struct MenuState {
    MenuStatus status;
    std::optional<std::int64_t> pausedUntil; // ms since 1970
    std::vector<MenuPlacement::Screen> screens;
    std::optional<Rect> anchor;
    std::optional<Rect> pointer; // zero-sized
    std::optional<int> hover;    // the row under the pointer, from 0 (pictures only)

    // Throws json::DecodingError for a key of the wrong type or shape.
    static MenuState read(const json::Value& state);

    // One 1440 x 900 screen with a 28-pixel panel at its top.
    static std::vector<MenuPlacement::Screen> defaultScreens();
};

} // namespace ostrel::ui
