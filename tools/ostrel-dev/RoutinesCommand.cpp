#include "Commands.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/routines/RoutineBook.hpp"
#include "core/store/Store.hpp"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace ostrel::dev {

namespace {

// Every mistake is one line on stderr and status 1, like a file that cannot be read.
[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error("ostrel-dev routines: " + message);
}

struct Options {
    std::filesystem::path database;
    std::string zone;
    std::int64_t at = std::numeric_limits<std::int64_t>::max();
};

std::int64_t milliseconds(const std::string& option, const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        fail(option + " expects milliseconds since 1970, not \"" + text + "\"");
    }
    return value;
}

Options parse(const Arguments& arguments) {
    std::optional<std::string> database;
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tz" || argument == "--at") {
            if (i + 1 == arguments.size()) {
                fail(argument + " needs a value");
            }
            if (!values.emplace(argument, arguments[++i]).second) {
                fail(argument + " is given twice");
            }
        } else if (argument.starts_with("-")) {
            fail("unknown option " + argument);
        } else if (database) {
            fail("expects one database path");
        } else {
            database = argument;
        }
    }
    if (!database) {
        fail("expects a database path");
    }
    if (!values.contains("--tz")) {
        fail("expects --tz ZONE");
    }
    Options options{*database, values["--tz"]};
    if (values.contains("--at")) {
        options.at = milliseconds("--at", values["--at"]);
    }
    return options;
}

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

int routinesCommand(const Arguments& arguments) {
    const Options options = parse(arguments);

    // What can be checked without the file is checked first, so a mistake never reaches it.
    const Calendar calendar = [&] {
        try {
            return Calendar(options.zone, "en_US");
        } catch (const CalendarError& error) {
            fail(error.what());
        }
    }();
    std::error_code error;
    if (!std::filesystem::is_regular_file(options.database, error)) {
        fail("no database file at " + options.database.string());
    }

    std::vector<Episode> episodes;
    std::vector<CalendarSeries> series;
    RoutineBook::EditsByKey edits;
    try {
        Store store(options.database, Store::Access::reader);
        episodes = store.episodes(std::numeric_limits<std::int64_t>::min(), options.at);
        series = store.calendarSeries();
        edits = store.routineEdits();
    } catch (const std::exception& failure) {
        fail("cannot read " + options.database.string() + ": " + failure.what());
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
