#pragma once

#include "app/autopilot/Arrangement.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "core/episodes/Item.hpp"
#include "core/foundation/Date.hpp"
#include "core/foundation/Logger.hpp"
#include "core/learning/Routine.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/Displays.hpp"
#include "platform/Executor.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// Sets the computer up for a routine: opens its apps, documents and pages, puts other apps away,
// mutes the sound, starts its shortcut and places its windows; and later tidies such a run up or
// undoes it. Each of the three records its observation ("quev.run", "quev.tidy", "quev.undo").
//
// Launches finish and windows show up after run() has returned: what they start or move reaches
// the ledger on the main executor, and nothing reaches it once this runner is gone.
//
// Threading: main executor only. Nothing here throws; whatever is missing skips its one step.
class SetupRunner {
public:
    // The record of one run.
    struct Run {
        std::string id; // upper-case UUID text; keys the ledger and the observations
        Routine routine;
        std::string name; // the routine's display name, as the caller gave it
        // Empty from run(): the caller fills it from the ledger before tidying up or undoing.
        std::vector<AppInstance> launched;
        std::vector<Item> opened; // what this run asked to open, in routine order
        std::vector<AppInstance> hid;
        // false when this run muted an audible output; absent otherwise. Only false unmutes.
        std::optional<bool> wasMuted;
        std::optional<std::string> mutedDevice; // the unique id of the device this run muted
        bool placementStarted = false;          // the layout was not empty and the process trusted
    };

    // The system this runner acts on. Every reference must outlive the runner.
    struct Roles {
        Workspace& workspace;
        AudioSystem& audio;
        WindowAccessibility& accessibility;
        Displays& displays;
        Shortcuts& shortcuts;
    };

    // An item opens at once only this long after its trigger; a later one stays behind.
    static constexpr double activationWindow = 3.0;

    SetupRunner(ObservationWriter& writer, RunLedger& ledger, Roles roles, Executor& main, SecureRandom& random);
    ~SetupRunner();

    SetupRunner(const SetupRunner&) = delete;
    SetupRunner& operator=(const SetupRunner&) = delete;

    // Performs the routine now. open: items already open, not opened again; triggeredAt: when the
    // trigger behind this run happened; automatic: the autopilot ran it by itself (recorded);
    // bringToFront: opened apps and documents come forward when the trigger is recent.
    Run run(const Routine& routine, const std::string& name, const std::vector<Item>& open, Date triggeredAt,
            bool automatic, bool bringToFront);

    // At the end of its class: hides what the run opened, shows what it hid, unmutes what it muted.
    // Documents and pages stay open; nothing is quit.
    void tidyUp(const Run& run);
    // Reverses the run: asks the apps it started to quit, shows what it hid, moves its windows
    // back and unmutes what it muted. Documents and pages stay open.
    void undo(const Run& run);

    static const Logger& log();

private:
    // The completion of an open: logs a failure (naming appFile for an app's launch) and, when
    // record is set and the open started the app, hands it to the ledger on the main executor
    // while this runner lives.
    Workspace::OpenCompletion completion(std::optional<std::string> appFile, bool record, const std::string& runID);
    void stopArranging(const std::string& runID);
    void unmute(const Run& run);

    ObservationWriter& writer_;
    RunLedger& ledger_;
    Roles roles_;
    Executor& main_;
    SecureRandom& random_;
    std::map<std::string, std::unique_ptr<Arrangement>> arrangements_; // by run id, while placing
    // Declared last, so it is destroyed first: completions and moves stop reaching the ledger.
    LifetimeGuard guard_;
};

} // namespace ostrel
