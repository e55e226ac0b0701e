#pragma once

#include "core/observations/ExclusionList.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/SessionEvents.hpp"
#include "platform/Subscription.hpp"
#include "platform/Workspace.hpp"

#include <functional>

namespace ostrel {

class ObservationWriter;
class Signal;

// Records what the workspace reports about applications and the session: apps launched,
// activated, hidden, shown again and quit ("app.*"), sleep and wake, lock and unlock, and a
// snapshot of the running apps ("apps.running") at start and after every arrival (wake, unlock),
// followed by the arrival callback. Only regular apps other than this process count; an app on the
// exclusion list leaves no trace except an anonymous "excluded" activation.
//
// It keeps no state between events and never touches a thread of its own.
//
// Threads: construct, start and destroy on the main executor; every event is handled there.
// Destroying it unsubscribes.
class WorkspaceSignals {
public:
    using OnArrival = std::function<void()>;

    // Every reference must outlive this object.
    WorkspaceSignals(Workspace& workspace, SessionEvents& session, ObservationWriter& writer,
                     const Clock& clock, Executor& main, ExclusionList exclusions, OnArrival onArrival);

    WorkspaceSignals(const WorkspaceSignals&) = delete;
    WorkspaceSignals& operator=(const WorkspaceSignals&) = delete;

    // Subscribes to the workspace's and the session's events, then records the running apps. Once.
    void start();

    // Records "apps.running" now: regular apps, neither this process nor excluded, in the
    // workspace's order; the front app unless it is excluded.
    void recordRunningApps();

private:
    void handle(const WorkspaceEvent& event);
    void handle(const SessionEvent& event);
    void recordApp(const Signal& signal, const RunningApp& app);
    void arrived(const Signal& signal);

    Workspace& workspace_;
    SessionEvents& session_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& main_;
    const ExclusionList exclusions_;
    OnArrival onArrival_;
    Subscription workspaceEvents_;
    Subscription sessionEvents_;
};

} // namespace ostrel
