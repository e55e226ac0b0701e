#include "core/routines/Cue.hpp"

#include "core/foundation/HashCombine.hpp"
#include "core/foundation/Text.hpp"
#include "core/routines/CueWatch.hpp"

#include <algorithm>
#include <limits>
#include <type_traits>

namespace ostrel {

std::optional<Date> Cue::Time::moment(Date day, const Calendar& calendar) const {
    // Whole hours and the minute within the hour, floored so that negative minutes stay valid.
    const std::int64_t hours = minute >= 0 ? minute / 60 : -((-(minute + 1)) / 60) - 1;
    // Checked before hours * 60 is formed: for minutes near the int64 limits that product overflows.
    if (hours > std::numeric_limits<int>::max() || hours < std::numeric_limits<int>::min()) {
        return std::nullopt;
    }
    const std::int64_t minutes = minute - hours * 60;
    try {
        const Calendar::Components local = calendar.components(day);
        return calendar.date(local.year, local.month, local.day, static_cast<int>(hours),
                             static_cast<int>(minutes));
    } catch (const CalendarError&) {
        return std::nullopt;
    }
}

bool Cue::Time::isDue(std::int64_t at, const Calendar& calendar) const try {
    const Date instant = static_cast<Date>(at) / 1000.0;
    const Calendar::Components local = calendar.components(instant);
    if (std::find(weekdays.begin(), weekdays.end(), local.weekday) == weekdays.end()) {
        return false;
    }
    if (local.hour * 60 + local.minute == minute) {
        return true;
    }
    // A time the clocks skipped is due in the minute its moment moved to, where the timer fires.
    const auto due = moment(calendar.startOfDay(instant), calendar);
    return due && instant >= *due && instant < *due + 60.0;
} catch (const CalendarError&) {
    return false;
}

std::optional<Date> Cue::next(Date after, const Calendar& calendar) const try {
    const auto* time = std::get_if<Time>(&value);
    if (time == nullptr || time->weekdays.empty()) {
        return std::nullopt;
    }
    const Date start = calendar.startOfDay(after);
    for (int offset = 0; offset <= 7; ++offset) {
        Date day = 0;
        try {
            day = calendar.addingDays(offset, start);
        } catch (const CalendarError&) {
            continue;
        }
        const auto weekday = static_cast<std::int64_t>(calendar.weekday(day));
        if (std::find(time->weekdays.begin(), time->weekdays.end(), weekday) == time->weekdays.end()) {
            continue;
        }
        // The same wall-clock reading the planner's window and isDue use, so that a timer armed
        // here is due when it fires.
        if (const auto candidate = time->moment(day, calendar); candidate && *candidate > after) {
            return candidate;
        }
    }
    return std::nullopt;
} catch (const CalendarError&) {
    return std::nullopt;
}

bool Cue::fulfilledBy(const CueEvent& event, std::int64_t at, const Calendar& calendar) const {
    return std::visit(
        [&](const auto& cue) {
            using T = std::decay_t<decltype(cue)>;
            if constexpr (std::is_same_v<T, Time>) {
                return std::holds_alternative<CueEvent::Time>(event.value) && cue.isDue(at, calendar);
            } else if constexpr (std::is_same_v<T, WiFi>) {
                const auto* wifi = std::get_if<CueEvent::WiFi>(&event.value);
                return wifi != nullptr && text::equal(wifi->network, cue.network);
            } else if constexpr (std::is_same_v<T, Display>) {
                const auto* display = std::get_if<CueEvent::Display>(&event.value);
                return display != nullptr && text::equal(display->uuid, cue.uuid);
            } else if constexpr (std::is_same_v<T, AudioDevice>) {
                const auto* device = std::get_if<CueEvent::AudioDevice>(&event.value);
                return device != nullptr && text::equal(device->uid, cue.uid);
            } else if constexpr (std::is_same_v<T, App>) {
                const auto* app = std::get_if<CueEvent::App>(&event.value);
                return app != nullptr && text::equal(app->bundleID, cue.bundleID);
            } else {
                return false;
            }
        },
        value);
}

Cue Cue::fromJSON(const json::Value& value) {
    const auto parsed = json::readCase(value, {"event", "time", "wifi", "display", "audioDevice", "app"});
    const auto& name = parsed.name;
    const auto& values = parsed.values;
    const auto text = [&values](std::string_view key) { return values.required<std::string>(key); };
    if (name == "event") {
        return {Event{text("_0")}};
    }
    if (name == "time") {
        return {Time{values.required<std::vector<std::int64_t>>("weekdays"),
                     values.required<std::int64_t>("minute")}};
    }
    if (name == "wifi") {
        return {WiFi{text("network"), text("name")}};
    }
    if (name == "display") {
        return {Display{text("uuid"), text("name")}};
    }
    if (name == "audioDevice") {
        return {AudioDevice{text("uid"), text("name")}};
    }
    return {App{text("_0")}};
}

json::Value Cue::toJSON() const {
    return std::visit(
        [](const auto& cue) {
            using T = std::decay_t<decltype(cue)>;
            if constexpr (std::is_same_v<T, Event>) {
                return json::caseObject("event", json::ObjectWriter().set("_0", cue.seriesKey).done());
            } else if constexpr (std::is_same_v<T, Time>) {
                return json::caseObject(
                    "time",
                    json::ObjectWriter().set("weekdays", cue.weekdays).set("minute", cue.minute).done());
            } else if constexpr (std::is_same_v<T, WiFi>) {
                return json::caseObject(
                    "wifi", json::ObjectWriter().set("network", cue.network).set("name", cue.name).done());
            } else if constexpr (std::is_same_v<T, Display>) {
                return json::caseObject(
                    "display", json::ObjectWriter().set("uuid", cue.uuid).set("name", cue.name).done());
            } else if constexpr (std::is_same_v<T, AudioDevice>) {
                return json::caseObject(
                    "audioDevice", json::ObjectWriter().set("uid", cue.uid).set("name", cue.name).done());
            } else {
                return json::caseObject("app", json::ObjectWriter().set("_0", cue.bundleID).done());
            }
        },
        value);
}

std::size_t Cue::hash() const {
    std::size_t seed = value.index();
    std::visit(
        [&seed](const auto& cue) {
            using T = std::decay_t<decltype(cue)>;
            if constexpr (std::is_same_v<T, Event>) {
                hashCombine(seed, text::hash(cue.seriesKey));
            } else if constexpr (std::is_same_v<T, Time>) {
                for (const std::int64_t weekday : cue.weekdays) {
                    hashCombine(seed, std::hash<std::int64_t>{}(weekday));
                }
                hashCombine(seed, std::hash<std::int64_t>{}(cue.minute));
            } else if constexpr (std::is_same_v<T, WiFi>) {
                hashCombine(seed, text::hash(cue.network));
                hashCombine(seed, text::hash(cue.name));
            } else if constexpr (std::is_same_v<T, Display>) {
                hashCombine(seed, text::hash(cue.uuid));
                hashCombine(seed, text::hash(cue.name));
            } else if constexpr (std::is_same_v<T, AudioDevice>) {
                hashCombine(seed, text::hash(cue.uid));
                hashCombine(seed, text::hash(cue.name));
            } else {
                hashCombine(seed, text::hash(cue.bundleID));
            }
        },
        value);
    return seed;
}

} // namespace ostrel
