#pragma once

// Pick-up: what the user opened the last time a routine's situation came up, added to the routine
// so that they can carry on where they left off, down to the deeper page of a site they reached.
// Whether to pick up at all is the caller's decision. Pure functions of their arguments.

#include "core/episodes/Episode.hpp"
#include "core/episodes/Item.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace ostrel::PickUp {

// Documents and pages added at most; a page that stands in for one of the routine's own pages does
// not count.
inline constexpr std::size_t cap = 3;

// The latest episode (by start; the first in the given order among equal starts) that belongs to
// the routine: one whose context holds the class of one of its event cues, or, while the routine
// still starts at its learned moment and is not one the user made, one the learner files under the
// routine's key. The episodes may come in any order.
std::optional<Episode> lastTime(const Routine& routine, const std::vector<Episode>& episodes,
                                const Calendar& calendar);
// The same with the episodes already summarised (history must be that of episodes).
std::optional<Episode> lastTime(const Routine& routine, const std::vector<Episode>& episodes,
                                const ContextKey::History& history, const Calendar& calendar);

// The routine's items, in order, followed by the documents and pages brought up last time in the
// order they were brought up: never an item already there or one the user removed, never more than
// cap of them. A page brought up last time takes the place of the first routine page whose URL is
// a plain text prefix of its own and that has the same scheme, host and port. Without a last time,
// the routine's items unchanged.
std::vector<Item> items(const Routine& routine, const std::vector<Episode>& episodes,
                        const Calendar& calendar);
std::vector<Item> items(const Routine& routine, const std::vector<Episode>& episodes,
                        const ContextKey::History& history, const Calendar& calendar);

} // namespace ostrel::PickUp
