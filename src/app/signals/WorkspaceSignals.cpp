#include "app/signals/WorkspaceSignals.hpp"

#include "core/observations/AppPayload.hpp"
#include "core/observations/EmptyPayload.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/Signal.hpp"

namespace ostrel {

namespace {

AppPayload payload(const RunningApp& app, std::optional<bool> hidden) {
    return AppPayload(app.bundleID, app.name, app.path, hidden);
}

} // namespace

WorkspaceSignals::WorkspaceSignals(Workspace& workspace, SessionEvents& session, ObservationWriter& writer,
                                   const Clock& clock, Executor& main, ExclusionList exclusions,
                                   OnArrival onArrival)
    : workspace_(workspace), session_(session), writer_(writer), clock_(clock), main_(main),
      exclusions_(std::move(exclusions)), onArrival_(std::move(onArrival)) {}

void WorkspaceSignals::start() {
    workspaceEvents_ = workspace_.subscribe(main_, [this](const WorkspaceEvent& event) { handle(event); });
    sessionEvents_ = session_.subscribe(main_, [this](const SessionEvent& event) { handle(event); });
    recordRunningApps();
}

void WorkspaceSignals::handle(const WorkspaceEvent& event) {
    using Kind = WorkspaceEvent::Kind;
    switch (event.kind) {
    case Kind::didWake:
        arrived(Signal::wake);
        return;
    case Kind::willSleep:
        writer_.record(Signal::sleep, EmptyPayload{}, clock_.now());
        return;
    case Kind::launched:
    case Kind::activated:
    case Kind::hidden:
    case Kind::unhidden:
    case Kind::terminated:
        break;
    }
    if (!event.app) {
        return;
    }
    const Signal& signal = event.kind == Kind::launched    ? Signal::appLaunch
                           : event.kind == Kind::activated ? Signal::appActivate
                           : event.kind == Kind::hidden    ? Signal::appHide
                           : event.kind == Kind::unhidden  ? Signal::appUnhide
                                                           : Signal::appQuit;
    recordApp(signal, *event.app);
}

void WorkspaceSignals::handle(const SessionEvent& event) {
    switch (event.kind) {
    case SessionEvent::Kind::locked:
        writer_.record(Signal::lock, EmptyPayload{}, clock_.now());
        return;
    case SessionEvent::Kind::unlocked:
        arrived(Signal::unlock);
        return;
    }
}

void WorkspaceSignals::recordApp(const Signal& signal, const RunningApp& app) {
    if (!app.regular || app.pid == workspace_.ownPid()) {
        return;
    }
    if (!exclusions_.contains(app.bundleID)) {
        writer_.record(signal, payload(app, std::nullopt), clock_.now());
    } else if (signal == Signal::appActivate) {
        writer_.record(signal, AppPayload::excludedApp, clock_.now());
    }
}

void WorkspaceSignals::recordRunningApps() {
    const int own = workspace_.ownPid();
    RunningAppsPayload snapshot;
    for (const RunningApp& app : workspace_.runningApps()) {
        if (app.regular && app.pid != own && !exclusions_.contains(app.bundleID)) {
            snapshot.apps.push_back(payload(app, app.hidden));
        }
    }
    if (const auto front = workspace_.frontmost(); front && !exclusions_.contains(front->bundleID)) {
        snapshot.front = front->bundleID;
    }
    writer_.record(Signal::appsRunning, snapshot, clock_.now());
}

void WorkspaceSignals::arrived(const Signal& signal) {
    writer_.record(signal, EmptyPayload{}, clock_.now());
    recordRunningApps();
    if (onArrival_) {
        onArrival_();
    }
}

} // namespace ostrel
