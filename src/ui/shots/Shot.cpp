#include "ui/shots/Shot.hpp"

#include "ui/shots/Shots.hpp"

#include <algorithm>
#include <map>

namespace ostrel::ui {
namespace {

using Drawer = QImage (*)(const json::Value& state);

// One line per window kind; each kind's file under shots/ reads its state.
const std::map<std::string, Drawer>& drawers() {
    static const std::map<std::string, Drawer> table{
        {"banner", shots::banner},
        {"cloud-window", shots::cloudWindow},
        {"editor", shots::editor},
        {"export", shots::exportWindow},
        {"home", shots::home},
        {"describe-card", shots::describeCard},
        {"menu", shots::menu},
        {"styles", shots::styles},
        {"scene", shots::scene},
    };
    return table;
}

} // namespace

QImage shot(const std::string& window, const json::Value& state) {
    const auto found = drawers().find(window);
    if (found == drawers().end()) {
        std::string known;
        for (const std::string& name : shotWindows()) known += (known.empty() ? "" : ", ") + name;
        throw ShotError("no window called \"" + window + "\" (known: " + known + ")");
    }
    if (!state.is_object()) throw ShotError("a shot's state is a JSON object");
    return found->second(state);
}

std::vector<std::string> shotWindows() {
    std::vector<std::string> names;
    for (const auto& [name, drawer] : drawers()) names.push_back(name);
    return names;
}

} // namespace ostrel::ui
