#include "core/replay/ScoreExport.hpp"

#include "core/episodes/Trigger.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace ostrel {

namespace {

double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

ScoreExport::Budgets ScoreExport::Budgets::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<double>("cpuPercent"), reader.required<double>("memoryMB"),
            reader.required<double>("databaseMB")};
}

json::Value ScoreExport::Budgets::toJSON() const {
    return json::ObjectWriter()
        .set("cpuPercent", finiteOrZero(cpuPercent))
        .set("memoryMB", finiteOrZero(memoryMB))
        .set("databaseMB", finiteOrZero(databaseMB))
        .done();
}

ScoreExport ScoreExport::make(const Replay::Report& report, const std::vector<Routine>& routines,
                              std::string version, std::map<std::string, bool> signals, Budgets budgets) {
    ScoreExport scores;
    const auto& results = report.episodes;
    scores.episodes = static_cast<std::int64_t>(results.size());
    if (!results.empty()) {
        const auto [first, last] =
            std::minmax_element(results.begin(), results.end(),
                                [](const Replay::EpisodeResult& a, const Replay::EpisodeResult& b) {
                                    return a.episode.start < b.episode.start;
                                });
        std::int64_t span = 0;
        if (!__builtin_sub_overflow(last->episode.start, first->episode.start, &span)) {
            scores.days = span / 86400000;
        } else {
            // Starts more than half the range of int64 apart: far beyond any real history.
            scores.days = static_cast<std::int64_t>(
                (static_cast<double>(last->episode.start) - static_cast<double>(first->episode.start)) /
                86400000.0);
        }
    }

    double precisionSum = 0;
    std::int64_t precisionCount = 0;
    double recallSum = 0;
    std::int64_t recallCount = 0;
    for (const Replay::EpisodeResult& result : results) {
        ++scores.triggers[std::string(toString(result.episode.trigger.kind))];
        if (!result.predicted) {
            continue;
        }
        ++scores.suggestions;
        if (result.agreed()) {
            ++scores.agreed;
        }
        if (const auto precision = result.precision()) {
            precisionSum += *precision;
            ++precisionCount;
        }
        if (const auto recall = result.recall()) {
            recallSum += *recall;
            ++recallCount;
        }
    }
    scores.coverage = report.coverage();
    scores.accuracy = report.accuracy();
    if (precisionCount > 0) {
        scores.meanPrecision = precisionSum / static_cast<double>(precisionCount);
    }
    if (recallCount > 0) {
        scores.meanRecall = recallSum / static_cast<double>(recallCount);
    }
    for (const Routine& routine : routines) {
        ++scores.routines[std::string(toString(routine.trust))];
    }
    scores.version = std::move(version);
    scores.signals = std::move(signals);
    scores.budgets = budgets;
    return scores;
}

ScoreExport ScoreExport::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    ScoreExport scores;
    scores.version = reader.required<std::string>("version");
    scores.days = reader.required<std::int64_t>("days");
    scores.episodes = reader.required<std::int64_t>("episodes");
    scores.triggers = reader.required<std::map<std::string, std::int64_t>>("triggers");
    scores.suggestions = reader.required<std::int64_t>("suggestions");
    scores.agreed = reader.required<std::int64_t>("agreed");
    scores.coverage = reader.optional<double>("coverage");
    scores.accuracy = reader.optional<double>("accuracy");
    scores.meanPrecision = reader.optional<double>("meanPrecision");
    scores.meanRecall = reader.optional<double>("meanRecall");
    scores.routines = reader.required<std::map<std::string, std::int64_t>>("routines");
    scores.signals = reader.required<std::map<std::string, bool>>("signals");
    scores.budgets = reader.required<Budgets>("budgets");
    return scores;
}

json::Value ScoreExport::toJSON() const {
    return json::ObjectWriter()
        .set("version", version)
        .set("days", days)
        .set("episodes", episodes)
        .set("triggers", triggers)
        .set("suggestions", suggestions)
        .set("agreed", agreed)
        .set("coverage", coverage)
        .set("accuracy", accuracy)
        .set("meanPrecision", meanPrecision)
        .set("meanRecall", meanRecall)
        .set("routines", routines)
        .set("signals", signals)
        .set("budgets", budgets)
        .done();
}

std::string ScoreExport::json() const {
    return json::encode(toJSON(), {.pretty = true, .escapeSlashes = true});
}

} // namespace ostrel
