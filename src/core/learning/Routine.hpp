#pragma once

#include "core/episodes/Item.hpp"
#include "core/foundation/EnumText.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <string_view>
#include <unordered_set>
#include <vector>

namespace ostrel {

// How far a learned routine is trusted. The learner gives observe or suggest; automate is the
// highest level and only ever comes from elsewhere. Stored as "observe", "suggest", "automate".
enum class TrustLevel { observe, suggest, automate };

std::string_view toString(TrustLevel trust);
template <>
std::optional<TrustLevel> fromString<TrustLevel>(std::string_view text);

// What a context key keeps bringing up, with how many episodes stand behind it (support), how
// consistently the recent ones agree (confidence) and how far it is trusted; edits carries the
// user's changes once the routine book merged them in.
struct Routine {
    ContextKey key;
    std::vector<Item> items = {}; // most agreed-on first
    int support = 0;              // all episodes filed under the key; 0 for a routine the user made
    double confidence = 0;        // 0 ... 1
    TrustLevel trust = TrustLevel::observe;
    RoutineEdits edits = {};

    // A one-off event's routine: a title key seen fewer than twice.
    bool isOneOff() const { return std::holds_alternative<ContextKey::Title>(key.value) && support < 2; }
    bool isMade() const { return std::holds_alternative<ContextKey::Made>(key.value); }

    // All six fields equal, items in order.
    friend bool operator==(const Routine& a, const Routine& b);
};

// Size of the intersection over the size of the union; 1.0 when both are empty.
template <class T, class Hash = std::hash<T>, class Equal = std::equal_to<T>>
double jaccard(const std::unordered_set<T, Hash, Equal>& a, const std::unordered_set<T, Hash, Equal>& b) {
    if (a.empty() && b.empty()) {
        return 1.0;
    }
    const auto& smaller = a.size() <= b.size() ? a : b;
    const auto& larger = a.size() <= b.size() ? b : a;
    std::size_t shared = 0;
    for (const T& element : smaller) {
        shared += larger.contains(element) ? 1 : 0;
    }
    return static_cast<double>(shared) / static_cast<double>(a.size() + b.size() - shared);
}

} // namespace ostrel
