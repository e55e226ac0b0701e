// The Store's rebuild of episodes from observations, triggers and calendar events.

#include "core/episodes/EpisodeBuilder.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/store/Store.hpp"

#include <algorithm>

namespace ostrel {

std::vector<Episode> Store::episodes(std::int64_t from, std::int64_t to) {
    // No trigger lies in an empty or inverted range, whose widened reads would not make sense.
    if (from >= to) {
        return {};
    }
    // A day of observations before the range shows what was already open at its first triggers,
    // and a day of events after it the classes about to start at its last ones.
    constexpr std::int64_t day = 86'400'000;
    const std::int64_t lower = std::max<std::int64_t>(saturatingSub(from, day), 0);
    const std::int64_t upper = saturatingAdd(to, day);
    // Three reads, each under the lock by itself: a write may land between them.
    const auto observations = this->observations(lower, to);
    const auto triggers = this->triggers(from, to);
    const auto calendar = calendarEvents(lower, upper);
    return EpisodeBuilder::episodes(triggers, observations, calendar);
}

} // namespace ostrel
