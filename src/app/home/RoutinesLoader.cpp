#include "app/home/RoutinesLoader.hpp"

#include "app/ai/ModelAccess.hpp"
#include "app/ai/SmartNames.hpp"
#include "core/foundation/Saturating.hpp"
#include "core/learning/RoutineLearner.hpp"
#include "core/learning/RoutineName.hpp"
#include "core/routines/RoutineBook.hpp"
#include "core/store/Store.hpp"
#include "platform/Runtime.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <algorithm>
#include <exception>
#include <unordered_set>

namespace ostrel {

RoutinesLoader::RoutinesLoader(Services services) : services_(services) {}

RoutinesLoader::~RoutinesLoader() = default;

std::optional<RoutinesLoader::Result>
RoutinesLoader::compute(Store& store, std::int64_t now, const Calendar& calendar, const Settings& settings) {
    std::vector<Episode> episodes;
    Result result;
    Store::RoutineEditsByKey edits;
    try {
        episodes = store.episodes(0, saturatingAdd(now, 1));
        result.series = store.calendarSeries();
        edits = store.routineEdits();
    } catch (const std::exception&) {
        // A store, a row or a stored record that cannot be read: the page shows that nothing is known.
        return std::nullopt;
    }
    std::vector<Routine> merged =
        RoutineBook::apply(edits, RoutineLearner::routines(episodes, result.series, calendar));

    std::vector<CalendarEvent> events;
    try {
        events = store.calendarEvents(saturatingSub(now, scheduleReach), saturatingAdd(now, scheduleReach));
    } catch (const std::exception&) {
        events.clear(); // only the classes' days and times are lost
    }

    const auto cached = SmartNames::cached(settings);
    result.rows.reserve(merged.size());
    for (Routine& routine : merged) {
        std::optional<std::string> name = routine.edits.name;
        if (!name && cached) { // no cache at all is an empty function
            name = cached(routine.key.id());
        }
        if (!name) {
            name = RoutineName::name(routine.key, result.series, calendar);
        }
        result.rows.push_back({std::move(routine), std::move(*name), false});
    }
    result.schedules = SeriesSchedule::schedules(events, calendar);
    return result;
}

std::vector<std::string> RoutinesLoader::demotedIds(const Settings& settings) {
    const std::optional<SettingsValue> stored = settings.get(settingsKeys::demotedRoutines);
    const SettingsArray* array = stored ? stored->as<SettingsArray>() : nullptr;
    if (array == nullptr) {
        return {};
    }
    std::vector<std::string> ids;
    for (const SettingsValue& element : *array) {
        const std::string* id = element.as<std::string>();
        if (id == nullptr) {
            return {}; // the autopilot reads such a list as none demoted; so does the page
        }
        ids.push_back(*id);
    }
    return ids;
}

void RoutinesLoader::load() {
    if (services_.store == nullptr) {
        return;
    }
    const std::uint64_t number = ++started_;
    Store& store = *services_.store;
    const Clock& clock = services_.runtime.clock();
    const Settings& settings = services_.settings;
    Executor& main = services_.runtime.main();
    auto take =
        guard_.wrap([this, number](std::optional<Result> result) { this->take(number, std::move(result)); });
    services_.runtime.worker().post(
        [&store, &clock, &settings, &main, calendar = services_.calendar, take]() mutable {
            std::optional<Result> result;
            if (const auto now = truncatedMilliseconds(clock.now())) {
                result = compute(store, *now, calendar, settings);
            }
            main.post([take, result = std::move(result)]() mutable { take(std::move(result)); });
        });
}

void RoutinesLoader::take(std::uint64_t number, std::optional<Result> result) {
    if (number != started_) {
        return; // a newer load is under way; its list is the one to show
    }
    shown_ = number;
    naming_.reset(); // the older list's asking stops
    if (!result) {
        result.emplace();
    }
    if (services_.hasAutopilot) {
        const std::vector<std::string> ids = demotedIds(services_.settings);
        const std::unordered_set<std::string> demoted(ids.begin(), ids.end());
        for (LearnedRoutine& row : result->rows) {
            row.demoted = demoted.contains(row.id());
        }
    }
    toName_.clear();
    toName_.reserve(result->rows.size());
    for (const LearnedRoutine& row : result->rows) {
        toName_.push_back(row.routine);
    }
    routines_ = std::move(result->rows);
    series_ = std::move(result->series);
    schedules_ = std::move(result->schedules);
    notifier_.notify(Property::rows);
    askName(number, 0);
}

void RoutinesLoader::askName(std::uint64_t list, std::size_t index) {
    naming_.reset();
    if (list != shown_ || services_.model == nullptr) {
        return;
    }
    for (; index < toName_.size(); ++index) {
        const Routine& routine = toName_[index];
        const std::string id = routine.key.id();
        // A name the model gave after this list was read on the worker (an older list's answer)
        // is in the cache now, and the model is not asked again for it: take it from there.
        if (!routine.edits.name) {
            if (const auto cached = SmartNames::cached(services_.settings, id)) {
                rename(id, *cached);
            }
        }
        if (!SmartNames::wanted(routine, services_.settings)) {
            continue;
        }
        const ModelAccess access{*services_.model, services_.settings, services_.workspace};
        Executor& main = services_.runtime.main();
        auto answered = guard_.wrap([this, list, index, id](const std::optional<std::string>& name) {
            this->answered(list, index, id, name);
        });
        // The answer comes back through the main executor, never inside the call or the model's
        // own callback, so the token that delivers it is not destroyed while it runs.
        naming_.emplace(SmartNames::name(routine, series_, services_.calendar, access,
                                         [&main, answered](const std::optional<std::string>& name) {
                                             main.post([answered, name]() mutable { answered(name); });
                                         }));
        return;
    }
}

void RoutinesLoader::answered(std::uint64_t list, std::size_t index, const std::string& id,
                              const std::optional<std::string>& name) {
    if (name) {
        rename(id, *name);
    }
    if (list == shown_) {
        askName(list, index + 1);
    }
}

void RoutinesLoader::rename(const std::string& id, const std::string& name) {
    if (!routines_) {
        return;
    }
    const auto row = std::find_if(routines_->begin(), routines_->end(),
                                  [&id](const LearnedRoutine& candidate) { return candidate.id() == id; });
    if (row == routines_->end() || row->name == name) {
        return;
    }
    row->name = name;
    notifier_.notify(Property::names);
}

} // namespace ostrel
