#include "Commands.hpp"
#include "Options.hpp"
#include "app/shell/ScoreExportBuild.hpp"
#include "core/store/Store.hpp"

#include <exception>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

namespace ostrel::dev {

// Prints the score export of a database as the application would write it, with zero budgets and
// no signals: what the learner would have predicted on the stored history, and how well.
int scoresCommand(const Arguments& arguments) {
    const Options options("scores", arguments, {"--tz"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    // Everything that can be checked without the file was checked first; reading never creates one.
    const auto file = options.existingFile(path);

    std::vector<Episode> episodes;
    std::vector<CalendarSeries> series;
    try {
        Store store(file, Store::Access::reader);
        episodes = store.episodes(std::numeric_limits<std::int64_t>::min(),
                                  std::numeric_limits<std::int64_t>::max());
        series = store.calendarSeries();
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }

    std::cout << ScoreExportBuild::json(episodes, series, calendar, OSTREL_VERSION, {}, {}) << '\n';
    return 0;
}

} // namespace ostrel::dev
