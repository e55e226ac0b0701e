#include "Commands.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/observations/TimeReport.hpp"
#include "core/store/Store.hpp"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace ostrel::dev {

namespace {

// How far before the span observations are read, as the Time page does: they set the front app,
// sites and the awake, lock and idle state the first gap is judged by.
constexpr std::int64_t lookBack = 6 * 3'600'000;
// The longest span reported: one entry per day is kept, so an absurd span would ask for absurd memory.
constexpr std::int64_t longestSpanDays = 3'660;
constexpr std::int64_t msPerDay = 86'400'000;

std::int64_t milliseconds(const std::string& option, const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw UsageError{option + " expects milliseconds since 1970, not \"" + text + "\""};
    }
    return value;
}

struct Options {
    std::filesystem::path database;
    std::string zone;
    std::int64_t from = 0;
    std::int64_t to = 0;
};

Options parse(const Arguments& arguments) {
    std::optional<std::string> database;
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tz" || argument == "--from" || argument == "--to") {
            if (i + 1 == arguments.size()) {
                throw UsageError{argument + " needs a value"};
            }
            if (!values.emplace(argument, arguments[++i]).second) {
                throw UsageError{argument + " is given twice"};
            }
        } else if (argument.starts_with("-")) {
            throw UsageError{"unknown option " + argument};
        } else if (database) {
            throw UsageError{"expects one database path"};
        } else {
            database = argument;
        }
    }
    if (!database) {
        throw UsageError{"expects a database path"};
    }
    for (const char* required : {"--tz", "--from", "--to"}) {
        if (!values.contains(required)) {
            throw UsageError{std::string("expects ") + required};
        }
    }
    return {*database, values["--tz"], milliseconds("--from", values["--from"]),
            milliseconds("--to", values["--to"])};
}

} // namespace

int reportCommand(const Arguments& arguments) {
    const Options options = parse(arguments);

    // Everything that can be checked without the file is checked first, so that a mistake never
    // gets as far as opening it.
    const Calendar calendar = [&] {
        try {
            return Calendar(options.zone, "en_US");
        } catch (const CalendarError& error) {
            throw std::runtime_error("ostrel-dev report: " + std::string(error.what()));
        }
    }();
    if (saturatingSub(options.to, options.from) > longestSpanDays * msPerDay) {
        throw std::runtime_error("ostrel-dev report: the span may cover at most " +
                                 std::to_string(longestSpanDays) + " days");
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(options.database, error)) {
        throw std::runtime_error("ostrel-dev report: no database file at " + options.database.string());
    }

    std::vector<SignalObservation> observations;
    std::vector<CalendarEvent> events;
    try {
        Store store(options.database, Store::Access::reader);
        const std::int64_t lower = saturatingSub(options.from, lookBack);
        observations = store.observationsWithPayloadsOf(lower, options.to, TimeReport::payloadSignals());
        events = store.calendarEvents(options.from, options.to);
    } catch (const std::exception& failure) {
        throw std::runtime_error("ostrel-dev report: cannot read " + options.database.string() + ": " +
                                 failure.what());
    }
    const TimeReport report(observations, options.from, options.to, events, calendar);
    std::cout << json::encode(report.toJSON()) << '\n';
    return 0;
}

} // namespace ostrel::dev
