#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "ui/shell/MenuContent.hpp"
#include "ui/shell/MenuPlacement.hpp"
#include "ui/shots/MenuState.hpp"

#include <algorithm>
#include <iostream>
#include <limits>

namespace ostrel::dev {
namespace {

// The panel as the status menu would show it, without drawing it: Qt-free, so it runs anywhere.
json::Value describe(const ui::MenuState& state) {
    const ui::MenuContent content = ui::MenuContent::of(state.status);
    const auto at = ui::MenuPlacement::place(state.anchor, state.pointer, state.screens, content.height());
    json::Value rows = json::Value::array();
    for (const ui::MenuItem& item : content.items) {
        rows.push_back({{"action", std::string(ui::toString(item.action))},
                        {"symbol", item.symbol},
                        {"title", item.title},
                        {"badge", item.badge ? json::Value(*item.badge) : json::Value(nullptr)}});
    }
    return {
        {"size", {ui::MenuContent::width, content.height()}},
        {"art", content.art()},
        {"position", {at.x, at.y}},
        {"header", {{"caption", content.header.caption}, {"title", content.header.title}, {"line", content.header.line}}},
        {"rows", rows},
        {"tooltip", ui::MenuContent::toolTip(state.status)},
        {"pausedUntil", state.pausedUntil ? json::Value(*state.pausedUntil) : json::Value(nullptr)},
    };
}

} // namespace

// The status menu for a state file; with --press, as it is after that row's action.
int menuCommand(const Arguments& arguments) {
    const Options options("menu", arguments, {"--state", "--tz", "--at", "--press"});
    if (!options.positional().empty()) throw options.error("takes no positional arguments");

    json::Value file = json::Value::object();
    if (const auto path = options.text("--state")) {
        try {
            file = json::parse(options.readFile(*path, "state"));
        } catch (const json::DecodingError& error) {
            throw options.error(*path + " is not JSON: " + error.what());
        }
    }
    ui::MenuState state;
    try {
        state = ui::MenuState::read(file);
    } catch (const json::DecodingError& error) {
        throw options.error(std::string("state: ") + error.what());
    }
    const auto at = options.integer("--at", std::numeric_limits<std::int64_t>::min() / 2,
                                    std::numeric_limits<std::int64_t>::max() / 2);
    const std::optional<Calendar> calendar = options.text("--tz") ? std::optional(options.calendar()) : std::nullopt;

    if (const auto press = options.text("--press")) {
        const auto action = ui::menuActionFromString(*press);
        if (!action) {
            throw options.error("--press expects finishSetup, undo, pause, resume, routines, time, settings or quit, "
                                "not \"" + *press + "\"");
        }
        const auto& items = ui::MenuContent::of(state.status).items;
        if (std::none_of(items.begin(), items.end(), [&](const ui::MenuItem& item) { return item.action == *action; })) {
            throw options.error("this menu has no " + *press + " row");
        }
        if (*action == ui::MenuAction::pause) {
            if (!at || !calendar) throw options.error("--press pause needs --tz ZONE and --at MS");
            state.pausedUntil = ui::MenuContent::pauseEnd(static_cast<double>(*at) / 1000, *calendar);
            state.status.paused = true;
        } else if (*action == ui::MenuAction::resume) {
            state.pausedUntil.reset();
            state.status.paused = false;
        }
    }
    std::cout << json::encode(describe(state)) << '\n';
    return 0;
}

} // namespace ostrel::dev
