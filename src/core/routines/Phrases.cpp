#include "core/routines/Phrases.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <stdexcept>
#include <utility>

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace ostrel::Phrases {

namespace {

using icu::RegexPattern;
using icu::UnicodeString;

// Compiled once, shared read-only; RegexPattern is thread-safe, a matcher per call is not shared.
std::unique_ptr<RegexPattern> compile(const char* pattern) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<RegexPattern> compiled(
        RegexPattern::compile(UnicodeString::fromUTF8(pattern), 0, parseError, status));
    if (U_FAILURE(status)) {
        throw std::logic_error(std::string("bad built-in pattern: ") + pattern);
    }
    return compiled;
}

struct MomentList {
    Moment moment;
    std::vector<std::unique_ptr<RegexPattern>> patterns;
};

const std::vector<MomentList>& momentLists() {
    static const std::vector<MomentList> lists = [] {
        const auto list = [](Moment moment, std::initializer_list<const char*> patterns) {
            MomentList result{moment, {}};
            for (const char* pattern : patterns) {
                result.patterns.push_back(compile(pattern));
            }
            return result;
        };
        std::vector<MomentList> built;
        built.push_back(
            list(Moment::display, {"monitor", "display", "external screen", "plug(ged)? in", "dock"}));
        built.push_back(list(Moment::headphones, {"airpods", "headphones", "earbuds", "headset", "beats"}));
        built.push_back(list(Moment::arriving, {"when i (get|arrive|am|'m) (to|at|in)",
                                                "\\bat (the )?(library|home|dorm|office|lab|gym|work)",
                                                "\\bin (the )?(library|dorm|office|lab)"}));
        built.push_back(list(Moment::openApp, {"when i (open|launch|start) "}));
        built.push_back(
            list(Moment::time, {"\\b\\d{1,2}(:\\d{2})? ?(am|pm)\\b", "\\bat \\d{1,2}(:\\d{2})?\\b",
                                "\\bevery (morning|evening|night|day|weekday)", "\\b(noon|midnight)\\b"}));
        return built;
    }();
    return lists;
}

// Unicode lower-casing that does not depend on the process locale.
UnicodeString lowered(const std::string& text) {
    return UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot());
}

// Start and end of the first match of pattern in text, or nothing.
std::optional<std::pair<int32_t, int32_t>> firstMatch(const RegexPattern& pattern,
                                                      const UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
    if (U_FAILURE(status) || !matcher->find(status) || U_FAILURE(status)) {
        return std::nullopt;
    }
    const int32_t start = matcher->start(status);
    const int32_t end = matcher->end(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return std::make_pair(start, end);
}

} // namespace

std::optional<Moment> moment(const std::string& text) {
    const UnicodeString lower = lowered(text);
    for (const MomentList& list : momentLists()) {
        for (const auto& pattern : list.patterns) {
            if (firstMatch(*pattern, lower)) {
                return list.moment;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> hidden(const std::string& text, const std::vector<std::string>& names) {
    static const auto verb = compile("\\b(hide|close|put away|minimi[sz]e|quit)\\b");
    static const auto stop = compile("\\bopen\\b");

    const UnicodeString lower = lowered(text);
    const auto verbMatch = firstMatch(*verb, lower);
    if (!verbMatch) {
        return {};
    }
    UnicodeString span(lower, verbMatch->second);
    if (const auto stopMatch = firstMatch(*stop, span)) {
        span.truncate(stopMatch->first);
    }

    std::vector<std::pair<int32_t, std::size_t>> found; // position in the span, index into names
    for (std::size_t index = 0; index < names.size(); ++index) {
        const UnicodeString name = lowered(names[index]);
        if (name.isEmpty()) {
            continue; // an empty text is "found" everywhere
        }
        if (const int32_t position = span.indexOf(name); position >= 0) {
            found.emplace_back(position, index);
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<std::string> result;
    result.reserve(found.size());
    for (const auto& [position, index] : found) {
        result.push_back(names[index]);
    }
    return result;
}

bool placesWindows(const std::string& text) {
    static const std::array<const char*, 9> words = {"left",         "right",       "side by side",
                                                     "half",         "full screen", "fullscreen",
                                                     "whole screen", "maximi",      "split"};
    const UnicodeString lower = lowered(text);
    return std::any_of(words.begin(), words.end(),
                       [&](const char* word) { return lower.indexOf(UnicodeString::fromUTF8(word)) >= 0; });
}

} // namespace ostrel::Phrases
