#include "core/calendar/SeriesSchedule.hpp"

#include "core/foundation/Text.hpp"

#include <set>

namespace ostrel {

namespace {

// The key with the highest count; among equal counts the smallest key in the map's order.
template <class Key, class Less>
std::optional<Key> mostCommon(const std::map<Key, int, Less>& counts) {
    std::optional<Key> best;
    int bestCount = 0;
    for (const auto& [value, count] : counts) {
        if (count > bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

struct Tally {
    std::set<int> weekdays;
    std::map<int, int, std::less<>> minutes;
    std::map<std::string, int, text::Less> locations; // canonically equivalent places count as one
};

} // namespace

bool operator==(const SeriesSchedule& a, const SeriesSchedule& b) {
    if (a.weekdays != b.weekdays || a.minute != b.minute ||
        a.location.has_value() != b.location.has_value()) {
        return false;
    }
    return !a.location || text::equal(*a.location, *b.location);
}

std::map<std::string, SeriesSchedule> SeriesSchedule::schedules(std::span<const CalendarEvent> events,
                                                                const Calendar& calendar) {
    std::map<std::string, Tally> tallies;
    for (const CalendarEvent& event : events) {
        if (!event.recurring) {
            continue;
        }
        Tally& tally = tallies[event.key];
        const Calendar::Components local = calendar.components(static_cast<Date>(event.start) / 1000.0);
        tally.weekdays.insert(local.weekday);
        ++tally.minutes[local.hour * 60 + local.minute];
        if (event.location) {
            std::string place = text::trimmed(*event.location);
            if (!place.empty()) {
                ++tally.locations[std::move(place)];
            }
        }
    }

    std::map<std::string, SeriesSchedule> result;
    for (auto& [key, tally] : tallies) {
        result.emplace(key,
                       SeriesSchedule{std::vector<int>(tally.weekdays.begin(), tally.weekdays.end()),
                                      mostCommon(tally.minutes).value_or(0), mostCommon(tally.locations)});
    }
    return result;
}

} // namespace ostrel
