#include "core/learning/ContextKey.hpp"

#include "core/foundation/IdText.hpp"
#include "core/foundation/Text.hpp"

#include <charconv>
#include <memory>
#include <stdexcept>

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace ostrel {

namespace {

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

void appendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Digits with any separated digit groups after them: "2", "12/3", "10:15", "1.5", "2024-09-01".
const icu::RegexPattern& numberPattern() {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
            UNICODE_STRING_SIMPLE("[0-9]+([\\/.:\\-][0-9]+)*"), 0, parseError, status));
        if (U_FAILURE(status)) {
            throw std::logic_error(std::string("bad built-in pattern: ") + u_errorName(status));
        }
        return compiled;
    }();
    return *pattern;
}

} // namespace

std::string ContextKey::id() const {
    return std::visit(
        [](const auto& key) {
            using T = std::decay_t<decltype(key)>;
            std::string out;
            if constexpr (std::is_same_v<T, Event>) {
                out = "event:" + key.seriesKey;
            } else if constexpr (std::is_same_v<T, Title>) {
                out = "title:" + key.title;
            } else if constexpr (std::is_same_v<T, Slot>) {
                out = "slot:";
                appendInteger(out, key.weekday);
                out += ':';
                appendInteger(out, key.halfHour);
                out += ':';
                out += key.place;
            } else {
                out = "made:" + key.identifier;
            }
            return out;
        },
        value);
}

std::optional<ContextKey> ContextKey::fromId(std::string_view id) {
    const auto parts = idtext::split(id, 1);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    const std::string_view kind = parts[0];
    if (kind == "event") {
        return event(std::string(parts[1]));
    }
    if (kind == "title") {
        return title(std::string(parts[1]));
    }
    if (kind == "made") {
        return made(std::string(parts[1]));
    }
    if (kind != "slot") {
        return std::nullopt;
    }
    const auto slotParts = idtext::split(parts[1], 2);
    if (slotParts.size() != 3) {
        return std::nullopt;
    }
    const auto weekday = idtext::parseInteger(slotParts[0]);
    const auto halfHour = idtext::parseInteger(slotParts[1]);
    if (!weekday || !halfHour) {
        return std::nullopt;
    }
    return slot(*weekday, *halfHour, std::string(slotParts[2]));
}

std::string ContextKey::normalise(std::string_view title) {
    if (title.size() > static_cast<std::size_t>(INT32_MAX)) {
        throw std::length_error("title too long");
    }
    const icu::UnicodeString lower = icu::UnicodeString::fromUTF8(text::lowercased(title));

    // Every number starts with an ASCII digit, so a title without one has nothing to remove.
    icu::UnicodeString stripped;
    if (title.find_first_of("0123456789") == std::string_view::npos) {
        stripped = lower;
    } else {
        // A matcher is costly to make and not to be shared between threads: one per thread.
        UErrorCode status = U_ZERO_ERROR;
        thread_local const std::unique_ptr<icu::RegexMatcher> matcher(numberPattern().matcher(status));
        if (U_FAILURE(status) || !matcher) {
            throw std::runtime_error(std::string("regular expression failed: ") + u_errorName(status));
        }
        matcher->reset(lower);
        stripped = matcher->replaceAll(icu::UnicodeString(), status);
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("regular expression failed: ") + u_errorName(status));
        }
    }

    // Split at any Unicode whitespace and join the words with one blank.
    icu::UnicodeString joined;
    const int32_t length = stripped.length();
    int32_t at = 0;
    while (at < length) {
        while (at < length && u_isUWhiteSpace(stripped.char32At(at))) {
            at = stripped.moveIndex32(at, 1);
        }
        const int32_t start = at;
        while (at < length && !u_isUWhiteSpace(stripped.char32At(at))) {
            at = stripped.moveIndex32(at, 1);
        }
        if (at > start) {
            if (!joined.isEmpty()) {
                joined.append(u' ');
            }
            joined.append(stripped, start, at - start);
        }
    }
    std::string result;
    joined.toUTF8String(result);
    return result;
}

ContextKey::History::History(const std::vector<Episode>& episodes) : places(episodes) {
    for (const Episode& episode : episodes) {
        for (const CalendarEvent& event : episode.context.events) {
            if (!event.recurring) {
                titles[normalise(event.title)].insert(episode.trigger.ts);
            }
        }
    }
}

ContextKey::Moment ContextKey::Moment::of(const Context& context, std::int64_t at, const Calendar& calendar) {
    Moment moment;
    const Calendar::Components local = calendar.components(static_cast<Date>(at) / 1000.0);
    moment.weekday = local.weekday;
    moment.halfHour = local.hour * 2 + local.minute / 30;
    moment.titles.reserve(context.events.size());
    for (const CalendarEvent& event : context.events) {
        moment.titles.push_back(event.recurring ? std::string() : normalise(event.title));
    }
    return moment;
}

std::vector<ContextKey> ContextKey::candidates(const Context& context, std::int64_t at,
                                               const History& history, const Calendar& calendar) {
    return candidates(context, at, Moment::of(context, at, calendar), history);
}

std::vector<ContextKey> ContextKey::candidates(const Context& context, std::int64_t at, const Moment& moment,
                                               const History& history) {
    std::vector<ContextKey> keys;
    for (const CalendarEvent& event : context.events) {
        if (event.recurring) {
            keys.push_back(ContextKey::event(event.key));
        }
    }

    for (std::size_t index = 0; index < context.events.size(); ++index) {
        if (context.events[index].recurring) {
            continue;
        }
        const std::string& normalised = moment.titles.at(index);
        // Titles of only digits and punctuation would all meet under one empty key, whose id does
        // not even read back; such an event is no title to learn by.
        if (normalised.empty()) {
            continue;
        }
        const auto seen = history.titles.find(normalised);
        // A title counts once it was seen at some other moment than this one.
        if (seen != history.titles.end() &&
            (seen->second.size() > 1 || (seen->second.size() == 1 && *seen->second.begin() != at))) {
            keys.push_back(ContextKey::title(normalised));
            break;
        }
    }

    std::string place = "unknown";
    if (auto named = context.location ? history.places.place(*context.location) : std::nullopt) {
        place = std::move(*named);
    } else if (context.network) {
        place = "wifi:" + *context.network;
    }
    keys.push_back(ContextKey::slot(moment.weekday, moment.halfHour, std::move(place)));
    return keys;
}

ContextKey ContextKey::of(const Episode& episode, const std::vector<Episode>& among,
                          const Calendar& calendar) {
    return of(episode, History(among), calendar);
}

ContextKey ContextKey::of(const Episode& episode, const History& history, const Calendar& calendar) {
    return candidates(episode.context, episode.trigger.ts, history, calendar).front();
}

std::weak_ordering operator<=>(const ContextKey& a, const ContextKey& b) {
    if (const auto order = text::compare(a.id(), b.id()); order != 0) {
        return order;
    }
    // Equal ids mean the same case; only a slot's id joins several fields.
    if (a.value.index() != b.value.index()) {
        return a.value.index() <=> b.value.index();
    }
    if (const auto* left = std::get_if<ContextKey::Slot>(&a.value)) {
        const auto& right = std::get<ContextKey::Slot>(b.value);
        if (left->weekday != right.weekday) {
            return left->weekday <=> right.weekday;
        }
        if (left->halfHour != right.halfHour) {
            return left->halfHour <=> right.halfHour;
        }
        return text::compare(left->place, right.place);
    }
    return std::weak_ordering::equivalent;
}

std::size_t ContextKey::hash() const {
    std::size_t seed = value.index();
    std::visit(
        [&seed](const auto& key) {
            using T = std::decay_t<decltype(key)>;
            if constexpr (std::is_same_v<T, Event>) {
                combine(seed, text::hash(key.seriesKey));
            } else if constexpr (std::is_same_v<T, Title>) {
                combine(seed, text::hash(key.title));
            } else if constexpr (std::is_same_v<T, Slot>) {
                combine(seed, std::hash<std::int64_t>{}(key.weekday));
                combine(seed, std::hash<std::int64_t>{}(key.halfHour));
                combine(seed, text::hash(key.place));
            } else {
                combine(seed, text::hash(key.identifier));
            }
        },
        value);
    return seed;
}

} // namespace ostrel
