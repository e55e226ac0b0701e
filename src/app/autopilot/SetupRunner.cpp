#include "app/autopilot/SetupRunner.hpp"

#include "app/autopilot/Sound.hpp"
#include "core/foundation/Url.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/Signal.hpp"
#include "platform/OperationError.hpp"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace ostrel {

namespace {

// Only the web's own schemes open as pages; "httpx:" or "http+unix:" merely begin like them.
bool isWebPage(const std::string& text) {
    const std::optional<Url> url = Url::parse(text);
    if (!url || !url->scheme()) {
        return false;
    }
    std::string scheme(*url->scheme());
    std::ranges::transform(scheme, scheme.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme == "http" || scheme == "https";
}

std::string lastPathComponent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const auto slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

bool isRunningApp(const Workspace& workspace, const std::string& appID) {
    const std::vector<RunningApp> apps = workspace.runningApps();
    return std::ranges::any_of(apps, [&](const RunningApp& app) { return app.bundleID == appID; });
}

} // namespace

const Logger& SetupRunner::log() {
    static const Logger logger("runs");
    return logger;
}

SetupRunner::SetupRunner(ObservationWriter& writer, RunLedger& ledger, Roles roles, Executor& main, SecureRandom& random)
    : writer_(writer), ledger_(ledger), roles_(roles), main_(main), random_(random) {}

SetupRunner::~SetupRunner() {
    guard_.invalidate();
}

SetupRunner::Run SetupRunner::run(const Routine& routine, const std::string& name, const std::vector<Item>& open,
                                  Date triggeredAt, bool automatic, bool bringToFront) {
    Run run{random_.uuid(), routine, name, {}, {}, {}, std::nullopt, std::nullopt, false};
    const std::unordered_set<Item> alreadyOpen(open.begin(), open.end());
    const Date now = main_.clock().now();
    const bool activate = bringToFront && now - triggeredAt < activationWindow;
    Workspace& workspace = roles_.workspace;

    for (const Item& item : routine.items) {
        if (alreadyOpen.contains(item)) {
            continue;
        }
        if (const auto* app = std::get_if<Item::App>(&item.value())) {
            // A running app is neither launched nor brought forward.
            if (isRunningApp(workspace, app->bundleID)) {
                continue;
            }
            const std::optional<std::string> path = workspace.applicationPath(app->bundleID);
            if (!path) {
                continue;
            }
            try {
                workspace.launchApp(app->bundleID, activate,
                                    completion(lastPathComponent(*path), true, run.id));
            } catch (const OperationError& error) {
                log().error("Couldn't open %s: %@", lastPathComponent(*path), error);
                continue;
            }
            run.opened.push_back(item);
        } else if (const auto* document = std::get_if<Item::Document>(&item.value())) {
            const std::optional<std::string> handler = workspace.documentHandler(document->path);
            if (!handler) {
                continue; // no such file, or nothing opens its type
            }
            // Undo quits the document's app only when this run started it.
            const bool launchesApp = !isRunningApp(workspace, *handler);
            try {
                workspace.openDocument(document->path, activate, completion(std::nullopt, launchesApp, run.id));
            } catch (const OperationError& error) {
                log().error("Couldn't open an Item: %@", error);
                continue;
            }
            run.opened.push_back(item);
        } else if (const auto* page = std::get_if<Item::Page>(&item.value())) {
            if (!isWebPage(page->url)) {
                continue;
            }
            try {
                // Pages never come forward.
                workspace.openPage(page->url, completion(std::nullopt, false, run.id));
            } catch (const OperationError& error) {
                log().error("Couldn't open an Item: %@", error);
                continue;
            }
            run.opened.push_back(item);
        }
        // Notes are never opened.
    }

    // Put away: never an app the routine itself opens.
    const auto ownApp = [&](const std::string& appID) {
        return std::ranges::any_of(routine.items, [&](const Item& item) {
            const auto* app = std::get_if<Item::App>(&item.value());
            return app != nullptr && app->bundleID == appID;
        });
    };
    for (const std::string& appID : routine.edits.putAway) {
        if (ownApp(appID)) {
            continue;
        }
        for (const RunningApp& app : workspace.runningApps()) {
            if (app.bundleID != appID || app.hidden || app.pid == workspace.ownPid()) {
                continue;
            }
            const std::optional<AppInstance> instance = workspace.instance(app.pid);
            if (!instance) {
                continue;
            }
            try {
                workspace.hide(*instance);
                run.hid.push_back(*instance);
            } catch (const OperationError&) {
                // gone meanwhile, or the system refused: nothing to show again later
            }
        }
    }

    bool muted = false;
    if (routine.edits.mute) {
        if (const std::optional<std::string> device = Sound::mute(roles_.audio)) {
            run.wasMuted = false;
            run.mutedDevice = device;
            muted = true;
        }
    }

    if (routine.edits.shortcut) {
        roles_.shortcuts.run(*routine.edits.shortcut);
    }

    std::erase_if(arrangements_, [](const auto& entry) { return !entry.second->isRunning(); });
    if (!routine.edits.layout.empty() && roles_.accessibility.isTrusted()) {
        arrangements_[run.id] = Arrangement::start(
            routine.edits.layout, workspace, roles_.accessibility, roles_.displays, main_,
            guard_.wrap([this, id = run.id](WindowElement window, Rect former) { ledger_.moved(window, former, id); }));
        run.placementStarted = true;
    }

    RunPayload payload;
    payload.run = run.id;
    payload.routine = routine.key.id();
    for (const Item& item : run.opened) {
        payload.items.push_back(item.id());
    }
    payload.automatic = automatic;
    payload.hid = static_cast<std::int64_t>(run.hid.size());
    payload.arranged = static_cast<std::int64_t>(routine.edits.layout.size());
    payload.muted = muted;
    writer_.record(Signal::quevRun, payload, now);

    log().notice("Set up %{private}s: %ld Items", name, run.opened.size());
    return run;
}

Workspace::OpenCompletion SetupRunner::completion(std::optional<std::string> appFile, bool record,
                                                  const std::string& runID) {
    // Called on any thread; the ledger is reached only on the main executor, and only while this
    // runner lives.
    auto deliver = guard_.wrap([this, runID](const AppInstance& app) { ledger_.launched(app, runID); });
    return [appFile = std::move(appFile), record, deliver, &main = main_](const OpenOutcome& outcome) {
        if (outcome.error) {
            if (appFile) {
                log().error("Couldn't open %s: %@", *appFile, *outcome.error);
            } else {
                log().error("Couldn't open an Item: %@", *outcome.error);
            }
            return;
        }
        if (record && outcome.started && outcome.app) {
            main.post([deliver, app = *outcome.app]() mutable { deliver(app); });
        }
    };
}

void SetupRunner::stopArranging(const std::string& runID) {
    const auto found = arrangements_.find(runID);
    if (found != arrangements_.end()) {
        found->second->stop();
        arrangements_.erase(found);
    }
}

void SetupRunner::unmute(const Run& run) {
    if (run.wasMuted == false) {
        Sound::unmute(roles_.audio, run.mutedDevice);
    }
}

void SetupRunner::tidyUp(const Run& run) {
    stopArranging(run.id);
    Workspace& workspace = roles_.workspace;
    std::vector<std::string> appIDs;
    for (const Item& item : run.opened) {
        if (const auto* app = std::get_if<Item::App>(&item.value())) {
            appIDs.push_back(app->bundleID);
        }
    }
    const auto tryTo = [](auto operation) {
        try {
            operation();
        } catch (const OperationError&) {
            // the app has gone meanwhile
        }
    };
    for (const AppInstance& app : run.launched) {
        if (workspace.isRunning(app)) {
            tryTo([&] { workspace.hide(app); });
        }
    }
    for (const RunningApp& app : workspace.runningApps()) {
        if (app.bundleID && std::ranges::find(appIDs, *app.bundleID) != appIDs.end() && app.pid != workspace.ownPid()) {
            tryTo([&] { workspace.hide(app.pid); });
        }
    }
    for (const AppInstance& app : run.hid) {
        if (workspace.isRunning(app)) {
            tryTo([&] { workspace.unhide(app); });
        }
    }
    unmute(run);
    writer_.record(Signal::quevTidy, UndoPayload{run.id}, main_.clock().now());
}

void SetupRunner::undo(const Run& run) {
    // No window moves, and none is recorded, once the undo has begun.
    stopArranging(run.id);
    Workspace& workspace = roles_.workspace;
    const std::vector<RunLedger::Move> moves = ledger_.moves(run.id);
    log().notice("Undo: quitting %ld apps, showing %ld, moving back %ld", run.launched.size(), run.hid.size(),
                 moves.size());
    for (const AppInstance& app : run.launched) {
        if (workspace.isRunning(app)) {
            try {
                workspace.requestQuit(app);
            } catch (const OperationError&) {
                // gone meanwhile
            }
        }
    }
    for (const AppInstance& app : run.hid) {
        if (workspace.isRunning(app)) {
            try {
                workspace.unhide(app);
            } catch (const OperationError&) {
            }
        }
    }
    for (const RunLedger::Move& move : moves) {
        Arrangement::restore(roles_.accessibility, move.window, move.frame);
    }
    unmute(run);
    writer_.record(Signal::quevUndo, UndoPayload{run.id}, main_.clock().now());
}

} // namespace ostrel
