#include "Commands.hpp"
#include "NewDatabase.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <stdexcept>

namespace ostrel::dev {

// Writes a new database holding a generated semester, and prints what it holds.
int generateCommand(const Arguments& arguments) {
    const Options options("generate", arguments,
                          {"--days", "--per-day", "--seed", "--tz", "--start", "--noise"});
    const std::string& path = options.single("one database path");

    semester::SemesterOptions semester;
    semester.days = static_cast<int>(
        options.integer("--days", 1, semester::SemesterOptions::maxDays).value_or(semester.days));
    semester.perDay = static_cast<int>(
        options.integer("--per-day", 0, semester::SemesterOptions::maxPerDay).value_or(semester.perDay));
    semester.seed = static_cast<std::uint64_t>(
        options.integer("--seed", 0, std::numeric_limits<std::int64_t>::max()).value_or(1));
    if (options.text("--tz")) {
        semester.zone = options.calendar().zone();
    }
    semester.noise =
        options.enumeration<semester::Noise>("--noise", "low, medium or high").value_or(semester.noise);
    if (const auto start = options.date("--start")) {
        semester.year = start->year;
        semester.month = start->month;
        semester.day = start->day;
    }

    const NewDatabase database(options, path);
    std::optional<semester::SemesterGenerator> generator;
    try {
        generator.emplace(semester);
    } catch (const std::invalid_argument& mistake) {
        throw options.error(mistake.what());
    }
    semester::SemesterSummary summary;
    {
        Store store(database.path());
        summary = semester::writeSemester(*generator, store);
    }
    database.publish();
    std::cout << json::encode(json::ObjectWriter()
                                  .set("days", summary.days)
                                  .set("from", summary.from)
                                  .set("to", summary.to)
                                  .set("observations", summary.observations)
                                  .set("triggers", summary.triggers)
                                  .set("events", summary.events)
                                  .done())
              << '\n';
    return 0;
}

} // namespace ostrel::dev
