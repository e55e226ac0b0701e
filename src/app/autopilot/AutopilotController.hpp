#pragma once

#include "app/autopilot/Banner.hpp"
#include "app/autopilot/CueDriver.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/SetupRunner.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "core/episodes/Context.hpp"
#include "core/episodes/Item.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Logger.hpp"
#include "core/learning/AnswerPayload.hpp"
#include "core/learning/Answers.hpp"
#include "core/learning/Autopilot.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/learning/Routine.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/routines/CueWatch.hpp"
#include "core/routines/PlanningPass.hpp"
#include "core/store/Store.hpp"
#include "platform/Executor.hpp"
#include "platform/Platform.hpp"
#include "platform/Runtime.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The autopilot: turns triggers (wake, unlock, login, a class starting), cue events (from newly
// written observations) and time cues into setups, questions, save offers, class-end tidy-ups and
// undo. Planning runs on the worker executor through the core's planning pass and comes back to
// the main executor; everything else, the banner included, happens on the main executor. It does
// not learn or decide anything itself: the core's pass and rules do; this only gathers their
// inputs, carries the verdict back and acts on it. Nothing here reaches the user as an error.
//
// Threading: main executor only (construct, call and destroy there). Work posted elsewhere holds
// the controller through a LifetimeGuard and does nothing once it is gone.
class AutopilotController {
public:
    // Everything the controller works with; every reference must outlive it.
    struct Services {
        Store& store;
        ObservationWriter& writer;
        Runtime& runtime;          // clock, main and worker executors
        Settings& settings;        // "pausedUntil", "demotedRoutines", "lastSaveOffer", "smartNames"
        const Platform& platform;  // workspace (running apps, names), session (lock), activity (idle), ...
        Banner& banner;
        RunLedger& ledger;
        Shortcuts& shortcuts;
        SecureRandom& random;
        const Calendar& calendar;  // the user's calendar: zone and locale
        std::string locale;        // ICU locale id for the banner's texts ("en_US")
    };

    static constexpr std::int64_t triggerFreshness = 89'999; // ms: older triggers are dropped
    static constexpr double coolDown = 600;                   // s, automatic runs per routine
    static constexpr double askTimeout = 120;                 // s
    static constexpr double resultTimeout = 10;               // s
    static constexpr double saveOfferDelay = 305;             // s, counted asleep too
    static constexpr double classEndGrace = 1'800;            // s
    static constexpr double timeCueLateness = 300;            // s
    static constexpr double timeCueIdle = 300;                // s

    explicit AutopilotController(Services services);
    ~AutopilotController();
    AutopilotController(const AutopilotController&) = delete;
    AutopilotController& operator=(const AutopilotController&) = delete;

    // The pause: the stored "pausedUntil" date while it is strictly later than now; a stale or
    // wrongly typed value reads as no pause and is left where it is. Setting nothing removes it.
    std::optional<Date> pausedUntil() const;
    void setPausedUntil(std::optional<Date> until);

    // Newly recorded triggers: drops them while paused, keeps those at most 89,999 ms old (or in
    // the future) and plans only the last; the decision is acted on back on the main executor,
    // then a save offer follows when the pass names a class to offer.
    void consider(const std::vector<Trigger>& triggers);
    // A cue event that happened at `at` (ms); the cue driver plans it. Cue events from new
    // observations reach the driver by themselves.
    void consider(const CueEvent& event, std::int64_t at);
    // Arms the one timer for the earliest time cue of the stored routines (none: no timer).
    // Called by the routine editor and the assistant after a routine is saved or deleted.
    void scheduleTimeCues();

    // Sets the routine up at once for the user (routines page, editor's try-it, assistant): no
    // cool-down, no class end, and pick-up unless the routine's edits turn it off.
    void setUpNow(const Routine& routine, const std::string& name);
    // Undoes the last run that did something and demotes its routine; nothing without one.
    void undoLastRun();
    // Tidies up the run (its launched apps from the ledger).
    void tidyUp(const SetupRunner::Run& run);
    // Takes the routine off the demoted list (rewrites the list even when it was not there).
    void promote(const std::string& keyID);

    // Told the class end after a class routine was set up (the mascot's "class set up").
    void setClassSetUp(std::function<void(Date classEnds)> classSetUp);

    const std::optional<SetupRunner::Run>& lastRun() const;
    // The class end the tidy-up timer waits for; nothing when none is armed.
    std::optional<Date> tidyUpDeadline() const;

    // The ask banner's second line for a routine: none for meeting routines, routines that are not
    // event or title keyed, or whose edits set a mode; none once no more yeses are needed; else
    // how many more yeses make it automatic.
    static std::optional<std::string> note(const Routine& routine, const Answers& answers);

    // What the controller did, for the developer tool and the simulator: one JSON object per
    // effect, in the order they happen, each {"effect": NAME, ...}:
    //   "planned"  "trigger" (kind), "ts", "action" run|ask|nothing, "routine" (the chosen
    //              routine's key id, also when nothing is done with it; empty without a choice),
    //              "guessed", "name"
    //   "banner"   shown: "kind" ask|result|saveOffer|tidyUp, "title", "detail", "buttons"
    //              (labels), "timeout" (s). Closing is the surface's to report: the banner closes
    //              on answers, time-outs and replacement without the controller.
    //   "answer"   "routine" (key id), "answer" yes|no|expired
    //   "run"      "routine", "name", "automatic", "bringToFront", "runID", "opened"/"hid" (counts), "muted",
    //              "placed", "visible" (false: a silent run, no banner, lastRun kept)
    //   "tidy"     "routine", "runID"
    //   "undo"     "routine", "runID", "bannerDismissed"
    //   "promote"  "routine": taken off the demoted list (the editor's save)
    //   "schedule" the time cues are re-armed on request (a "timer" of kind timeCue follows when
    //              one is armed)
    //   "timer"    "kind" saveOffer|tidyUp, "deadline" (ms, wall clock; for the save offer the
    //              moment it is due if the machine stays awake), "routine" or "runID"
    //   "dropped"  "what" trigger|action|ask|saveOffer|classEnd, "reason": paused, stale,
    //              superseded, notPlanned (trigger); coolDown (action); alreadyAsking (ask);
    //              offeredToday, nothingToSave, paused (saveOffer); notLastRun, late (classEnd)
    // Empty function: nothing.
    using Trace = std::function<void(const json::Value& effect)>;
    void setTrace(Trace trace);

    static const Logger& log();

private:
    // What the trigger path hands the acting side; cues hand only action, name and open.
    void act(const Autopilot::Action& action, const std::string& name, const std::vector<Item>& open,
             Date triggeredAt, std::optional<Date> classEnds, bool bringToFront, const Answers& answers,
             bool fromCue = false);
    // The cue driver's act hook: triggeredAt now, no class end, to the front, no answers and no note.
    void actOnCue(const Autopilot::Action& action, const std::string& name, const std::vector<Item>& open);
    void setUp(const Routine& routine, const std::string& name, const std::vector<Item>& open, Date triggeredAt,
               bool automatic, std::optional<Date> classEnds, bool bringToFront);
    void offerSave(const ContextKey& key, const Context& context, const Trigger& trigger);
    void showSaveOffer(const ContextKey& key, const Context& context, const std::vector<Item>& items);
    void scheduleTidyUp(const SetupRunner::Run& run, Date classEnds);
    void classEnded(const SetupRunner::Run& run, Date classEnds);
    void recordAnswer(const std::string& keyID, AnswerPayload::Answer answer);

    Autopilot::Demoted demoted() const;
    void writeDemoted(const Autopilot::Demoted& demoted);
    PlanningPass::SmartNames smartNames() const;
    std::vector<Item> runningApps() const;
    SetupRunner::Run withLedgerApps(const SetupRunner::Run& run) const;
    Date now() const;
    void trace(json::Value effect) const;

    Services services_;
    SetupRunner runner_;
    std::unique_ptr<CueDriver> cues_; // cue events and the time-cue timer
    std::optional<SetupRunner::Run> lastRun_;
    std::function<void(Date)> classSetUp_;
    std::map<std::string, Date> lastRunAt_; // by routine key id; only grows
    TaskHandle tidyTimer_;
    std::optional<Date> tidyDeadline_;
    std::vector<TaskHandle> saveOfferWaits_; // several may wait at once; cancelled with the controller
    std::optional<std::string> askShowing_;  // key id of the unanswered ask on screen
    Trace trace_;
    // Declared last, so it is destroyed first: work on other executors stops reaching this.
    LifetimeGuard guard_;
};

} // namespace ostrel
