#include "ModelJson.hpp"

#include <string>
#include <variant>

namespace ostrel::dev {

namespace {

json::Value itemsJSON(const std::vector<Item>& items) {
    json::Value array = json::Value::array();
    for (const Item& item : items) {
        array.push_back(item.toJSON());
    }
    return array;
}

json::Value settingJSON(const Setting& setting) {
    return std::visit(
        [](const auto& value) -> json::Value {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Setting::Output>) {
                return json::caseObject("output",
                                        json::ObjectWriter().set("deviceUID", value.deviceUID).done());
            } else if constexpr (std::is_same_v<T, Setting::Volume>) {
                return json::caseObject("volume", json::ObjectWriter().set("volume", value.volume).done());
            } else {
                return json::caseObject("muted", json::ObjectWriter().set("muted", value.muted).done());
            }
        },
        setting.value);
}

json::Value contextJSON(const Context& context) {
    json::Value events = json::Value::array();
    for (const CalendarEvent& event : context.events) {
        events.push_back(eventJSON(event));
    }
    return json::ObjectWriter()
        .set("events", events)
        .set("network", context.network)
        .set("location", context.location)
        .set("displays", context.displays)
        .set("open", itemsJSON(context.open))
        .done();
}

json::Value setupJSON(const Setup& setup) {
    json::Value layout = json::Value::object();
    for (const auto& [item, frame] : setup.layout) {
        layout[item.id()] = frame.toJSON();
    }
    json::Value settings = json::Value::array();
    for (const Setting& setting : setup.settings) {
        settings.push_back(settingJSON(setting));
    }
    return json::ObjectWriter()
        .set("broughtUp", itemsJSON(setup.broughtUp))
        .set("carried", itemsJSON(setup.carried))
        .set("putAway", setup.putAway)
        .set("layout", layout)
        .set("settings", settings)
        .done();
}

} // namespace

json::Value eventJSON(const CalendarEvent& event) {
    return json::ObjectWriter()
        .set("key", event.key)
        .set("occurrence", event.occurrence)
        .set("recurring", event.recurring)
        .set("title", event.title)
        .set("start", event.start)
        .set("end", event.end)
        .set("location", event.location)
        .set("calendar", event.calendar)
        .set("links", event.links)
        .done();
}

json::Value episodeJSON(const Episode& episode) {
    return json::ObjectWriter()
        .set("trigger", json::ObjectWriter()
                            .set("ts", episode.trigger.ts)
                            .set("kind", std::string(toString(episode.trigger.kind)))
                            .done())
        .set("start", episode.start)
        .set("end", episode.end)
        .set("context", contextJSON(episode.context))
        .set("setup", setupJSON(episode.setup))
        .done();
}

} // namespace ostrel::dev
