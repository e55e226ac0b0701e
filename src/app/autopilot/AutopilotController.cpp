#include "app/autopilot/AutopilotController.hpp"

#include "app/ai/SmartNames.hpp"

#include "core/foundation/Saturating.hpp"
#include "core/browsing/WebPage.hpp"
#include "core/learning/Prediction.hpp"
#include "core/routines/PickUp.hpp"
#include "core/store/SQLiteError.hpp"
#include "core/store/StoreError.hpp"
#include "platform/SettingsError.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ostrel {

namespace {

constexpr const char* pausedUntilKey = "pausedUntil";
constexpr const char* demotedKey = "demotedRoutines";
constexpr const char* lastSaveOfferKey = "lastSaveOffer";

std::int64_t milliseconds(Date date) {
    return truncatedMilliseconds(date).value_or(0);
}

json::Value buttons(const Banner::View& view) {
    json::Value labels = json::Value::array();
    if (view.primary) {
        labels.push_back(view.primary->label);
    }
    if (view.secondary) {
        labels.push_back(view.secondary->label);
    }
    return labels;
}

json::Value bannerEffect(const char* kind, const Banner::View& view, double timeout) {
    return {{"effect", "banner"}, {"kind", kind},       {"title", view.title},
            {"detail", view.detail}, {"buttons", buttons(view)}, {"timeout", timeout}};
}

json::Value dropped(const char* what, const char* reason) {
    return {{"effect", "dropped"}, {"what", what}, {"reason", reason}};
}

} // namespace

const Logger& AutopilotController::log() {
    static const Logger logger("autopilot");
    return logger;
}

AutopilotController::AutopilotController(Services services)
    : services_(std::move(services)),
      runner_(services_.writer, services_.ledger,
              SetupRunner::Roles{services_.platform.workspace, services_.platform.audio,
                                 services_.platform.accessibility, services_.platform.displays,
                                 services_.shortcuts},
              services_.runtime.main(), services_.random) {
    // A locale the banner cannot write in fails here, not later in a timer with nobody to tell.
    Banner::names({}, services_.platform.workspace, services_.locale);
    // The driver watches the writer and arms the first time cue as it is made.
    cues_ = std::make_unique<CueDriver>(
        services_.store, services_.writer, services_.runtime, services_.platform, services_.settings,
        services_.calendar,
        CueDriver::Hooks{[this] { return pausedUntil().has_value(); }, [this] { return demoted(); },
                         [this](const Autopilot::Action& action, const std::string& name, const std::vector<Item>& open) {
                             actOnCue(action, name, open);
                         }});
}

void AutopilotController::consider(const CueEvent& event, std::int64_t at) {
    cues_->consider(event, at);
}

void AutopilotController::scheduleTimeCues() {
    trace({{"effect", "schedule"}});
    cues_->scheduleTimeCues();
}

AutopilotController::~AutopilotController() = default;

Date AutopilotController::now() const {
    return services_.runtime.clock().now();
}

void AutopilotController::trace(json::Value effect) const {
    if (trace_) {
        trace_(effect);
    }
}

void AutopilotController::setTrace(Trace trace) {
    cues_->setTrace(trace);
    trace_ = std::move(trace);
}

void AutopilotController::setClassSetUp(std::function<void(Date)> classSetUp) {
    classSetUp_ = std::move(classSetUp);
}

const std::optional<SetupRunner::Run>& AutopilotController::lastRun() const {
    return lastRun_;
}

std::optional<Date> AutopilotController::tidyUpDeadline() const {
    return tidyTimer_.isScheduled() ? tidyDeadline_ : std::nullopt;
}

// MARK: - Pause, demoted routines, names

std::optional<Date> AutopilotController::pausedUntil() const {
    const std::optional<Date> until = services_.settings.date(pausedUntilKey);
    if (until && *until > now()) {
        return until;
    }
    return std::nullopt;
}

void AutopilotController::setPausedUntil(std::optional<Date> until) {
    if (until) {
        services_.settings.set(pausedUntilKey, SettingsDate{*until});
    } else {
        services_.settings.remove(pausedUntilKey);
    }
}

Autopilot::Demoted AutopilotController::demoted() const {
    Autopilot::Demoted result;
    const std::optional<SettingsValue> stored = services_.settings.get(demotedKey);
    const SettingsArray* array = stored ? stored->as<SettingsArray>() : nullptr;
    if (array == nullptr) {
        return result;
    }
    for (const SettingsValue& element : *array) {
        const std::string* id = element.as<std::string>();
        if (id == nullptr) {
            return {}; // not an array of strings: none is demoted
        }
        result.insert(*id);
    }
    return result;
}

void AutopilotController::writeDemoted(const Autopilot::Demoted& demoted) {
    // Sorted, so the file does not churn with the hash order.
    std::vector<std::string> ids(demoted.begin(), demoted.end());
    std::sort(ids.begin(), ids.end());
    SettingsArray array(ids.begin(), ids.end());
    try {
        services_.settings.set(demotedKey, std::move(array));
    } catch (const SettingsError& error) {
        log().error("Could not write the demoted routines: %{public}s", error);
    }
}

void AutopilotController::promote(const std::string& keyID) {
    trace({{"effect", "promote"}, {"routine", keyID}});
    Autopilot::Demoted ids = demoted();
    ids.erase(keyID);
    writeDemoted(ids);
}

PlanningPass::SmartNames AutopilotController::smartNames() const {
    return SmartNames::cached(services_.settings);
}

std::vector<Item> AutopilotController::runningApps() const {
    std::vector<Item> items;
    for (const RunningApp& app : services_.platform.workspace.runningApps()) {
        if (app.bundleID) {
            if (std::optional<Item> item = Item::app(*app.bundleID)) {
                items.push_back(std::move(*item));
            }
        }
    }
    return items;
}

SetupRunner::Run AutopilotController::withLedgerApps(const SetupRunner::Run& run) const {
    SetupRunner::Run copy = run;
    copy.launched = services_.ledger.apps(run.id);
    return copy;
}

// MARK: - Triggers

void AutopilotController::consider(const std::vector<Trigger>& triggers) {
    const std::optional<std::int64_t> nowMs = truncatedMilliseconds(now());
    if (!nowMs || triggers.empty()) {
        return;
    }
    const auto drop = [this](const Trigger& trigger, const char* reason) {
        json::Value effect = dropped("trigger", reason);
        effect["trigger"] = toString(trigger.kind);
        effect["ts"] = trigger.ts;
        trace(std::move(effect));
    };
    if (pausedUntil()) {
        for (const Trigger& trigger : triggers) {
            drop(trigger, "paused");
        }
        return;
    }
    // now - ts <= freshness, written so that no ts can overflow it; a trigger from the future counts.
    const std::int64_t oldest = *nowMs - triggerFreshness;
    std::optional<Trigger> last;
    for (const Trigger& trigger : triggers) {
        if (trigger.ts < oldest) {
            drop(trigger, "stale");
            continue;
        }
        if (last) {
            drop(*last, "superseded");
        }
        last = trigger;
    }
    if (!last) {
        return;
    }

    // The pass gets values and the store only; it holds nothing of this controller.
    Store& store = services_.store;
    Executor& main = services_.runtime.main();
    auto planned = guard_.wrap([this, trigger = *last](const std::optional<PlanningPass::Result>& result) {
        if (!result) {
            // The store failed, or holds no episode of the trigger.
            json::Value effect = dropped("trigger", "notPlanned");
            effect["trigger"] = toString(trigger.kind);
            effect["ts"] = trigger.ts;
            trace(std::move(effect));
            return;
        }
        trace({{"effect", "planned"},
               {"trigger", toString(trigger.kind)},
               {"ts", trigger.ts},
               {"action", Autopilot::caseName(result->action)},
               {"routine", result->choice ? result->choice->routine.key.id() : std::string()},
               {"guessed", result->guessed},
               {"name", result->name}});
        std::optional<Date> classEnds;
        if (result->classEnds) {
            classEnds = static_cast<Date>(*result->classEnds) / 1000;
        }
        act(result->action, result->name, result->context.open, static_cast<Date>(trigger.ts) / 1000,
            classEnds, trigger.kind != Trigger::Kind::eventStart, result->answers);
        if (result->saveOffer) {
            offerSave(*result->saveOffer, result->context, trigger);
        }
    });
    services_.runtime.worker().post([&store, &main, trigger = *last, now = *nowMs,
                                     calendar = services_.calendar, demoted = demoted(),
                                     names = smartNames(), planned = std::move(planned)]() mutable {
        std::optional<PlanningPass::Result> result;
        try {
            result = PlanningPass::run(store, trigger, now, calendar, demoted, names);
        } catch (const SQLiteError&) {
            // A store that cannot be read plans nothing; the next trigger tries again.
        } catch (const StoreError&) {
        }
        main.post([planned = std::move(planned), result = std::move(result)]() mutable { planned(result); });
    });
}

// MARK: - Acting

std::optional<std::string> AutopilotController::note(const Routine& routine, const Answers& answers) {
    for (const Item& item : routine.items) {
        const auto* page = std::get_if<Item::Page>(&item.value());
        if (page != nullptr && WebPage::isMeeting(page->url)) {
            return std::nullopt;
        }
    }
    const bool eventOrTitle = std::holds_alternative<ContextKey::Event>(routine.key.value) ||
                              std::holds_alternative<ContextKey::Title>(routine.key.value);
    if (!eventOrTitle || routine.edits.mode) {
        return std::nullopt;
    }
    const std::int64_t more = Autopilot::confident - answers[routine.key.id()].yeses;
    // Once no more yeses are needed there is nothing to count down.
    if (more <= 0) {
        return std::nullopt;
    }
    if (more == 1) {
        return "Say yes once more and it's automatic.";
    }
    return std::to_string(more) + " more yeses and it's automatic.";
}

void AutopilotController::recordAnswer(const std::string& keyID, AnswerPayload::Answer answer) {
    services_.writer.record(Signal::quevAnswer, AnswerPayload{keyID, answer}, now());
    trace({{"effect", "answer"}, {"routine", keyID}, {"answer", toString(answer)}});
}

void AutopilotController::actOnCue(const Autopilot::Action& action, const std::string& name,
                                   const std::vector<Item>& open) {
    act(action, name, open, now(), std::nullopt, true, Answers(), true);
}

void AutopilotController::act(const Autopilot::Action& action, const std::string& name,
                              const std::vector<Item>& open, Date triggeredAt, std::optional<Date> classEnds,
                              bool bringToFront, const Answers& answers, bool fromCue) {
    if (const auto* run = std::get_if<Autopilot::Action::Run>(&action.value)) {
        const std::string key = run->routine.key.id();
        if (const auto last = lastRunAt_.find(key); last != lastRunAt_.end() && now() - last->second < coolDown) {
            json::Value effect = dropped("action", "coolDown");
            effect["routine"] = key;
            trace(std::move(effect));
            return;
        }
        setUp(run->routine, name, open, triggeredAt, true, classEnds, bringToFront);
        return;
    }
    const auto* ask = std::get_if<Autopilot::Action::Ask>(&action.value);
    if (ask == nullptr) {
        return;
    }
    const Routine& routine = ask->routine;
    const std::string key = routine.key.id();
    // The same question again while the first still waits for its answer: one banner, one answer.
    if (askShowing_ == key && services_.banner.isQuestionPending()) {
        json::Value effect = dropped("ask", "alreadyAsking");
        effect["routine"] = key;
        trace(std::move(effect));
        return;
    }

    // A cue's verdict counts no yeses, so there is nothing to count down on it.
    const std::optional<std::string> countdown = fromCue ? std::nullopt : note(routine, answers);
    const std::string names = Banner::names(routine.items, services_.platform.workspace, services_.locale);
    std::string detail = names.empty() ? std::string() : "Opens " + names + ".";
    if (countdown) {
        detail += (detail.empty() ? "" : " ") + *countdown;
    }

    Banner& banner = services_.banner;
    auto settled = [this, key] {
        if (askShowing_ == key) {
            askShowing_.reset();
        }
    };
    Banner::View view{
        "Set up for " + name + "?",
        detail,
        Banner::Button{"Set up", banner.answered(guard_.wrap([=, this] {
                           settled();
                           recordAnswer(key, AnswerPayload::Answer::yes);
                           setUp(routine, name, open, now(), false, classEnds, true);
                       }))},
        Banner::Button{"Not now", banner.answered(guard_.wrap([=, this] {
                           settled();
                           recordAnswer(key, AnswerPayload::Answer::no);
                       }))},
    };
    trace(bannerEffect("ask", view, askTimeout));
    banner.show(std::move(view), askTimeout, guard_.wrap([=, this] {
                    settled();
                    recordAnswer(key, AnswerPayload::Answer::expired);
                }));
    askShowing_ = key;
}

void AutopilotController::setUp(const Routine& routine, const std::string& name, const std::vector<Item>& open,
                                Date triggeredAt, bool automatic, std::optional<Date> classEnds,
                                bool bringToFront) {
    SetupRunner::Run run = runner_.run(routine, name, open, triggeredAt, automatic, bringToFront);
    lastRunAt_[routine.key.id()] = now();
    // Window places count only once placing has started: a layout the runner could not act on
    // (no permission) changed nothing on screen.
    const bool visible = !run.opened.empty() || !run.hid.empty() || run.wasMuted.has_value() || run.placementStarted;
    trace({{"effect", "run"},
           {"routine", routine.key.id()},
           {"name", name},
           {"automatic", automatic},
           {"bringToFront", bringToFront},
           {"runID", run.id},
           {"opened", run.opened.size()},
           {"hid", run.hid.size()},
           {"muted", run.wasMuted.has_value()},
           {"placed", run.placementStarted},
           {"visible", visible}});
    if (!visible) {
        return;
    }
    lastRun_ = run;

    Banner& banner = services_.banner;
    Banner::View view{
        "Set up for " + name,
        Banner::summary(run, services_.platform.workspace, services_.locale),
        std::nullopt,
        Banner::Button{"Undo", banner.answered(guard_.wrap([this] { undoLastRun(); }))},
    };
    trace(bannerEffect("result", view, resultTimeout));
    banner.show(std::move(view), resultTimeout);

    if (classEnds) {
        if (classSetUp_) {
            classSetUp_(*classEnds);
        }
        if (routine.edits.tidyUp != RoutineEdits::Mode::off) {
            scheduleTidyUp(run, *classEnds);
        }
    }
}

void AutopilotController::setUpNow(const Routine& routine, const std::string& name) {
    std::vector<Item> open = runningApps();
    if (!routine.edits.pickUp) {
        setUp(routine, name, open, now(), false, std::nullopt, true);
        return;
    }
    Store& store = services_.store;
    Executor& main = services_.runtime.main();
    auto pickedUp = guard_.wrap([this, routine, name, open](std::vector<Item> items) {
        Routine withLastTime = routine;
        withLastTime.items = std::move(items);
        setUp(withLastTime, name, open, now(), false, std::nullopt, true);
    });
    services_.runtime.worker().post([&store, &main, routine, until = saturatingAdd(milliseconds(now()), 1),
                                     calendar = services_.calendar, pickedUp = std::move(pickedUp)]() mutable {
        std::vector<Episode> episodes;
        try {
            episodes = store.episodes(0, until);
        } catch (const SQLiteError&) {
            // Without the history the routine opens its own items.
        } catch (const StoreError&) {
        }
        std::vector<Item> items = PickUp::items(routine, episodes, calendar);
        main.post([pickedUp = std::move(pickedUp), items = std::move(items)]() mutable { pickedUp(std::move(items)); });
    });
}

// MARK: - Save offers

void AutopilotController::offerSave(const ContextKey& key, const Context& context, const Trigger& trigger) {
    const auto offeredToday = [this] {
        const std::optional<Date> last = services_.settings.date(lastSaveOfferKey);
        return last && std::isfinite(*last) && services_.calendar.dayDifference(*last, now()) == 0;
    };
    if (offeredToday()) {
        trace(dropped("saveOffer", "offeredToday"));
        return;
    }

    std::erase_if(saveOfferWaits_, [](const TaskHandle& wait) { return !wait.isScheduled(); });
    trace({{"effect", "timer"},
           {"kind", "saveOffer"},
           {"routine", key.id()},
           {"deadline", milliseconds(now() + saveOfferDelay)}});
    Store& store = services_.store;
    Executor& main = services_.runtime.main();
    Executor& worker = services_.runtime.worker();
    auto offer = guard_.wrap([this, key, context, offeredToday](std::vector<Item> items) {
        if (items.empty()) {
            trace(dropped("saveOffer", "nothingToSave"));
            return;
        }
        if (pausedUntil()) {
            trace(dropped("saveOffer", "paused"));
            return;
        }
        // Another offer may have been shown while this one waited.
        if (offeredToday()) {
            trace(dropped("saveOffer", "offeredToday"));
            return;
        }
        showSaveOffer(key, context, items);
    });
    auto waited = [&store, &main, &worker, key, trigger, clock = &services_.runtime.clock(),
                   offer = std::move(offer)]() mutable {
        worker.post([&store, &main, key, trigger, clock, offer = std::move(offer)]() mutable {
            const std::int64_t nowMs = milliseconds(clock->now());
            std::vector<Item> items;
            try {
                const std::vector<Episode> episodes = store.episodes(trigger.ts, saturatingAdd(nowMs, 1));
                const auto own = std::find_if(episodes.begin(), episodes.end(),
                                              [&trigger](const Episode& episode) { return episode.trigger == trigger; });
                if (own != episodes.end() && PlanningPass::answers(store, nowMs)[key.id()].asked == 0) {
                    items = own->setup.broughtUp;
                }
            } catch (const SQLiteError&) {
                // No episode: nothing to offer.
            } catch (const StoreError&) {
            }
            main.post([offer = std::move(offer), items = std::move(items)]() mutable { offer(std::move(items)); });
        });
    };
    saveOfferWaits_.push_back(main.postAfter(saveOfferDelay, std::move(waited), TimeBase::boot));
}

void AutopilotController::showSaveOffer(const ContextKey& key, const Context& context,
                                        const std::vector<Item>& items) {
    try {
        services_.settings.set(lastSaveOfferKey, SettingsDate{now()});
    } catch (const SettingsError& error) {
        log().error("Could not note the save offer: %{public}s", error);
    }
    // A class without a title is named as one without a calendar name.
    std::string name = Prediction::name(key, context.events).value_or("");
    if (name.empty()) {
        name = "this class";
    }
    const std::string id = key.id();
    Banner& banner = services_.banner;
    Banner::View view{
        "Is this your " + name + " setup?",
        "You opened " + Banner::names(items, services_.platform.workspace, services_.locale) +
            ". Save it for next time?",
        Banner::Button{"Save", banner.answered(guard_.wrap([this, id] {
                           recordAnswer(id, AnswerPayload::Answer::yes);
                       }))},
        Banner::Button{"Not now", banner.answered(guard_.wrap([this, id] {
                           recordAnswer(id, AnswerPayload::Answer::no);
                       }))},
    };
    trace(bannerEffect("saveOffer", view, Banner::offerTimeout));
    banner.show(std::move(view), Banner::offerTimeout,
                guard_.wrap([this, id] { recordAnswer(id, AnswerPayload::Answer::expired); }));
}

// MARK: - Class end, tidy-up, undo

void AutopilotController::scheduleTidyUp(const SetupRunner::Run& run, Date classEnds) {
    // Assigning cancels the timer of an earlier run: the newest run wins.
    tidyTimer_ = services_.runtime.main().postAt(
        classEnds, guard_.wrap([this, run, classEnds] { classEnded(run, classEnds); }));
    tidyDeadline_ = classEnds;
    trace({{"effect", "timer"},
           {"kind", "tidyUp"},
           {"runID", run.id},
           {"deadline", milliseconds(classEnds)}});
}

void AutopilotController::classEnded(const SetupRunner::Run& run, Date classEnds) {
    tidyDeadline_.reset();
    if (!lastRun_ || lastRun_->id != run.id) {
        trace(dropped("classEnd", "notLastRun"));
        return;
    }
    if (now() - classEnds >= classEndGrace) {
        trace(dropped("classEnd", "late"));
        return;
    }
    if (run.routine.edits.tidyUp == RoutineEdits::Mode::automatic) {
        tidyUp(run);
        return;
    }
    const std::string title = run.name + " is over";
    const std::string detail = "Put away what Ostrel opened for it?";
    trace({{"effect", "banner"},
           {"kind", "tidyUp"},
           {"title", title},
           {"detail", detail},
           {"buttons", {"Tidy up", "Keep it"}},
           {"timeout", Banner::offerTimeout}});
    services_.banner.offer(title, detail, "Tidy up", "Keep it", guard_.wrap([this, run] { tidyUp(run); }));
}

void AutopilotController::tidyUp(const SetupRunner::Run& run) {
    runner_.tidyUp(withLedgerApps(run));
    trace({{"effect", "tidy"}, {"routine", run.routine.key.id()}, {"runID", run.id}});
    if (lastRun_ && lastRun_->id == run.id) {
        lastRun_.reset();
    }
}

void AutopilotController::undoLastRun() {
    if (!lastRun_) {
        return;
    }
    const SetupRunner::Run run = *lastRun_;
    runner_.undo(withLedgerApps(run));
    Autopilot::Demoted ids = demoted();
    ids.insert(run.routine.key.id());
    writeDemoted(ids);
    lastRun_.reset();
    // A question on screen keeps waiting for its answer; only a result banner goes.
    const bool dismiss = !services_.banner.isQuestionPending();
    trace({{"effect", "undo"},
           {"routine", run.routine.key.id()},
           {"runID", run.id},
           {"bannerDismissed", dismiss && services_.banner.isShowing()}});
    if (dismiss) {
        services_.banner.dismiss();
    }
}

} // namespace ostrel
