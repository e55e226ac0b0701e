#include "core/learning/Prediction.hpp"

#include "core/foundation/Graphemes.hpp"
#include "core/foundation/Text.hpp"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace ostrel::Prediction {

namespace {

// A user-perceived character is a letter when its first scalar is alphabetic, so an accent written
// as a separate combining mark stays inside its word.
bool isLetterCharacter(std::string_view character) {
    std::int32_t offset = 0;
    UChar32 first = 0;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(character.data()), offset,
            static_cast<std::int32_t>(character.size()), first);
    return first >= 0 && u_hasBinaryProperty(first, UCHAR_ALPHABETIC);
}

// Maximal runs of letters and numbers; everything else separates.
std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> result;
    std::string current;
    for (const std::string_view character : graphemeClusters(text)) {
        if (isLetterCharacter(character) || isNumericCharacter(character)) {
            current.append(character);
        } else if (!current.empty()) {
            result.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) {
        result.push_back(std::move(current));
    }
    return result;
}

bool hasNumber(std::string_view word) {
    const auto characters = graphemeClusters(word);
    return std::any_of(characters.begin(), characters.end(), isNumericCharacter);
}

// Where a course code stands among the first three words, it ends the subject.
constexpr std::size_t codeReach = 3;

} // namespace

const std::unordered_set<std::string>& kinds() {
    static const std::unordered_set<std::string> words = {
        "lecture", "lec",        "lab", "labs",   "laboratory", "recitation", "rec",
        "recit",   "discussion", "dis", "disc",   "seminar",    "section",    "sec",
        "class",   "tutorial",   "tut", "studio", "workshop",   "practicum",  "office",
        "hours",   "online",     "in",  "person", "the"};
    return words;
}

std::optional<std::string> subject(std::string_view title) {
    std::vector<std::string> kept;
    for (std::string& word : words(text::lowercased(title))) {
        if (!kinds().contains(word)) {
            kept.push_back(std::move(word));
        }
    }
    if (kept.empty()) {
        return std::nullopt;
    }
    const std::size_t reach = std::min(kept.size(), codeReach);
    const auto code = std::find_if(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(reach),
                                   [](const std::string& word) { return hasNumber(word); });
    if (code != kept.begin() + static_cast<std::ptrdiff_t>(reach)) {
        kept.erase(code + 1, kept.end());
    }
    std::string result;
    for (const std::string& word : kept) {
        if (!result.empty()) {
            result += ' ';
        }
        result += word;
    }
    return result;
}

ContextKey key(const CalendarEvent& event) {
    if (event.recurring) {
        return ContextKey::event(event.key);
    }
    return ContextKey::title(ContextKey::normalise(event.title));
}

std::optional<Routine> routine(const CalendarEvent& event, const std::vector<Routine>& learned,
                               const std::vector<CalendarSeries>& series) {
    const ContextKey own = key(event);
    const auto ownRoutine = std::find_if(learned.begin(), learned.end(),
                                         [&own](const Routine& candidate) { return candidate.key == own; });

    std::unordered_map<std::string, std::string, text::Hash, text::Equal> seriesTitles;
    for (const CalendarSeries& one : series) {
        seriesTitles.emplace(one.key, one.title); // the first title of a key stays
    }

    std::vector<const Routine*> borrowed;
    if (const auto eventSubject = subject(event.title)) {
        for (const Routine& candidate : learned) {
            const auto* seriesKey = std::get_if<ContextKey::Event>(&candidate.key.value);
            if (seriesKey == nullptr) {
                continue;
            }
            // A series never borrows from itself.
            if (event.recurring && text::equal(seriesKey->seriesKey, event.key)) {
                continue;
            }
            const auto title = seriesTitles.find(seriesKey->seriesKey);
            if (title == seriesTitles.end()) {
                continue;
            }
            const auto sibling = subject(title->second);
            if (sibling && text::equal(*sibling, *eventSubject)) {
                borrowed.push_back(&candidate);
            }
        }
        std::stable_sort(borrowed.begin(), borrowed.end(),
                         [](const Routine* a, const Routine* b) { return a->support > b->support; });
    }

    std::vector<Item> items;
    std::unordered_set<Item> seen;
    const auto add = [&](const Item& item) {
        if (seen.insert(item).second) {
            items.push_back(item);
        }
    };
    if (ownRoutine != learned.end()) {
        std::for_each(ownRoutine->items.begin(), ownRoutine->items.end(), add);
    }
    for (const Routine* sibling : borrowed) {
        std::for_each(sibling->items.begin(), sibling->items.end(), add);
    }
    for (const std::string& link : event.links) {
        if (const auto page = Item::page(link)) {
            add(*page);
        }
    }
    if (items.empty()) {
        return std::nullopt;
    }
    if (items.size() > maxItems) {
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(maxItems), items.end());
    }

    Routine result{own, std::move(items), 0, unlearnedConfidence, TrustLevel::suggest};
    if (ownRoutine != learned.end()) {
        result.support = ownRoutine->support;
        result.confidence = ownRoutine->confidence;
    }
    return result;
}

std::optional<std::string> name(const ContextKey& key, const std::vector<CalendarEvent>& events) {
    const auto* series = std::get_if<ContextKey::Event>(&key.value);
    const auto* title = std::get_if<ContextKey::Title>(&key.value);
    if (series == nullptr && title == nullptr) {
        return std::nullopt;
    }
    for (const CalendarEvent& event : events) {
        if (event.recurring
                ? series != nullptr && text::equal(series->seriesKey, event.key)
                : title != nullptr && text::equal(title->title, ContextKey::normalise(event.title))) {
            return event.title;
        }
    }
    return std::nullopt;
}

} // namespace ostrel::Prediction
