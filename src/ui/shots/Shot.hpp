#pragma once

#include "core/foundation/Json.hpp"

#include <QImage>

#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel::ui {

// A window or a state a shot cannot draw: an unknown window name, a state of the wrong shape.
class ShotError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Pictures of the windows in named states, drawn without a desktop, so a look at a window needs
// none. Each window kind reads its own state object (an empty object is its default state) and
// draws at its own size, transparent where the window is.
//
// Threading: the GUI thread, with a QApplication made (on the offscreen platform when no display
// should be touched).
QImage shot(const std::string& window, const json::Value& state);

// The window names shot() knows, sorted.
std::vector<std::string> shotWindows();

} // namespace ostrel::ui
