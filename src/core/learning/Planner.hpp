#pragma once

// Which routine fits a moment, and what trust alone would do with it. Pure functions of their
// arguments: the caller passes the moment and the user's calendar.

#include "core/calendar/CalendarSeries.hpp"
#include "core/episodes/Context.hpp"
#include "core/episodes/Episode.hpp"
#include "core/episodes/Item.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/Choice.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"
#include "core/routines/CueWatch.hpp"

#include <optional>
#include <vector>

namespace ostrel::Planner {

// The share of a routine's items that, once open, counts it as already set up.
inline constexpr double setUpShare = 0.8;

// The routine for a trigger. Each routine in turn: switched off, already set up (at least 80 % of
// its items open) or empty with nothing else to do is skipped; then its first cue that matches the
// moment picks it, else its learned key among the moment's candidate keys chooses it (unless the
// user turned learned starts off). Best: picked over chosen, then higher confidence, then a class
// key over any other; among equals the earlier routine in the given order. Time cues match from
// Cue::early before to Cue::late after their wall-clock minute of the trigger's own day; time,
// Wi-Fi and display cues are not tested at a class start.
std::optional<Choice> choose(const Trigger& at, const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const std::vector<Episode>& history,
                             const Calendar& calendar);

// The same with the history already summarised.
std::optional<Choice> choose(const Trigger& at, const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const ContextKey::History& history,
                             const Calendar& calendar);

// The same with the moment's candidate keys already worked out (ContextKey::candidates).
std::optional<Choice> choose(const Trigger& at, const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const std::vector<ContextKey>& candidates,
                             const Calendar& calendar);

// The routine a happening starts: in the given order, the first routine not switched off, not
// already set up and not empty without anything else to do, one of whose cues the happening at
// `at` (ms since 1970) fulfils. Always picked.
std::optional<Choice> choose(const CueEvent& event, const std::vector<Routine>& routines,
                             const std::vector<Item>& open, std::int64_t at, const Calendar& calendar);

// The verdict from trust alone: observe gives nothing, suggest suggests, automate runs except at a
// class start, where it suggests. Looks neither at picked nor at the user's mode.
Decision decide(const Trigger& at, const Context& context, const std::vector<Item>& open,
                const std::vector<Routine>& routines, const std::vector<Episode>& history,
                const Calendar& calendar);

// The offer when no routine was chosen: the predicted routine of the first of the moment's events
// whose prediction is not already set up (less than 80 % of its items open).
std::optional<Routine> guess(const Context& context, const std::vector<Item>& open,
                             const std::vector<Routine>& routines, const std::vector<CalendarSeries>& series);

} // namespace ostrel::Planner
