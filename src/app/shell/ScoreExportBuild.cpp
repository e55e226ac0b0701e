#include "app/shell/ScoreExportBuild.hpp"

#include "core/foundation/Utf8.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/replay/Replay.hpp"
#include "core/store/Store.hpp"
#include "platform/Runtime.hpp"

#include <cmath>
#include <exception>
#include <utility>

namespace ostrel {

ScoreExportBuild::ScoreExportBuild(Sources sources) : sources_(std::move(sources)) {}

bool ScoreExportBuild::isFailure(std::string_view text) {
    return text == readFailure || text == buildFailure;
}

std::string ScoreExportBuild::json(const std::vector<Episode>& episodes, const std::vector<CalendarSeries>& series,
                                   const Calendar& calendar, const std::string& version,
                                   const std::map<std::string, bool>& signals,
                                   const ScoreExport::Budgets& budgets) {
    const Replay::Report report = Replay::run(episodes, series, calendar);
    const auto routines = RoutineLearner::routines(episodes, series, calendar);
    return repairUtf8(ScoreExport::make(report, routines, version, signals, budgets).json());
}

std::string ScoreExportBuild::text(Store& store, Date now, const Calendar& calendar, const std::string& version,
                                   const std::map<std::string, bool>& signals,
                                   const ScoreExport::Budgets& budgets) {
    std::vector<Episode> episodes;
    std::vector<CalendarSeries> series;
    try {
        // Every episode ever recorded, up to and including this millisecond.
        const double millis = std::isfinite(now) ? std::trunc(now * 1000.0) : 0.0;
        episodes = store.episodes(0, static_cast<std::int64_t>(millis) + 1);
        series = store.calendarSeries();
    } catch (const std::exception&) {
        return readFailure;
    }
    try {
        return json(episodes, series, calendar, version, signals, budgets);
    } catch (const std::exception&) {
        return buildFailure;
    }
}

void ScoreExportBuild::start(std::function<void()> ready) {
    if (sources_.store == nullptr || started_) {
        return;
    }
    started_ = true;
    building_ = true;
    ready_ = std::move(ready);
    auto back = guard_.wrap([this](std::string& text) {
        building_ = false;
        text_ = std::move(text);
        if (ready_) {
            ready_();
        }
    });
    Runtime& runtime = sources_.runtime;
    runtime.worker().post([store = sources_.store, &runtime, calendar = sources_.calendar,
                           version = sources_.version, signals = sources_.signals, budgets = sources_.budgets,
                           back = std::move(back)]() mutable {
        std::string built = text(*store, runtime.clock().now(), calendar, version, signals, budgets);
        runtime.main().post([back = std::move(back), built = std::move(built)]() mutable { back(built); });
    });
}

} // namespace ostrel
