#pragma once

// The episode builder written the plain way: for every trigger each step scans the whole sorted
// observation list again and decodes payloads where it meets them. Far too slow for a planning
// pass, but it reads line by line like the rules it follows, so the tests hold the product's
// indexed builder to it.

#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/observations/SignalObservation.hpp"

#include <vector>

namespace ostrel::reference {

std::vector<Episode> episodes(std::vector<Trigger> triggers, std::vector<SignalObservation> observations,
                              const std::vector<CalendarEvent>& calendar);

} // namespace ostrel::reference
