#include "ui/shell/MenuStatus.hpp"

#include <array>
#include <utility>

namespace ostrel::ui {
namespace {

constexpr std::array<std::pair<MenuAction, std::string_view>, 8> names{{
    {MenuAction::finishSetup, "finishSetup"},
    {MenuAction::undo, "undo"},
    {MenuAction::pause, "pause"},
    {MenuAction::resume, "resume"},
    {MenuAction::routines, "routines"},
    {MenuAction::time, "time"},
    {MenuAction::settings, "settings"},
    {MenuAction::quit, "quit"},
}};

} // namespace

std::string_view toString(MenuAction action) {
    for (const auto& [each, name] : names) {
        if (each == action) return name;
    }
    return "quit";
}

std::optional<MenuAction> menuActionFromString(std::string_view text) {
    for (const auto& [each, name] : names) {
        if (name == text) return each;
    }
    return std::nullopt;
}

} // namespace ostrel::ui
