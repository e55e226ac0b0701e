#pragma once

// Routines learned from the episodes of the past: for each context key the items that keep coming
// back, how many episodes stand behind them, how consistently the recent ones agree, and whether
// the routine may be offered. Pure computation, repeated from scratch on every call.

#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Episode.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace ostrel::RoutineLearner {

// The similarity at or above which an episode agrees with a routine.
inline constexpr double agreeingSimilarity = 0.6;

// One routine per context key the episodes are filed under (each episode under the first candidate
// key of its own moment), by support, largest first, then by key id ascending. The series say when
// each class was first seen: a class known before its first episode may be suggested after one
// episode. Never gives trust automate, never carries edits.
// When each class was first seen, by series key: the earliest sighting of a key listed twice.
using FirstSeen = std::unordered_map<std::string, std::int64_t, text::Hash, text::Equal>;
FirstSeen firstSeen(const std::vector<CalendarSeries>& series);

// The routine of one key from the episodes filed under it (not empty), in the order they were
// filed: what routines() learns for each key, for callers that file the episodes themselves.
Routine routine(const ContextKey& key, const std::vector<const Episode*>& episodes,
                const FirstSeen& firstSeen);

std::vector<Routine> routines(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series,
                              const Calendar& calendar);

} // namespace ostrel::RoutineLearner
