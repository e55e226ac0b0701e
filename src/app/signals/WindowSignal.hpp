#pragma once

#include "core/foundation/Logger.hpp"
#include "core/observations/ExclusionList.hpp"
#include "core/observations/WindowPayload.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace ostrel {

class ObservationWriter;
class Signal;

// Watches other applications' windows through the accessibility role: which standard windows each
// app has, which has the focus, windows opening and closing, where they settle after a move or
// resize, minimising, and the document they show ("window.*"), and a "windows" snapshot of every
// tracked window at each arrival. It tells its owner when a browser's front window or title
// changes, so the browser source reads the tab at once. Sheets, dialogs and panels are never
// tracked; excluded apps and this process are never watched; without accessibility trust it does
// nothing at all.
//
// Window descriptions are kept, so focus, title and frame checks compare one fresh description
// with the stored one and never re-read other windows. Moves and resizes settle for 1.0 s before
// a frame is recorded; new windows are looked at 0.5 s after creation, new apps 1.0 s after launch.
//
// Threads: every field lives on the accessibility executor ("Ostrel.accessibility"), where all
// accessibility calls, notices and timers run. start() and snapshot() may be called from any
// thread. Destroy it on the accessibility executor or after that executor stopped: destruction
// cancels its timers and subscriptions.
class WindowSignal {
public:
    using BrowserWindowChanged = std::function<void(const std::string& bundleID)>;

    static constexpr double launchDelay = 1.0;
    static constexpr double openDelay = 0.5;
    static constexpr double settleDelay = 1.0;
    static constexpr double trustDelay = 1.0;
    static constexpr double messagingTimeout = 1.0;

    // Every reference must outlive this object. browserWindowChanged is called on the
    // accessibility executor.
    WindowSignal(WindowAccessibility& accessibility, Workspace& workspace, ObservationWriter& writer,
                 const Clock& clock, Executor& queue, ExclusionList exclusions,
                 BrowserWindowChanged browserWindowChanged);
    ~WindowSignal();

    WindowSignal(const WindowSignal&) = delete;
    WindowSignal& operator=(const WindowSignal&) = delete;

    // Follows trust, launches, quits and activations, and checks trust now. Once.
    void start();
    // Records "windows" with every tracked window, when trusted.
    void snapshot();

private:
    struct WatchedApp {
        std::string bundleID;
        std::unique_ptr<AccessibilityObserver> observer;
    };

    void handleWorkspace(const WorkspaceEvent& event);
    void updateTrust();
    void watch(int pid, const std::string& bundleID);
    void unwatch(int pid);
    void recordFocus(int pid);
    std::optional<WindowPayload> track(const WindowElement& window, int pid);
    void handle(const std::string& name, const WindowElement& element);
    void update(const WindowElement& element, int pid, const Signal& signal);
    std::optional<WindowPayload> describe(const WindowElement& window, const std::string& bundleID);
    void titleChanged(const WindowElement& element, int pid);
    void recordSnapshot();
    void record(const Signal& signal, const WindowPayload& payload);
    bool isBrowser(const std::string& bundleID) const;

    WindowAccessibility& accessibility_;
    Workspace& workspace_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& queue_;
    const ExclusionList exclusions_;
    BrowserWindowChanged browserWindowChanged_;
    Logger logger_{"windows"};

    bool running_ = false;
    std::map<int, WatchedApp> apps_;
    std::unordered_map<WindowElement, WindowPayload> windows_;
    std::unordered_map<WindowElement, TaskHandle> settling_;
    std::map<int, TaskHandle> launching_; // pending watches of launched apps, by pid
    std::optional<WindowPayload> lastFocus_;
    std::optional<int> frontPID_;
    TaskHandle trustCheck_;
    std::unordered_map<WindowElement, TaskHandle> opening_;
    Subscription trustNotices_;
    Subscription workspaceEvents_;
    LifetimeGuard guard_; // last: callbacks posted to the queue do nothing once this is gone
};

} // namespace ostrel
