#include "ui/shots/MenuState.hpp"

#include <string>

namespace ostrel::ui {
namespace {

Rect rectOf(const std::vector<double>& numbers, const char* key) {
    if (numbers.size() != 4) throw json::DecodingError(std::string("\"") + key + "\" is [x, y, width, height]");
    if (numbers[2] < 0 || numbers[3] < 0) throw json::DecodingError(std::string("\"") + key + "\" has a negative size");
    return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

MenuPlacement::Screen screenOf(const json::Value& value) {
    const json::ObjectReader reader(value);
    const Rect geometry = rectOf(reader.required<std::vector<double>>("geometry"), "geometry");
    const auto available = reader.optional<std::vector<double>>("available");
    return {geometry, available ? rectOf(*available, "available") : geometry};
}

UpcomingEvent eventOf(const json::Value& value) {
    const json::ObjectReader reader(value);
    UpcomingEvent next;
    next.event.title = reader.value<std::string>("title", "");
    next.event.start = reader.value<std::int64_t>("start", 0);
    next.event.end = reader.value<std::int64_t>("end", next.event.start);
    next.when = reader.value<std::string>("when", "");
    next.plan = reader.value<std::string>("plan", "");
    return next;
}

// The key's value; null when it is missing or null.
const json::Value* present(const json::Value& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

} // namespace

std::vector<MenuPlacement::Screen> MenuState::defaultScreens() { return {{{0, 0, 1440, 900}, {0, 28, 1440, 872}}}; }

MenuState MenuState::read(const json::Value& value) {
    const json::ObjectReader reader(value);
    MenuState state;
    state.status.storeError = reader.optional<std::string>("storeError");
    state.pausedUntil = reader.optional<std::int64_t>("pausedUntil");
    state.status.paused = reader.value("paused", state.pausedUntil.has_value());
    if (const json::Value* next = present(value, "nextUp")) {
        try {
            state.status.nextUp = eventOf(*next);
        } catch (const json::DecodingError& error) {
            throw json::DecodingError(std::string("\"nextUp\": ") + error.what());
        }
    }
    state.status.calendarReadable = reader.value("calendarReadable", false);
    state.status.setupRemaining = reader.value("setupRemaining", 0);
    if (state.status.setupRemaining < 0) throw json::DecodingError("\"setupRemaining\" is 0 or more");
    state.status.lastRunName = reader.optional<std::string>("lastRunName");

    if (const json::Value* screens = present(value, "screens")) {
        if (!screens->is_array()) throw json::DecodingError("\"screens\" is an array");
        for (const json::Value& screen : *screens) {
            try {
                state.screens.push_back(screenOf(screen));
            } catch (const json::DecodingError& error) {
                throw json::DecodingError(std::string("\"screens\": ") + error.what());
            }
        }
    } else {
        state.screens = defaultScreens();
    }

    // Absent: the icon near the first screen's top right corner; null: no icon frame known.
    if (!value.contains("anchor")) {
        if (!state.screens.empty()) {
            const Rect& screen = state.screens.front().geometry;
            state.anchor = Rect{screen.x + screen.width - 40, screen.y + 2, 24, 24};
        }
    } else if (const auto anchor = reader.optional<std::vector<double>>("anchor")) {
        state.anchor = rectOf(*anchor, "anchor");
    }
    if (const auto pointer = reader.optional<std::vector<double>>("pointer")) {
        if (pointer->size() != 2) throw json::DecodingError("\"pointer\" is [x, y]");
        state.pointer = Rect{(*pointer)[0], (*pointer)[1], 0, 0};
    }
    state.hover = reader.optional<int>("hover");
    return state;
}

} // namespace ostrel::ui
