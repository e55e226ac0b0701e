#include "app/autopilot/CueDriver.hpp"

#include "app/ai/SmartNames.hpp"

#include "app/signals/CalendarSignal.hpp"
#include "core/foundation/Logger.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "platform/Runtime.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <exception>
#include <memory>
#include <type_traits>
#include <variant>

namespace ostrel {

namespace {

const Logger& autopilotLog() {
    static const Logger logger("autopilot");
    return logger;
}

// A time cue is dropped once its timer is this late (after sleep), and when the user has been
// away from the keyboard for longer than this.
constexpr double lateLimit = 300;
constexpr std::int64_t idleLimit = 300;

std::int64_t milliseconds(Date at) {
    return truncatedMilliseconds(at).value_or(0);
}

} // namespace

CueDriver::CueDriver(Store& store, ObservationWriter& writer, Runtime& runtime, const Platform& platform,
                     const Settings& settings, Calendar calendar, Hooks hooks)
    : store_(store), runtime_(runtime), platform_(platform), settings_(settings),
      calendar_(std::move(calendar)), hooks_(std::move(hooks)) {
    // The watcher runs on the writer's queue and outlives the driver: it only hops to the main
    // executor, where the guard drops what arrives after the driver is gone.
    auto onMain = guard_.wrap([this](const SignalObservation& observation) { observed(observation); });
    writer.watch([main = &runtime.main(), onMain](const SignalObservation& observation) {
        main->post([onMain, observation]() mutable { onMain(observation); });
    });
    scheduleTimeCues();
}

CueDriver::~CueDriver() {
    guard_.invalidate();
    timeCueTimer_.cancel();
}

void CueDriver::observed(const SignalObservation& observation) {
    for (const CueEvent& event : cueWatch_.events(observation)) {
        consider(event, observation.ts);
    }
}

void CueDriver::consider(const CueEvent& event, std::int64_t at) {
    if (hooks_.paused && hooks_.paused()) {
        emit({{"effect", "dropped"},
              {"kind", "cue"},
              {"event", describe(event)},
              {"at", at},
              {"reason", "paused"}});
        return;
    }
    Autopilot::Demoted demoted = hooks_.demoted ? hooks_.demoted() : Autopilot::Demoted{};
    std::vector<Item> open;
    for (const RunningApp& app : platform_.workspace.runningApps()) {
        if (std::optional<Item> item = app.bundleID ? Item::app(*app.bundleID) : std::nullopt) {
            open.push_back(std::move(*item));
        }
    }

    auto done = guard_.wrap([this, event, at](std::optional<PlanningPass::CueResult> result,
                                              const std::vector<Item>& open) {
        std::string action = result ? std::string(caseName(result->action)) : "nil";
        if (const Routine* routine = result ? result->action.routine() : nullptr) {
            action += "(" + routine->key.id() + ")";
        }
        autopilotLog().debug("Cue %{private}s: %{private}s", describe(event), action);
        json::Value effect{{"effect", "cue"}, {"event", describe(event)}, {"at", at}, {"action", nullptr}};
        if (result) {
            effect["action"] = std::string(caseName(result->action));
            if (const Routine* routine = result->action.routine()) {
                effect["routine"] = routine->key.id();
                effect["name"] = result->name;
            }
        }
        emit(effect);
        if (result && hooks_.act) {
            hooks_.act(result->action, result->name, open);
        }
    });
    runtime_.worker().post([&store = store_, names = SmartNames::cached(settings_), &main = runtime_.main(),
                            calendar = calendar_, event, at, open = std::move(open),
                            demoted = std::move(demoted), done = std::move(done)]() mutable {
        std::optional<PlanningPass::CueResult> result;
        try {
            result = PlanningPass::forCue(store, event, at, open, calendar, demoted, names);
        } catch (const std::exception&) {
            // No result: the debug line on main says so, and nothing is acted on.
        }
        main.post([done = std::move(done), result = std::move(result), open = std::move(open)]() mutable {
            done(std::move(result), open);
        });
    });
}

void CueDriver::scheduleTimeCues() {
    timeCueTimer_.cancel();
    deadline_.reset();

    Store::RoutineEditsByKey edits;
    try {
        edits = store_.routineEdits();
    } catch (const std::exception& error) {
        autopilotLog().error("No time cue armed: the routines' edits could not be read: %{public}s", error);
        return;
    }
    const Date now = runtime_.clock().now();
    std::optional<Date> earliest;
    for (const auto& [id, edit] : edits) {
        if (edit.deleted || edit.mode == RoutineEdits::Mode::off) {
            continue;
        }
        for (const Cue& cue : edit.cues) {
            const std::optional<Date> next = cue.next(now, calendar_);
            if (next && (!earliest || *next < *earliest)) {
                earliest = next;
            }
        }
    }
    if (!earliest) {
        return;
    }
    deadline_ = earliest;
    timeCueTimer_ =
        runtime_.main().postAt(*earliest, guard_.wrap([this, at = *earliest] { timeCueCame(at); }));
    emitTimer();
}

void CueDriver::timeCueCame(Date at) {
    deadline_.reset();
    const char* reason = nullptr;
    if (runtime_.clock().now() - at >= lateLimit) {
        reason = "late";
    } else if (CalendarSignal::screenIsLocked(platform_.session)) {
        reason = "locked";
    } else if (CalendarSignal::idleSeconds(platform_.activity) > idleLimit) {
        reason = "idle";
    }
    if (reason != nullptr) {
        emit(
            {{"effect", "dropped"}, {"kind", "timeCue"}, {"deadline", milliseconds(at)}, {"reason", reason}});
    } else {
        // The scheduled minute, not the moment of firing: the cues are matched against it.
        consider(CueEvent::time(), milliseconds(at));
    }
    scheduleTimeCues();
}

void CueDriver::setTrace(Trace trace) {
    trace_ = std::move(trace);
    if (deadline_) {
        emitTimer();
    }
}

void CueDriver::emitTimer() const {
    emit({{"effect", "timer"}, {"kind", "timeCue"}, {"deadline", milliseconds(*deadline_)}});
}

void CueDriver::emit(const json::Value& effect) const {
    if (trace_) {
        trace_(effect);
    }
}

std::string CueDriver::describe(const CueEvent& event) {
    return std::visit(
        [](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, CueEvent::WiFi>) {
                return "wifi(" + value.network + ")";
            } else if constexpr (std::is_same_v<T, CueEvent::Display>) {
                return "display(" + value.uuid + ")";
            } else if constexpr (std::is_same_v<T, CueEvent::AudioDevice>) {
                return "audioDevice(" + value.uid + ")";
            } else if constexpr (std::is_same_v<T, CueEvent::App>) {
                return "app(" + value.bundleID + ")";
            } else {
                return "time";
            }
        },
        event.value);
}

} // namespace ostrel
