#include "Commands.hpp"
#include "Options.hpp"
#include "app/scores/Budgets.hpp"
#include "core/foundation/Json.hpp"
#include "platform/Clock.hpp"

#include <iostream>

namespace ostrel::dev {

// The resource budgets of this command's own process (launched when the command started), with the
// raw readings they were made from; the database's files when --db is given (they need not exist).
int budgetsCommand(const Arguments& arguments) {
    const Options options("budgets", arguments, {"--db"});
    if (!options.positional().empty()) {
        throw UsageError{"expects [--db DB]"};
    }
    const SystemClock clock;
    Budgets::launched(clock);
    const auto db = options.text("--db");
    const Budgets::Readings readings =
        Budgets::read(clock, db ? std::optional<std::filesystem::path>(*db) : std::nullopt);
    const ScoreExport::Budgets budgets = Budgets::from(readings);
    const json::Value result{{"cpuPercent", budgets.cpuPercent},
                             {"memoryMB", budgets.memoryMB},
                             {"databaseMB", budgets.databaseMB},
                             {"raw",
                              {{"cpuSeconds", readings.cpuSeconds},
                               {"elapsed", readings.elapsed},
                               {"memoryBytes", readings.memoryBytes},
                               {"databaseBytes", readings.databaseBytes}}}};
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
