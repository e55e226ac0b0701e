#include "CommandDatabase.hpp"
#include "Commands.hpp"
#include "NewDatabase.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "semester/Simulation.hpp"

#include <charconv>
#include <iostream>
#include <limits>

namespace ostrel::dev {

namespace {

// A probability written as a decimal number in [0, 1].
double probability(const Options& options, const std::string& name, double fallback) {
    const auto text = options.text(name);
    if (!text) {
        return fallback;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || !(value >= 0 && value <= 1)) {
        throw options.error(name + " expects a probability from 0 to 1, not \"" + *text + "\"");
    }
    return value;
}

} // namespace

// Weeks of a student's life with the application's services on the simulated machine, into a new
// database; prints the report (and with --trace every effect first) as JSON lines.
int simulateCommand(const Arguments& arguments) {
    const Options options("simulate", arguments,
                          {"--days", "--seed", "--tz", "--noise", "--yes", "--no", "--undo", "--per-day"}, {"--trace"});
    const std::string& path = options.single("one database path");
    if (!options.text("--days") || !options.text("--seed") || !options.text("--tz")) {
        throw options.error("--days N, --seed S and --tz ZONE are required");
    }
    semester::SimulationOptions simulation;
    semester::SemesterOptions& semester = simulation.semester;
    semester.days = static_cast<int>(*options.integer("--days", 1, semester::SemesterOptions::maxDays));
    semester.seed = static_cast<std::uint64_t>(*options.integer("--seed", 0, std::numeric_limits<std::int64_t>::max()));
    semester.zone = options.calendar().zone();
    semester.noise = options.enumeration<semester::Noise>("--noise", "low, medium or high").value_or(semester.noise);
    semester.perDay = static_cast<int>(
        options.integer("--per-day", 0, semester::SemesterOptions::maxPerDay).value_or(semester.perDay));
    simulation.odds.yes = probability(options, "--yes", simulation.odds.yes);
    simulation.odds.no = probability(options, "--no", simulation.odds.no);
    simulation.odds.undo = probability(options, "--undo", simulation.odds.undo);
    if (simulation.odds.yes + simulation.odds.no > 1) {
        throw options.error("--yes and --no together exceed 1");
    }

    const NewDatabase database(options, path);
    simulation.database = database.path();

    const LogToStderr logToStderr(LogLevel::error);
    const bool trace = options.flag("--trace");
    std::vector<json::Value> report;
    {
        semester::Simulation run(simulation, trace ? semester::Simulation::Trace([](const json::Value& line) {
            std::cout << json::encode(line) << '\n';
        })
                                                    : semester::Simulation::Trace());
        report = run.run();
    }
    database.publish();
    for (const json::Value& line : report) {
        std::cout << json::encode(line) << '\n';
    }
    return 0;
}

} // namespace ostrel::dev
