#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/routines/RoutineBook.hpp"
#include "core/store/Store.hpp"

#include <cstdint>
#include <iostream>
#include <limits>

namespace ostrel::dev {

namespace {

json::Value toJSON(const Routine& routine, const std::vector<CalendarSeries>& series,
                   const Calendar& calendar) {
    json::Value items = json::Value::array();
    for (const Item& item : routine.items) {
        items.push_back(item.id());
    }
    return json::Value{
        {"key", routine.key.id()},          {"name", RoutineName::name(routine, series, calendar)},
        {"items", std::move(items)},        {"support", routine.support},
        {"confidence", routine.confidence}, {"trust", std::string(toString(routine.trust))},
    };
}

} // namespace

// Prints the routines the book gives for what was learned from the episodes before --at, in the
// learner's order followed by the user's own, as one JSON array.
int routinesCommand(const Arguments& arguments) {
    const Options options("routines", arguments, {"--tz", "--at"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    const std::int64_t at =
        options.moment("--at", calendar).value_or(std::numeric_limits<std::int64_t>::max());
    // Everything that can be checked without the file was checked first; reading never creates one.
    const auto file = options.existingFile(path);

    std::vector<Episode> episodes;
    std::vector<CalendarSeries> series;
    RoutineBook::EditsByKey edits;
    try {
        Store store(file, Store::Access::reader);
        episodes = store.episodes(std::numeric_limits<std::int64_t>::min(), at);
        series = store.calendarSeries();
        edits = store.routineEdits();
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }

    json::Value result = json::Value::array();
    for (const Routine& routine :
         RoutineBook::apply(edits, RoutineLearner::routines(episodes, series, calendar))) {
        result.push_back(toJSON(routine, series, calendar));
    }
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
