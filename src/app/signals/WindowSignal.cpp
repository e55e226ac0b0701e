#include "app/signals/WindowSignal.hpp"

#include "app/autopilot/Windows.hpp"
#include "app/signals/BrowserFamilies.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"
#include "core/observations/WindowsPayload.hpp"

#include <algorithm>
#include <array>

namespace ostrel {

namespace {

constexpr std::array<const char*, 4> appNotifications{
    accessibility::focusedWindowChanged, accessibility::windowCreated, accessibility::windowMiniaturized,
    accessibility::windowDeminiaturized};
constexpr std::array<const char*, 4> windowNotifications{
    accessibility::elementDestroyed, accessibility::windowMoved, accessibility::windowResized,
    accessibility::titleChanged};

// The app of a workspace notice when it is a regular app with an id.
std::optional<std::pair<int, std::string>> regularApp(const WorkspaceEvent& event) {
    if (!event.app || !event.app->regular || !event.app->bundleID) {
        return std::nullopt;
    }
    return std::pair{event.app->pid, *event.app->bundleID};
}

} // namespace

WindowSignal::WindowSignal(WindowAccessibility& accessibility, Workspace& workspace,
                           ObservationWriter& writer, const Clock& clock, Executor& queue,
                           ExclusionList exclusions, BrowserWindowChanged browserWindowChanged)
    : accessibility_(accessibility), workspace_(workspace), writer_(writer), clock_(clock), queue_(queue),
      exclusions_(std::move(exclusions)), browserWindowChanged_(std::move(browserWindowChanged)) {}

WindowSignal::~WindowSignal() {
    guard_.invalidate();
    trustNotices_.cancel();
    workspaceEvents_.cancel();
}

void WindowSignal::start() {
    trustNotices_ = accessibility_.subscribeTrust(queue_, guard_.wrap([this] {
        trustCheck_ = queue_.postAfter(trustDelay, guard_.wrap([this] { updateTrust(); }));
    }));
    workspaceEvents_ = workspace_.subscribe(
        queue_, guard_.wrap([this](const WorkspaceEvent& event) { handleWorkspace(event); }));
    queue_.post(guard_.wrap([this] { updateTrust(); }));
}

void WindowSignal::snapshot() {
    queue_.post(guard_.wrap([this] { recordSnapshot(); }));
}

void WindowSignal::handleWorkspace(const WorkspaceEvent& event) {
    const auto app = regularApp(event);
    switch (event.kind) {
    case WorkspaceEvent::Kind::launched:
        if (app) {
            // A launch is looked at once the app had a moment to open its windows. The watch is
            // dropped when the app quits first, and made only for the same app under that pid.
            const auto [pid, bundleID] = *app;
            launching_[pid] =
                queue_.postAfter(launchDelay, guard_.wrap([this, pid = pid, bundleID = bundleID] {
                    launching_.erase(pid);
                    const auto running = workspace_.runningApps();
                    const bool same =
                        std::any_of(running.begin(), running.end(), [&](const RunningApp& each) {
                            return each.pid == pid && each.bundleID == bundleID;
                        });
                    if (same) {
                        watch(pid, bundleID);
                    }
                }));
        }
        return;
    case WorkspaceEvent::Kind::terminated:
        if (app) {
            launching_.erase(app->first);
            unwatch(app->first);
        }
        return;
    case WorkspaceEvent::Kind::activated:
        frontPID_ = event.app ? std::optional<int>(event.app->pid) : std::nullopt;
        if (app) {
            recordFocus(app->first);
        }
        return;
    case WorkspaceEvent::Kind::hidden:
    case WorkspaceEvent::Kind::unhidden:
    case WorkspaceEvent::Kind::didWake:
    case WorkspaceEvent::Kind::willSleep:
        return;
    }
}

void WindowSignal::updateTrust() {
    const bool trusted = accessibility_.isTrusted();
    if (trusted == running_) {
        return;
    }
    running_ = trusted;
    if (!trusted) {
        logger_.notice("Accessibility is off; the window Signal is disabled");
        std::vector<int> watched;
        for (const auto& [pid, app] : apps_) {
            watched.push_back(pid);
        }
        for (const int pid : watched) {
            unwatch(pid);
        }
        return;
    }
    logger_.notice("Accessibility granted; watching windows");
    accessibility_.setMessagingTimeout(messagingTimeout);
    for (const RunningApp& app : workspace_.runningApps()) {
        if (app.bundleID && app.regular) {
            watch(app.pid, *app.bundleID);
        }
    }
    recordSnapshot();
    if (const auto front = workspace_.frontmost()) {
        frontPID_ = front->pid;
        recordFocus(front->pid);
    }
}

void WindowSignal::watch(int pid, const std::string& bundleID) {
    if (!running_ || apps_.count(pid) != 0 || pid == workspace_.ownPid() || exclusions_.contains(bundleID)) {
        return;
    }
    auto observer = accessibility_.observe(
        pid, queue_, guard_.wrap([this](const std::string& name, const WindowElement& element) {
            handle(name, element);
        }));
    if (!observer) {
        return;
    }
    const WindowElement application = WindowElement::application(pid);
    for (const char* name : appNotifications) {
        observer->add(application, name);
    }
    apps_[pid] = WatchedApp{bundleID, std::move(observer)};
    for (const WindowElement& window : accessibility_.windows(pid).value_or(std::vector<WindowElement>{})) {
        track(window, pid);
    }
    if (const auto front = workspace_.frontmost(); front && front->pid == pid) {
        frontPID_ = pid;
        recordFocus(pid);
    }
}

void WindowSignal::unwatch(int pid) {
    if (apps_.erase(pid) == 0) {
        return;
    }
    std::erase_if(windows_, [pid](const auto& entry) { return entry.first.pid == pid; });
    std::erase_if(settling_, [pid](const auto& entry) { return entry.first.pid == pid; });
    std::erase_if(opening_, [pid](const auto& entry) { return entry.first.pid == pid; });
}

std::optional<WindowPayload> WindowSignal::describe(const WindowElement& window,
                                                    const std::string& bundleID) {
    if (!Windows::isStandard(accessibility_, window)) {
        return std::nullopt;
    }
    std::optional<std::string> title;
    if (WindowPayload::titleIdentifiesItem().count(bundleID) != 0) {
        title = accessibility_.title(window);
    }
    const auto document = accessibility_.document(window);
    return WindowPayload::make(bundleID, document ? std::optional<std::string_view>(*document) : std::nullopt,
                               std::move(title), Windows::frame(accessibility_, window),
                               accessibility_.minimized(window));
}

std::optional<WindowPayload> WindowSignal::track(const WindowElement& window, int pid) {
    const auto app = apps_.find(pid);
    if (app == apps_.end()) {
        return std::nullopt;
    }
    if (const auto known = windows_.find(window); known != windows_.end()) {
        return known->second;
    }
    auto description = describe(window, app->second.bundleID);
    if (!description) {
        return std::nullopt;
    }
    for (const char* name : windowNotifications) {
        app->second.observer->add(window, name);
    }
    windows_.emplace(window, *description);
    return description;
}

void WindowSignal::recordFocus(int pid) {
    const auto app = apps_.find(pid);
    if (app == apps_.end()) {
        return;
    }
    const auto focused = accessibility_.focusedWindow(pid);
    if (!focused || !track(*focused, pid)) {
        return;
    }
    auto fresh = describe(*focused, app->second.bundleID);
    if (!fresh || fresh == lastFocus_) {
        return;
    }
    windows_[*focused] = *fresh;
    lastFocus_ = fresh;
    record(Signal::windowFocus, *fresh);
}

void WindowSignal::handle(const std::string& name, const WindowElement& element) {
    const int pid = element.pid;
    if (name == accessibility::focusedWindowChanged) {
        // Only the front app's focus counts, and only its browser window changes are passed on.
        if (frontPID_ != pid) {
            return;
        }
        recordFocus(pid);
        if (const auto app = apps_.find(pid);
            app != apps_.end() && isBrowser(app->second.bundleID) && browserWindowChanged_) {
            browserWindowChanged_(app->second.bundleID);
        }
    } else if (name == accessibility::windowCreated) {
        opening_[element] = queue_.postAfter(openDelay, guard_.wrap([this, element, pid] {
            opening_.erase(element);
            if (const auto payload = track(element, pid)) {
                record(Signal::windowOpen, *payload);
            }
        }));
    } else if (name == accessibility::elementDestroyed) {
        settling_.erase(element);
        opening_.erase(element);
        if (const auto known = windows_.find(element); known != windows_.end()) {
            const WindowPayload payload = known->second;
            windows_.erase(known);
            record(Signal::windowClose, payload);
        }
    } else if (name == accessibility::windowMoved || name == accessibility::windowResized) {
        settling_[element] = queue_.postAfter(settleDelay, guard_.wrap([this, element, pid] {
            settling_.erase(element);
            update(element, pid, Signal::windowFrame);
        }));
    } else if (name == accessibility::windowMiniaturized) {
        update(element, pid, Signal::windowMinimize);
    } else if (name == accessibility::windowDeminiaturized) {
        update(element, pid, Signal::windowUnminimize);
    } else if (name == accessibility::titleChanged) {
        titleChanged(element, pid);
    }
}

void WindowSignal::titleChanged(const WindowElement& element, int pid) {
    const auto known = windows_.find(element);
    if (known == windows_.end()) {
        return;
    }
    const WindowPayload old = known->second;
    if (isBrowser(old.bundleID)) {
        if (frontPID_ == pid && browserWindowChanged_) {
            browserWindowChanged_(old.bundleID);
        }
        return;
    }
    auto fresh = describe(element, old.bundleID);
    if (!fresh) {
        return;
    }
    const auto key = [](const WindowPayload& payload) {
        return payload.document ? payload.document : payload.title;
    };
    if (key(old) == key(*fresh)) {
        return;
    }
    windows_[element] = *fresh;
    if (frontPID_ == pid) {
        record(Signal::windowChange, *fresh);
    }
}

void WindowSignal::update(const WindowElement& element, int pid, const Signal& signal) {
    if (apps_.count(pid) == 0) {
        return;
    }
    const auto known = windows_.find(element);
    if (known == windows_.end()) {
        return;
    }
    auto fresh = describe(element, known->second.bundleID);
    if (signal == Signal::windowFrame) {
        if (!fresh || fresh->frame == known->second.frame) {
            return;
        }
    } else {
        WindowPayload payload = fresh ? *fresh : known->second;
        payload.minimized = signal == Signal::windowMinimize ? std::optional<bool>(true) : std::nullopt;
        fresh = std::move(payload);
    }
    known->second = *fresh;
    record(signal, *fresh);
}

void WindowSignal::recordSnapshot() {
    if (!running_) {
        return;
    }
    WindowsPayload snapshot;
    for (const auto& [element, payload] : windows_) {
        snapshot.windows.push_back(payload);
    }
    const auto item = [](const WindowPayload& payload) {
        return payload.document.value_or(payload.title.value_or(std::string()));
    };
    std::sort(snapshot.windows.begin(), snapshot.windows.end(),
              [&](const WindowPayload& a, const WindowPayload& b) {
                  return a.bundleID != b.bundleID ? a.bundleID < b.bundleID : item(a) < item(b);
              });
    writer_.record(Signal::windows, snapshot, clock_.now());
}

void WindowSignal::record(const Signal& signal, const WindowPayload& payload) {
    writer_.record(signal, payload, clock_.now());
}

bool WindowSignal::isBrowser(const std::string& bundleID) const {
    return BrowserFamilies::contains(bundleID);
}

} // namespace ostrel
