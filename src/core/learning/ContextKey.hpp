#pragma once

// The situation a routine is learned under: a recurring class, a one-off event known by its
// title, a weekly half-hour slot at a place, or a routine the user made. The id is the only form
// in which a key leaves memory (routine edits, answers, run records, the score export), so its
// text never changes.

#include "core/episodes/Context.hpp"
#include "core/episodes/Episode.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Text.hpp"
#include "core/learning/Places.hpp"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace ostrel {

struct ContextKey {
    // Each case compares its text as Unicode text.
    struct Event { // a recurring calendar event, by series key
        std::string seriesKey;
        friend bool operator==(const Event& a, const Event& b) {
            return text::equal(a.seriesKey, b.seriesKey);
        }
    };
    struct Title { // a one-off event, by normalised title
        std::string title;
        friend bool operator==(const Title& a, const Title& b) { return text::equal(a.title, b.title); }
    };
    struct Slot {
        std::int64_t weekday = 0;  // 1 = Sunday ... 7 = Saturday
        std::int64_t halfHour = 0; // hour * 2 + minute / 30
        std::string place;         // a place id, "wifi:" + hashed network, or "unknown"
        friend bool operator==(const Slot& a, const Slot& b) {
            return a.weekday == b.weekday && a.halfHour == b.halfHour && text::equal(a.place, b.place);
        }
    };
    struct Made { // a routine the user made, by its identifier
        std::string identifier;
        friend bool operator==(const Made& a, const Made& b) {
            return text::equal(a.identifier, b.identifier);
        }
    };
    std::variant<Event, Title, Slot, Made> value;

    static ContextKey event(std::string seriesKey) { return {Event{std::move(seriesKey)}}; }
    static ContextKey title(std::string normalisedTitle) { return {Title{std::move(normalisedTitle)}}; }
    static ContextKey slot(std::int64_t weekday, std::int64_t halfHour, std::string place) {
        return {Slot{weekday, halfHour, std::move(place)}};
    }
    static ContextKey made(std::string identifier) { return {Made{std::move(identifier)}}; }

    // "event:" + series key, "title:" + title, "slot:" + weekday + ":" + half hour + ":" + place,
    // "made:" + identifier; nothing escaped.
    std::string id() const;
    // Gives nothing for a malformed id. A key with an empty payload writes an id that does not
    // parse.
    static std::optional<ContextKey> fromId(std::string_view id);

    bool isCalendar() const { return value.index() <= 1; }
    bool isEvent() const { return value.index() == 0; }

    // Lower-cased, numbers like "2", "12/3" or "10:15" removed, whitespace runs made one blank and
    // trimmed; so "Math 12/3 - Quiz" gives "math - quiz".
    static std::string normalise(std::string_view title);

    // What the keys of a moment need to know of the past.
    struct History {
        // Normalised title of each one-off event to the trigger times of the episodes it was in.
        std::unordered_map<std::string, std::set<std::int64_t>, text::Hash, text::Equal> titles;
        Places places;

        History() = default;
        explicit History(const std::vector<Episode>& episodes);
    };

    // What the keys read of a moment itself, worked out once for a moment keyed many times: the
    // weekday and half hour in the calendar's zone and the normalised title of each event (empty
    // for recurring ones, whose titles are never read).
    struct Moment {
        std::int64_t weekday = 0;
        std::int64_t halfHour = 0;
        std::vector<std::string> titles;

        static Moment of(const Context& context, std::int64_t at, const Calendar& calendar);
    };

    // The keys that could describe a moment, most specific first: an event key per recurring
    // event, then the first one-off title also seen at another time, then always one slot key
    // (weekday and half hour in the calendar's zone, at the named place, else the Wi-Fi network,
    // else "unknown"). A title that normalises to nothing gives no key.
    static std::vector<ContextKey> candidates(const Context& context, std::int64_t at, const History& history,
                                              const Calendar& calendar);
    static std::vector<ContextKey> candidates(const Context& context, std::int64_t at, const Moment& moment,
                                              const History& history);

    // The key an episode is filed under: the first candidate of its context at its trigger.
    static ContextKey of(const Episode& episode, const std::vector<Episode>& among, const Calendar& calendar);
    static ContextKey of(const Episode& episode, const History& history, const Calendar& calendar);

    // Same case with equal payloads; text compares as Unicode text.
    friend bool operator==(const ContextKey& a, const ContextKey& b) { return a.value == b.value; }
    // Ascending by id text, then by case and payload, so that it agrees with ==.
    friend std::weak_ordering operator<=>(const ContextKey& a, const ContextKey& b);
    std::size_t hash() const;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::ContextKey> {
    std::size_t operator()(const ostrel::ContextKey& key) const { return key.hash(); }
};
