#include "core/routines/PickUp.hpp"

#include "core/foundation/Text.hpp"
#include "core/foundation/Url.hpp"
#include "core/learning/ContextKey.hpp"

#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_set>

namespace ostrel::PickUp {

namespace {

using SeriesKeys = std::unordered_set<std::string, text::Hash, text::Equal>;

SeriesKeys eventCueSeries(const Routine& routine) {
    SeriesKeys keys;
    for (const Cue& cue : routine.edits.cues) {
        if (const auto* event = std::get_if<Cue::Event>(&cue.value)) {
            keys.insert(event->seriesKey);
        }
    }
    return keys;
}

bool holdsCuedClass(const Episode& episode, const SeriesKeys& keys) {
    return std::any_of(episode.context.events.begin(), episode.context.events.end(),
                       [&keys](const CalendarEvent& event) { return keys.contains(event.key); });
}

// A text prefix alone would let "https://a.edu" stand for "https://a.edu.example.org/..." or
// "https://a.edu@elsewhere.org/": the deeper page must also be on the same scheme, host and port.
bool deepens(const std::string& routineURL, const std::string& pickedURL) {
    if (!pickedURL.starts_with(routineURL)) {
        return false;
    }
    const auto shallow = Url::parse(routineURL);
    const auto deep = Url::parse(pickedURL);
    return shallow && deep && shallow->scheme() == deep->scheme() && shallow->host() == deep->host() &&
           shallow->port() == deep->port();
}

// History is built only once an episode needs its learned key, and then at most once.
std::optional<Episode> findLastTime(const Routine& routine, const std::vector<Episode>& episodes,
                                    const ContextKey::History* given, const Calendar& calendar) {
    const SeriesKeys cued = eventCueSeries(routine);
    const bool byLearnedKey = routine.edits.learnedWhen && !routine.isMade();
    if (cued.empty() && !byLearnedKey) {
        return std::nullopt;
    }

    // Latest first, equal starts in the given order: the first that qualifies is the last time.
    std::vector<std::size_t> order(episodes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&episodes](std::size_t a, std::size_t b) {
        return episodes[a].start > episodes[b].start;
    });

    std::optional<ContextKey::History> built;
    for (const std::size_t index : order) {
        const Episode& episode = episodes[index];
        if (holdsCuedClass(episode, cued)) {
            return episode;
        }
        if (byLearnedKey) {
            if (given == nullptr && !built) {
                built.emplace(episodes);
            }
            if (ContextKey::of(episode, given != nullptr ? *given : *built, calendar) == routine.key) {
                return episode;
            }
        }
    }
    return std::nullopt;
}

std::vector<Item> withLastTime(const Routine& routine, const std::optional<Episode>& last) {
    std::vector<Item> result = routine.items;
    if (!last) {
        return result;
    }

    const auto holds = [](const std::vector<Item>& list, const Item& item) {
        return std::find(list.begin(), list.end(), item) != list.end();
    };
    std::size_t added = 0;
    for (const Item& item : last->setup.broughtUp) {
        if (holds(result, item) || holds(routine.edits.removed, item)) {
            continue;
        }
        switch (item.kind()) {
        case Item::Kind::app:
        case Item::Kind::note:
            continue;
        case Item::Kind::document:
            break;
        case Item::Kind::page: {
            const std::string& url = std::get<Item::Page>(item.value()).url;
            const auto replaced = std::find_if(result.begin(), result.end(), [&url](const Item& candidate) {
                const auto* page = std::get_if<Item::Page>(&candidate.value());
                return page != nullptr && deepens(page->url, url);
            });
            if (replaced != result.end()) {
                *replaced = item;
                continue;
            }
            break;
        }
        }
        if (added < cap) {
            result.push_back(item);
            ++added;
        }
    }
    return result;
}

} // namespace

std::optional<Episode> lastTime(const Routine& routine, const std::vector<Episode>& episodes,
                                const Calendar& calendar) {
    return findLastTime(routine, episodes, nullptr, calendar);
}

std::optional<Episode> lastTime(const Routine& routine, const std::vector<Episode>& episodes,
                                const ContextKey::History& history, const Calendar& calendar) {
    return findLastTime(routine, episodes, &history, calendar);
}

std::vector<Item> items(const Routine& routine, const std::vector<Episode>& episodes,
                        const Calendar& calendar) {
    return withLastTime(routine, lastTime(routine, episodes, calendar));
}

std::vector<Item> items(const Routine& routine, const std::vector<Episode>& episodes,
                        const ContextKey::History& history, const Calendar& calendar) {
    return withLastTime(routine, lastTime(routine, episodes, history, calendar));
}

} // namespace ostrel::PickUp
