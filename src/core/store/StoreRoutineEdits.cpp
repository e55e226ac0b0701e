// The Store's queries over the routine_edits table.

#include "core/foundation/Utf8.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/store/Store.hpp"

namespace ostrel {

namespace {

// A record is only worth storing if the routine book can find it again under its key and gets
// back the same items; anything else would be lost silently at the next read.
void checkReadsBack(const RoutineEdits& edits, const std::string& id) {
    const auto key = ContextKey::fromId(id);
    if (!isValidUtf8(id) || !key || key->id() != id) {
        throw json::EncodingError("routine edits need a context key id, not \"" + id + "\"");
    }
    for (const auto* items : {&edits.added, &edits.removed}) {
        for (const Item& item : *items) {
            const auto back = Item::fromId(item.id());
            if (!back || !(*back == item)) {
                throw json::EncodingError("the item \"" + item.id() + "\" does not read back from its id");
            }
        }
    }
}

} // namespace

Store::RoutineEditsByKey Store::routineEdits() {
    std::vector<SQLRow> rows;
    {
        std::lock_guard guard(lock_);
        rows = database_.query("SELECT id, edits FROM routine_edits");
    }
    RoutineEditsByKey result;
    for (const SQLRow& row : rows) {
        const std::string* id = row.size() == 2 ? row[0].textValue() : nullptr;
        const std::string* text = row.size() == 2 ? row[1].textValue() : nullptr;
        if (id == nullptr || text == nullptr) {
            continue;
        }
        if (auto edits = json::tryDecodeRecord<RoutineEdits>(*text)) {
            result.insert_or_assign(*id, std::move(*edits));
        }
    }
    return result;
}

void Store::save(const RoutineEdits& edits, const std::string& id, Date now) {
    checkReadsBack(edits, id);
    const std::string text = json::encodeRecord(edits);
    const auto updated = truncatedMilliseconds(now);
    if (!updated) {
        throw DateRangeError("the time of the routine edits has no millisecond form");
    }
    std::lock_guard guard(lock_);
    database_.execute(
        "INSERT INTO routine_edits (id, edits, updated_ts) VALUES (?, ?, ?) ON CONFLICT (id) DO "
        "UPDATE SET edits = excluded.edits, updated_ts = excluded.updated_ts",
        {SQLValue(id), SQLValue(text), SQLValue(*updated)});
}

void Store::deleteEdits(const std::string& id) {
    std::lock_guard guard(lock_);
    database_.execute("DELETE FROM routine_edits WHERE id = ?", {SQLValue(id)});
}

} // namespace ostrel
