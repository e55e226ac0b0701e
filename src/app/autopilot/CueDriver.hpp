#pragma once

#include "core/foundation/Calendar.hpp"
#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"
#include "core/learning/Autopilot.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/routines/CueWatch.hpp"
#include "platform/Executor.hpp"
#include "platform/Platform.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class ObservationWriter;
class Runtime;
class Settings;
class Store;

// Starts routines from the user's cues: every observation the writer stores goes through the cue
// watch, and each happening it gives (a network joined, a display or audio device connected, an
// app launched) is planned by the core's cue pass; one wall-clock timer waits for the next time
// cue and hands the time event on at its scheduled minute, unless it fired 300 s late or more, the
// screen is locked or the user has been idle for longer than 300 s. A decision goes to the owner's
// act hook; the driver itself opens nothing, shows nothing and never offers to save a routine.
// Class cues are not its business: the trigger pass matches those at class starts.
//
// The watch is updated even while paused; only consider() looks at the pause. The timer is armed
// at construction and again after every firing; the owner calls scheduleTimeCues() when the
// routines' edits change. There is no periodic re-scan.
//
// Threading: main executor only, construction and destruction included. The cue pass runs on the
// worker and touches nothing of the driver; its result comes back to the main executor and is
// dropped once the driver is gone. Store and Settings must outlive the driver's worker tasks, and
// the runtime must outlive the writer (its watcher keeps posting to the main executor).
class CueDriver {
public:
    struct Hooks {
        std::function<bool()> paused;                // automatic setups are paused
        std::function<Autopilot::Demoted()> demoted; // key ids of the routines whose run was undone
        // A cue's decision and the chosen routine's name, with the running apps as open. The owner
        // acts at once with no class end, bringing to the front, with no answers, no ask note and
        // no save offer.
        std::function<void(const Autopilot::Action&, const std::string& name, const std::vector<Item>& open)>
            act;
    };

    // What the driver did, one JSON object each, for the developer tool and tests:
    //   {"effect":"cue","event":E,"at":ms,"action":"run"|"ask"|"nothing"|null[,"routine":id,"name":N]}
    //   {"effect":"timer","kind":"timeCue","deadline":ms}
    //   {"effect":"dropped","kind":"cue","event":E,"at":ms,"reason":"paused"}
    //   {"effect":"dropped","kind":"timeCue","deadline":ms,"reason":"late"|"locked"|"idle"}
    // E is the event as text (describe()). "action" null: the pass had no result.
    using Trace = std::function<void(const json::Value&)>;

    // Watches the writer from now on and arms the time-cue timer.
    CueDriver(Store& store, ObservationWriter& writer, Runtime& runtime, const Platform& platform,
              const Settings& settings, Calendar calendar, Hooks hooks);
    ~CueDriver();
    CueDriver(const CueDriver&) = delete;
    CueDriver& operator=(const CueDriver&) = delete;

    // Plans the event that happened at `at` (ms) on the worker, unless paused, and hands a result
    // to the act hook. Returns at once.
    void consider(const CueEvent& event, std::int64_t at);

    // Arms the one timer for the earliest next time cue of the routines that are neither deleted
    // nor off, replacing the armed one. None armed when there is no such cue or the edits cannot
    // be read.
    void scheduleTimeCues();

    const CueWatch& cueWatch() const { return cueWatch_; }
    // The armed timer's deadline; nothing when none is armed.
    std::optional<Date> timeCueDeadline() const { return deadline_; }

    // Replaces the trace; a timer already armed (at construction) is reported to it at once.
    void setTrace(Trace trace);

    // "wifi(<network>)", "display(<uuid>)", "audioDevice(<uid>)", "app(<bundle id>)" or "time".
    static std::string describe(const CueEvent& event);

private:
    void observed(const SignalObservation& observation);
    void timeCueCame(Date at);
    void emitTimer() const;
    void emit(const json::Value& effect) const;

    Store& store_;
    Runtime& runtime_;
    Platform platform_;
    const Settings& settings_;
    Calendar calendar_;
    Hooks hooks_;
    Trace trace_;

    CueWatch cueWatch_;
    TaskHandle timeCueTimer_;
    std::optional<Date> deadline_;

    LifetimeGuard guard_; // last: destroyed first
};

} // namespace ostrel
