#include "Commands.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/replay/Replay.hpp"
#include "core/replay/ScoreExport.hpp"
#include "core/store/Store.hpp"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace ostrel::dev {

namespace {

std::runtime_error failure(const std::string& message) {
    return std::runtime_error("ostrel-dev scores: " + message);
}

// A private folder for the copy, removed with it.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-scores-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw failure("couldn't make a temporary folder");
        }
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Copies the database with its write-ahead log, so that opening it (which may upgrade the schema
// and always sets the journal mode) never touches the user's file.
std::filesystem::path copyOf(const std::filesystem::path& database, const std::filesystem::path& into) {
    std::error_code error;
    const auto status = std::filesystem::status(database, error);
    if (error || !std::filesystem::exists(status)) {
        throw failure("no database at " + database.string());
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw failure(database.string() + " is not a file");
    }
    const std::filesystem::path copy = into / "scores.sqlite";
    if (!std::filesystem::copy_file(database, copy, error) || error) {
        throw failure("couldn't read " + database.string() + ": " + error.message());
    }
    const std::filesystem::path log = database.string() + "-wal";
    if (std::filesystem::exists(log, error)) {
        std::filesystem::copy_file(log, copy.string() + "-wal", error);
        if (error) {
            throw failure("couldn't read " + log.string() + ": " + error.message());
        }
    }
    return copy;
}

} // namespace

// Prints the score export of a database as the application would write it, with zero budgets and
// no signals: what the learner would have predicted on the stored history, and how well.
int scoresCommand(const Arguments& arguments) {
    std::optional<std::string> path;
    std::optional<std::string> zone;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tz") {
            if (zone) {
                throw failure("--tz given twice");
            }
            if (i + 1 == arguments.size()) {
                throw failure("--tz needs a time zone");
            }
            zone = arguments[++i];
        } else if (argument.starts_with("--")) {
            throw failure("unknown option " + argument);
        } else if (path) {
            throw failure("expects one database, got " + *path + " and " + argument);
        } else {
            path = argument;
        }
    }
    if (!path) {
        throw failure("expects a database: scores DB --tz ZONE");
    }
    if (!zone) {
        throw failure("expects a time zone: --tz ZONE");
    }
    std::optional<Calendar> calendar;
    try {
        calendar.emplace(*zone, "en_US");
    } catch (const CalendarError&) {
        throw failure("unknown time zone " + *zone);
    }

    const ScratchDir scratch;
    std::vector<Episode> episodes;
    std::vector<CalendarSeries> series;
    try {
        Store store(copyOf(*path, scratch.path()));
        episodes = store.episodes(std::numeric_limits<std::int64_t>::min(),
                                  std::numeric_limits<std::int64_t>::max());
        series = store.calendarSeries();
    } catch (const std::exception& error) {
        if (std::string(error.what()).starts_with("ostrel-dev scores: ")) {
            throw;
        }
        throw failure("couldn't read " + *path + ": " + error.what());
    }

    const Replay::Report report = Replay::run(episodes, series, *calendar);
    const auto routines = RoutineLearner::routines(episodes, series, *calendar);
    const auto scores = ScoreExport::make(report, routines, OSTREL_VERSION, {}, {});
    std::cout << scores.json() << '\n';
    return 0;
}

} // namespace ostrel::dev
