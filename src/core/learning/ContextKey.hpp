#pragma once

// The situation a routine is learned under: a recurring class, a one-off event known by its
// title, a weekly half-hour slot at a place, or a routine the user made. The id is the only form
// in which a key leaves memory (routine edits, answers, run records, the score export), so its
// text never changes.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace ostrel {

struct ContextKey {
    struct Event { // a recurring calendar event, by series key
        std::string seriesKey;
    };
    struct Title { // a one-off event, by normalised title
        std::string title;
    };
    struct Slot {
        std::int64_t weekday = 0;  // 1 = Sunday ... 7 = Saturday
        std::int64_t halfHour = 0; // hour * 2 + minute / 30
        std::string place;         // a place id, "wifi:" + hashed network, or "unknown"
    };
    struct Made { // a routine the user made, by its identifier
        std::string identifier;
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

    // Same case with equal payloads; text compares as Unicode text.
    friend bool operator==(const ContextKey& a, const ContextKey& b);
    // Ascending by id text, then by case and payload, so that it agrees with ==.
    friend std::weak_ordering operator<=>(const ContextKey& a, const ContextKey& b);
    std::size_t hash() const;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::ContextKey> {
    std::size_t operator()(const ostrel::ContextKey& key) const { return key.hash(); }
};
