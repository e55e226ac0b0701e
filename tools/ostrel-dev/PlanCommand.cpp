#include "Commands.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace ostrel::dev {

namespace {

// Every mistake is one line and status 1: scripts that drive this command read stderr as it is.
[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error("ostrel-dev plan: " + message);
}

std::int64_t milliseconds(const std::string& option, const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        fail(option + " expects milliseconds since 1970, not \"" + text + "\"");
    }
    return value;
}

struct Options {
    std::filesystem::path database;
    std::string zone;
    Trigger trigger;
    std::int64_t now = 0;
};

Options parse(const Arguments& arguments) {
    std::optional<std::string> database;
    std::map<std::string, std::string> values;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tz" || argument == "--at" || argument == "--trigger" || argument == "--now") {
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
    for (const char* required : {"--tz", "--at", "--trigger"}) {
        if (!values.contains(required)) {
            fail(std::string("expects ") + required);
        }
    }
    const auto kind = fromString<Trigger::Kind>(values["--trigger"]);
    if (!kind) {
        fail("--trigger expects wake, unlock, login or event_start, not \"" + values["--trigger"] + "\"");
    }
    Options options{*database, values["--tz"], {milliseconds("--at", values["--at"]), *kind}, 0};
    options.now = values.contains("--now") ? milliseconds("--now", values["--now"]) : options.trigger.ts;
    return options;
}

json::Value idOrNull(const std::optional<ContextKey>& key) {
    return key ? json::Value(key->id()) : json::Value(nullptr);
}

} // namespace

// The planning pass for a stored trigger as the autopilot would run it at --now, with nothing
// demoted: which routine, what it would open, whether its own cue picked it, the action and the
// save offer, as one JSON object.
int planCommand(const Arguments& arguments) {
    const Options options = parse(arguments);
    // Everything that can be checked without the file is checked first, so that a mistake never
    // gets as far as opening it.
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

    std::optional<PlanningPass::Result> result;
    try {
        Store store(options.database, Store::Access::reader);
        result = PlanningPass::run(store, options.trigger, options.now, calendar, {});
    } catch (const std::exception& failure) {
        fail("cannot read " + options.database.string() + ": " + failure.what());
    }
    if (!result) {
        fail("no episode of a " + std::string(toString(options.trigger.kind)) + " trigger at " +
             std::to_string(options.trigger.ts) + " up to " + std::to_string(options.now));
    }

    const std::optional<Choice>& choice = result->choice;
    std::cout << json::encode(
                     json::ObjectWriter()
                         .set("routine", idOrNull(choice ? std::optional(choice->routine.key) : std::nullopt))
                         .set("items", choice ? choice->routine.items : std::vector<Item>{})
                         .set("picked", choice && choice->picked)
                         .set("action", std::string(Autopilot::caseName(result->action)))
                         .set("saveOffer", idOrNull(result->saveOffer))
                         .done())
              << '\n';
    return 0;
}

} // namespace ostrel::dev
