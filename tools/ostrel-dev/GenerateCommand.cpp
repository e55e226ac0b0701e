#include "Commands.hpp"
#include "Options.hpp"
#include "ScratchFolder.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

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

    namespace fs = std::filesystem;
    const fs::path target = path;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code failure;
    if (fs::symlink_status(target, failure).type() != fs::file_type::not_found) {
        throw options.error(path + " already exists; generate writes a new database");
    }
    if (!fs::is_directory(folder, failure)) {
        throw options.error("no folder " + folder.string() + " to write " + path + " in");
    }
    std::optional<semester::SemesterGenerator> generator;
    try {
        generator.emplace(semester);
    } catch (const std::invalid_argument& mistake) {
        throw options.error(mistake.what());
    }
    // Written in a folder of our own beside the target and then linked into place, so the user's
    // folder keeps its permissions and a file that appeared meanwhile is never replaced.
    const std::optional<ScratchFolder> scratch = [&] {
        try {
            return std::optional<ScratchFolder>(std::in_place, folder, ".ostrel-generate-");
        } catch (const std::exception& error) {
            throw options.error(error.what());
        }
    }();
    const fs::path written = scratch->path() / "quev.sqlite";
    semester::SemesterSummary summary;
    {
        Store store(written);
        summary = semester::writeSemester(*generator, store);
    }
    if (::link(written.c_str(), target.c_str()) != 0) {
        throw options.error("cannot write " + path + ": " + std::strerror(errno));
    }
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
