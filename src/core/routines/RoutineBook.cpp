#include "core/routines/RoutineBook.hpp"

#include <algorithm>
#include <cstdint>
#include <set>
#include <utility>

namespace ostrel::RoutineBook {

namespace {

// Removed only takes out learned items, and added never repeats what is already there; repeats
// among the learned items themselves are left alone.
std::vector<Item> combine(const std::vector<Item>& items, const RoutineEdits& edits) {
    std::vector<Item> result;
    result.reserve(items.size() + edits.added.size());
    const auto contains = [](const std::vector<Item>& list, const Item& item) {
        return std::find(list.begin(), list.end(), item) != list.end();
    };
    for (const Item& item : items) {
        if (!contains(edits.removed, item)) {
            result.push_back(item);
        }
    }
    for (const Item& item : edits.added) {
        if (!contains(result, item)) {
            result.push_back(item);
        }
    }
    return result;
}

} // namespace

std::vector<Routine> apply(const EditsByKey& edits, std::vector<Routine> learned) {
    std::vector<Routine> result;
    result.reserve(learned.size());
    std::set<std::string, text::Less> seen;
    for (Routine& routine : learned) {
        std::string id = routine.key.id();
        const auto record = edits.find(id);
        seen.insert(std::move(id));
        if (record == edits.end()) {
            result.push_back(std::move(routine));
            continue;
        }
        if (record->second.deleted) {
            continue;
        }
        routine.items = combine(routine.items, record->second);
        routine.edits = record->second;
        result.push_back(std::move(routine));
    }

    // A record for a key the learner did not give makes a routine of its own only when it opens
    // something or can be started; one holding just a name, mode or window places stays stored.
    std::vector<EditsByKey::const_iterator> own;
    for (auto entry = edits.begin(); entry != edits.end(); ++entry) {
        const RoutineEdits& record = entry->second;
        if (!seen.contains(entry->first) && !record.deleted &&
            (!record.added.empty() || !record.cues.empty())) {
            own.push_back(entry);
        }
    }
    // The map already holds the ids in text order, which the stable sort keeps among equal times.
    std::stable_sort(own.begin(), own.end(), [](EditsByKey::const_iterator a, EditsByKey::const_iterator b) {
        return a->second.created.value_or(0) < b->second.created.value_or(0);
    });
    for (const auto entry : own) {
        auto key = ContextKey::fromId(entry->first);
        if (!key) {
            continue;
        }
        result.push_back(
            Routine{std::move(*key), combine({}, entry->second), 0, 1.0, TrustLevel::suggest, entry->second});
    }
    return result;
}

} // namespace ostrel::RoutineBook
