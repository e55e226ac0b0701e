#pragma once

// The JSON the developer tool prints for model values that have no stored form of their own:
// objects with the model's field names, absent optionals left out, items as their id strings.

#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Episode.hpp"
#include "core/foundation/Json.hpp"

namespace ostrel::dev {

json::Value eventJSON(const CalendarEvent& event);

// {"trigger":{"kind","ts"},"start","end","context":{...},"setup":{...}}. The layout is an object
// keyed by item id; a setting is a one-case object ({"muted":{"muted":true}}).
json::Value episodeJSON(const Episode& episode);

} // namespace ostrel::dev
