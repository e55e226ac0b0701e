#pragma once

// The learner's scores on the user's own history and the application's running costs, in numbers
// only: no names, titles, paths or addresses. The user reads it and may save or send it.

#include "core/foundation/Json.hpp"
#include "core/learning/Routine.hpp"
#include "core/replay/Replay.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

struct ScoreExport {
    // The application's resource use, measured by the caller.
    struct Budgets {
        double cpuPercent = 0; // since launch
        double memoryMB = 0;   // footprint, MiB
        double databaseMB = 0; // database file and its write-ahead log, MiB

        static Budgets fromJSON(const json::Value& value);
        // A value that is not finite (a failed measurement) is written as 0, so that one bad
        // reading does not cost the whole export.
        json::Value toJSON() const;
        friend bool operator==(const Budgets&, const Budgets&) = default;
    };

    std::string version;
    std::int64_t days = 0;                        // whole days from the first episode start to the last
    std::int64_t episodes = 0;                    // replayed
    std::map<std::string, std::int64_t> triggers; // episodes per trigger kind that occurs
    std::int64_t suggestions = 0;                 // episodes with a prediction
    std::int64_t agreed = 0;                      // of those, the ones that agreed
    std::optional<double> coverage;
    std::optional<double> accuracy;
    std::optional<double> meanPrecision; // over the non-empty predictions
    std::optional<double> meanRecall;    // over the predictions for episodes that brought something up
    std::map<std::string, std::int64_t> routines; // learned routines per trust level that occurs
    std::map<std::string, bool> signals;          // which signals are switched on
    Budgets budgets;

    // The scores of a replay and the learned routines, with the caller's version, signals and
    // budgets copied unchanged.
    static ScoreExport make(const Replay::Report& report, const std::vector<Routine>& routines,
                            std::string version, std::map<std::string, bool> signals, Budgets budgets);

    // Every key but the four scores required; an absent score leaves its key out.
    static ScoreExport fromJSON(const json::Value& value);
    json::Value toJSON() const;

    // Pretty-printed, two spaces a level, one key a line, keys sorted, slashes escaped. Throws
    // json::EncodingError when the version or a signal's name is not valid UTF-8.
    std::string json() const;

    friend bool operator==(const ScoreExport&, const ScoreExport&) = default;
};

} // namespace ostrel
