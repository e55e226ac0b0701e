#pragma once

// The routines everything else works with: the learned ones with the user's stored edits merged
// in, then the routines the user made. Pure; the callers fetch the edits afresh for each pass, so
// a saved or deleted record takes effect at the next one.

#include "core/foundation/Text.hpp"
#include "core/learning/Routine.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <map>
#include <string>
#include <vector>

namespace ostrel::RoutineBook {

// Stored edit records by context key id, as the store reads them.
using EditsByKey = std::map<std::string, RoutineEdits, text::Less>;

// The learned routines in the given order, each with its record's items and edits merged in and
// those whose record is deleted left out; then, by created time (none counting as 0) and id, a
// routine of each other record that is not deleted, adds items or has cues, and whose id parses
// as a context key: support 0, confidence 1.0, trust suggest.
std::vector<Routine> apply(const EditsByKey& edits, std::vector<Routine> learned);

} // namespace ostrel::RoutineBook
