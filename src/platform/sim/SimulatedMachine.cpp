#include "platform/sim/SimulatedMachine.hpp"

#include "core/foundation/Url.hpp"
#include "platform/Clock.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <deque>
#include <stdexcept>
#include <map>
#include <mutex>
#include <variant>

namespace ostrel {

namespace {

struct AccessibilityNotice {
    std::string name;
    WindowElement element;
};

struct TrustNotice {};

struct PowerNotice {};

struct CalendarNotice {};

// One accessibility observer's registrations and its subscriber. Registrations are guarded by
// the machine's lock.
struct ObserverEntry {
    int pid = 0;
    std::vector<std::pair<WindowElement, std::string>> registrations;
    Subscribers<AccessibilityNotice> subscribers;
};

std::string describe(WindowElement element) {
    return "window " + std::to_string(element.id) + " of pid " + std::to_string(element.pid);
}

RunningApp runningApp(const MachineState::App& app) {
    return {app.pid, app.bundleID, app.name, app.path, app.regular, app.hidden};
}

LocationAuthorization roleAuthorization(MachineState::LocationAuthorization authorization) {
    switch (authorization) {
    case MachineState::LocationAuthorization::notDetermined:
        return LocationAuthorization::notDetermined;
    case MachineState::LocationAuthorization::denied:
        return LocationAuthorization::denied;
    case MachineState::LocationAuthorization::whenInUse:
        return LocationAuthorization::whenInUse;
    case MachineState::LocationAuthorization::always:
        return LocationAuthorization::always;
    }
    return LocationAuthorization::notDetermined;
}

// ---- Audio ----

struct AudioControlNotice {
    AudioDeviceID device = 0;
    AudioControl control = AudioControl::volume;
};

// The four characters of a data source as the system's code, first character in the most
// significant byte; a shorter text is padded with spaces.
std::uint32_t audioCode(const std::string& text) {
    std::uint32_t code = 0;
    for (std::size_t index = 0; index < 4; ++index) {
        const unsigned char byte = index < text.size() ? static_cast<unsigned char>(text[index]) : ' ';
        code = (code << 8) | byte;
    }
    return code;
}

} // namespace

struct SimulatedMachine::Core {
    mutable std::mutex lock;
    MachineState state;
    VirtualTime* time = nullptr;
    std::map<std::string, int> failures; // name → calls left to fail, or always
    mutable std::map<std::string, int> counts;
    Subscribers<WorkspaceEvent> workspaceEvents;
    Subscribers<SessionEvent> sessionEvents;
    Subscribers<TrustNotice> trustNotices;
    std::vector<std::weak_ptr<ObserverEntry>> observers;
    Subscribers<ScreensChanged> screenNotices;
    Subscribers<PowerNotice> powerNotices;
    Subscribers<AppearanceChange> appearanceChanges;

    // ---- Place ----
    Subscribers<WiFiChange> wifiChanges;
    // ---- Browsers ----
    std::vector<std::string> scriptsRun;
    int automationQuestions = 0;
    // ---- The shortcuts tool ----
    std::vector<SimulatedMachine::CommandRun> commandsRun;

    // ---- Calendars ----
    Subscribers<CalendarNotice> calendarNotices;
    int calendarQuestions = 0;
    Executor* eventStoreThread = nullptr; // where access answers arrive; none: on the asking thread
    // Where launches finish and late windows show; none: at once, on the asking thread.
    Executor* workspaceThread = nullptr;
    std::weak_ptr<Core> self; // for tasks that may outlive the machine

    Subscribers<LocationEvent> locationEvents;
    // Answers queued by the test for the next location requests: readings, or an error text.
    std::deque<std::variant<std::vector<LocationFix>, std::string>> locationAnswers;

    Date now() const { return time != nullptr ? time->clock().now() : SystemClock().now(); }

    // Answers one location request. Caller holds the lock.
    void answerLocationRequest() {
        if (fails("requestLocation")) {
            locationEvents.emit({LocationEvent::Kind::failed, {}, {}, "requestLocation failed (simulated)"});
            return;
        }
        const auto authorization = state.locationAuthorization;
        if (authorization != MachineState::LocationAuthorization::always &&
            authorization != MachineState::LocationAuthorization::whenInUse) {
            locationEvents.emit({LocationEvent::Kind::failed, {}, {}, "location access is not authorized"});
            return;
        }
        if (!locationAnswers.empty()) {
            auto answer = std::move(locationAnswers.front());
            locationAnswers.pop_front();
            if (auto* fixes = std::get_if<std::vector<LocationFix>>(&answer)) {
                locationEvents.emit({LocationEvent::Kind::fixes, {}, std::move(*fixes), {}});
            } else {
                locationEvents.emit({LocationEvent::Kind::failed, {}, {}, std::get<std::string>(answer)});
            }
            return;
        }
        if (!state.location) {
            locationEvents.emit({LocationEvent::Kind::failed, {}, {}, "the location is unknown"});
            return;
        }
        const MachineState::Location& here = *state.location;
        locationEvents.emit(
            {LocationEvent::Kind::fixes, {}, {LocationFix{here.latitude, here.longitude, here.accuracy, now()}}, {}});
    }

    // ---- Audio ----
    // Device numbers are given on first sight of a device and forgotten when it is unplugged, so a
    // device plugged in again gets a new one, as on a real system.
    std::map<std::string, AudioDeviceID> audioIDs;
    AudioDeviceID nextAudioID = 1;
    Subscribers<AudioSystemChange> audioSystemNotices;
    Subscribers<AudioControlNotice> audioControlNotices;

    AudioDeviceID audioID(const std::string& id) {
        const auto [found, added] = audioIDs.try_emplace(id, nextAudioID);
        if (added) {
            ++nextAudioID;
        }
        return found->second;
    }

    MachineState::AudioDevice* audioDevice(AudioDeviceID number) {
        for (MachineState::AudioDevice& device : state.audioDevices) {
            if (const auto known = audioIDs.find(device.id); known != audioIDs.end() && known->second == number) {
                return &device;
            }
        }
        return nullptr;
    }

    MachineState::AudioDevice* defaultAudioDevice() {
        if (!state.defaultOutput) {
            return nullptr;
        }
        const auto found = std::ranges::find(state.audioDevices, *state.defaultOutput, &MachineState::AudioDevice::id);
        return found == state.audioDevices.end() ? nullptr : &*found;
    }

    void audioControlChanged(const MachineState::AudioDevice& device, AudioControl control) {
        audioControlNotices.emit({audioID(device.id), control});
    }

    // Counts the call and says whether it fails. Caller holds the lock.
    bool fails(const std::string& name) {
        ++counts[name];
        const auto found = failures.find(name);
        if (found == failures.end()) {
            return false;
        }
        if (found->second != always && --found->second <= 0) {
            failures.erase(found);
        }
        return true;
    }

    void failOperation(const std::string& name) {
        if (fails(name)) {
            throw OperationError(name + " failed (simulated)");
        }
    }

    Availability availability(const std::string& role) const {
        std::lock_guard guard(lock);
        const auto found = state.unavailable.find(role);
        return found == state.unavailable.end() ? Availability::yes() : Availability::no(found->second);
    }

    MachineState::App& app(int pid) {
        MachineState::App* found = state.findApp(pid);
        if (found == nullptr) {
            throw OperationError("no running app with pid " + std::to_string(pid));
        }
        return *found;
    }

    MachineState::Window& window(WindowElement element) {
        MachineState::Window* found = state.findWindow(element);
        if (found == nullptr) {
            throw OperationError("no " + describe(element));
        }
        return *found;
    }

    void emit(WorkspaceEvent::Kind kind, const MachineState::App* app) {
        workspaceEvents.emit({kind, app == nullptr ? std::nullopt : std::optional(runningApp(*app))});
    }

    // Sends an accessibility notice about element (a window of pid) to the observers of pid that
    // registered name on that window or on the application.
    void notify(const std::string& name, WindowElement element) {
        if (!state.trusted) {
            return;
        }
        std::erase_if(observers, [](const auto& weak) { return weak.expired(); });
        const WindowElement application = WindowElement::application(element.pid);
        for (const auto& weak : observers) {
            const auto observer = weak.lock();
            if (!observer || observer->pid != element.pid) {
                continue;
            }
            const bool registered = std::ranges::any_of(observer->registrations, [&](const auto& registration) {
                return registration.second == name &&
                       (registration.first == element || registration.first == application);
            });
            if (registered) {
                observer->subscribers.emit({name, element});
            }
        }
    }

    void forgetRegistrations(WindowElement element) {
        for (const auto& weak : observers) {
            if (const auto observer = weak.lock()) {
                std::erase_if(observer->registrations, [&](const auto& registration) {
                    return registration.first == element || (element.isApplication() && registration.first.pid == element.pid);
                });
            }
        }
    }

    void focusChanged(const MachineState::App& app) {
        if (app.focusedWindow) {
            notify(accessibility::focusedWindowChanged, {app.pid, *app.focusedWindow});
        }
    }

    // The latest launched visible regular app other than this process and except, gets the front.
    void passFront(int except) {
        if (state.frontPid != except) {
            return;
        }
        state.frontPid.reset();
        for (auto it = state.apps.rbegin(); it != state.apps.rend(); ++it) {
            if (it->pid != except && it->pid != state.ownPid && it->regular && !it->hidden) {
                activate(it->pid);
                return;
            }
        }
    }

    int launch(const std::string& appID, bool hidden) {
        return launch(appID, hidden ? Start::hidden : Start::front, false);
    }

    enum class Start { front, behind, hidden };

    static AppInstance instanceOf(const MachineState::App& app) {
        return {app.pid, app.bundleID.value_or(""), app.serial};
    }

    MachineState::App* findInstance(const AppInstance& instance) {
        MachineState::App* found = state.findApp(instance.pid);
        return found != nullptr && found->serial == instance.serial && found->bundleID.value_or("") == instance.appID
                   ? found
                   : nullptr;
    }

    MachineState::App& runningInstance(const AppInstance& instance) {
        MachineState::App* found = findInstance(instance);
        if (found == nullptr) {
            throw OperationError("app " + instance.appID + " (pid " + std::to_string(instance.pid) + ") is no longer running");
        }
        return *found;
    }

    // Runs task after delay on the workspace's thread, or at once without virtual time. The
    // caller must not hold the lock when there is no virtual time.
    void later(double delay, const std::shared_ptr<Core>& self, std::function<void(Core&)> task) {
        if (workspaceThread == nullptr) {
            task(*self);
            return;
        }
        workspaceThread->postAfter(delay, [weak = std::weak_ptr<Core>(self), task = std::move(task)] {
            if (const auto core = weak.lock()) {
                task(*core);
            }
        }).detach();
    }

    // The installed app's windows appear now: "AXWindowCreated" each, then the focus. Nothing
    // when that start of the app has gone meanwhile.
    void showWindows(const AppInstance& instance) {
        MachineState::App* owner = findInstance(instance);
        const MachineState::InstalledApp* installed = state.findInstalled(instance.appID);
        if (owner == nullptr || installed == nullptr) {
            return;
        }
        std::vector<MachineState::Window> windows = installed->windows;
        for (MachineState::Window& window : windows) {
            window.id = state.nextWindowID++;
        }
        owner->windows.insert(owner->windows.begin(), windows.begin(), windows.end());
        for (const MachineState::Window& window : windows) {
            notify(accessibility::windowCreated, {owner->pid, window.id});
        }
        if (!windows.empty()) {
            owner->focusedWindow = windows.front().id;
            focusChanged(*owner);
        }
    }

    // The asynchronous start of an app, as the workspace's launch request ends: an app already
    // running is only brought forward when asked; an installed one starts, its windows after its
    // window delay. Caller holds the lock.
    OpenOutcome start(const std::string& appID, Start mode) {
        if (const MachineState::App* running = state.findAppByID(appID)) {
            const AppInstance instance = instanceOf(*running);
            if (mode == Start::front) {
                activate(instance.pid);
            }
            return {instance, false, std::nullopt};
        }
        const MachineState::InstalledApp* installed = state.findInstalled(appID);
        if (installed == nullptr) {
            return {std::nullopt, false, "no app \"" + appID + "\" is installed"};
        }
        if (installed->launchError) {
            return {std::nullopt, false, *installed->launchError};
        }
        const bool deferWindows = installed->windowDelay > 0 && workspaceThread != nullptr;
        const int pid = launch(appID, mode, deferWindows);
        const AppInstance instance = instanceOf(*state.findApp(pid));
        if (deferWindows) {
            const double delay = installed->windowDelay;
            workspaceThread->postAfter(delay, [weak = self, instance] {
                if (const auto core = weak.lock()) {
                    std::lock_guard guard(core->lock);
                    core->showWindows(instance);
                }
            }).detach();
        }
        return {instance, true, std::nullopt};
    }

    // Opens a document window in the app: "AXWindowCreated", then the focus. The window names its
    // document by file URL, as a desktop's accessibility does.
    void openDocumentWindow(MachineState::App& owner, const std::string& path) {
        MachineState::Window window;
        window.id = state.nextWindowID++;
        window.document = fileURL(path);
        window.title = path.substr(path.find_last_of('/') + 1);
        owner.windows.insert(owner.windows.begin(), window);
        owner.focusedWindow = window.id;
        notify(accessibility::windowCreated, {owner.pid, window.id});
        focusChanged(owner);
    }

    // The app that opens the document: the file must exist and its extension have a handler.
    std::optional<std::string> documentHandler(const std::string& path) const {
        if (std::ranges::find(state.documents, path) == state.documents.end()) {
            return std::nullopt;
        }
        const auto slash = path.find_last_of('/');
        const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        const auto dot = name.find_last_of('.');
        if (dot == std::string::npos || dot == 0) {
            return std::nullopt;
        }
        std::string extension = name.substr(dot + 1);
        std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const auto found = state.documentHandlers.find(extension);
        return found == state.documentHandlers.end() ? std::nullopt : std::optional(found->second);
    }

    // The delay until an open of appID finishes: none when it runs, its launch delay otherwise.
    // Throws OperationError when it neither runs nor is installed.
    double openDelay(const std::string& appID) const {
        if (state.findAppByID(appID) != nullptr) {
            return 0;
        }
        const MachineState::InstalledApp* installed = state.findInstalled(appID);
        if (installed == nullptr) {
            throw OperationError("no app \"" + appID + "\" is installed");
        }
        return installed->launchDelay;
    }

    int launch(const std::string& appID, Start mode, bool deferWindows) {
        const bool hidden = mode == Start::hidden;
        if (const MachineState::App* running = state.findAppByID(appID)) {
            const int pid = running->pid;
            if (mode == Start::front) {
                activate(pid);
            }
            return pid;
        }
        const MachineState::InstalledApp* installed = state.findInstalled(appID);
        if (installed == nullptr) {
            throw OperationError("no app \"" + appID + "\" is installed");
        }
        MachineState::App app;
        app.pid = state.nextPid++;
        app.bundleID = installed->appID;
        app.name = installed->name;
        app.path = installed->path;
        app.regular = installed->regular;
        app.hidden = hidden;
        app.serial = state.nextSerial++;
        app.refusesQuit = installed->refusesQuit;
        if (!deferWindows) {
            app.windows = installed->windows;
        }
        for (MachineState::Window& window : app.windows) {
            window.id = state.nextWindowID++;
        }
        if (!app.windows.empty()) {
            app.focusedWindow = app.windows.front().id;
        }
        state.apps.push_back(app);
        emit(WorkspaceEvent::Kind::launched, &state.apps.back());
        for (const MachineState::Window& window : app.windows) {
            notify(accessibility::windowCreated, {app.pid, window.id});
        }
        if (mode == Start::front) {
            activate(app.pid);
        }
        return app.pid;
    }

    void activate(int pid) {
        MachineState::App& target = app(pid);
        if (target.hidden) {
            target.hidden = false;
            emit(WorkspaceEvent::Kind::unhidden, &target);
        }
        if (state.frontPid == pid) {
            return;
        }
        state.frontPid = pid;
        emit(WorkspaceEvent::Kind::activated, &target);
        focusChanged(target);
    }

    void hide(int pid) {
        MachineState::App& target = app(pid);
        if (target.hidden) {
            return;
        }
        target.hidden = true;
        emit(WorkspaceEvent::Kind::hidden, &target);
        passFront(pid);
    }

    void unhide(int pid) {
        MachineState::App& target = app(pid);
        if (!target.hidden) {
            return;
        }
        target.hidden = false;
        emit(WorkspaceEvent::Kind::unhidden, &target);
    }

    void quit(int pid) {
        if (pid == state.ownPid) {
            throw OperationError("this process cannot quit itself through the workspace");
        }
        const MachineState::App gone = app(pid);
        for (const MachineState::Window& window : gone.windows) {
            notify(accessibility::elementDestroyed, {pid, window.id});
        }
        forgetRegistrations(WindowElement::application(pid));
        std::erase_if(state.apps, [&](const MachineState::App& app) { return app.pid == pid; });
        emit(WorkspaceEvent::Kind::terminated, &gone);
        passFront(pid);
    }

    void focusWindow(WindowElement element) {
        MachineState::App& owner = app(element.pid);
        const auto found = std::ranges::find(owner.windows, element.id, &MachineState::Window::id);
        if (found == owner.windows.end()) {
            throw OperationError("no " + describe(element));
        }
        std::rotate(owner.windows.begin(), found, found + 1);
        if (owner.focusedWindow == element.id) {
            return;
        }
        owner.focusedWindow = element.id;
        focusChanged(owner);
    }

    // After the focused window went away or was minimised: the frontmost remaining window that is
    // not minimised gets the focus.
    void refocus(MachineState::App& owner) {
        const auto next = std::ranges::find(owner.windows, false, &MachineState::Window::minimized);
        if (next == owner.windows.end()) {
            owner.focusedWindow.reset();
            return;
        }
        owner.focusedWindow = next->id;
        focusChanged(owner);
    }
};

// ---- The roles ----

namespace {

using Core = SimulatedMachine::Core;

class SimWorkspace final : public Workspace {
public:
    explicit SimWorkspace(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("workspace"); }

    std::vector<RunningApp> runningApps() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("runningApps")) {
            return {};
        }
        std::vector<RunningApp> apps;
        for (const MachineState::App& app : core_->state.apps) {
            apps.push_back(runningApp(app));
        }
        return apps;
    }

    std::optional<RunningApp> frontmost() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("frontmost") || !core_->state.frontPid) {
            return std::nullopt;
        }
        const MachineState::App* app = core_->state.findApp(*core_->state.frontPid);
        return app == nullptr ? std::nullopt : std::optional(runningApp(*app));
    }

    int ownPid() const override {
        std::lock_guard guard(core_->lock);
        return core_->state.ownPid;
    }

    Subscription subscribe(Executor& executor, Callback callback) override {
        return core_->workspaceEvents.add(executor, std::move(callback));
    }

    void launch(const std::string& appID) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("launch");
        core_->launch(appID, false);
    }

    void launchHidden(const std::string& appID) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("launchHidden");
        core_->launch(appID, true);
    }

    void activate(int pid) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("activate");
        core_->activate(pid);
    }

    void hide(int pid) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("hide");
        core_->hide(pid);
    }

    void unhide(int pid) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("unhide");
        core_->unhide(pid);
    }

    void quit(int pid) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("quit");
        core_->quit(pid);
    }

    void openURL(const std::string& url, const std::optional<std::string>& appID) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("openURL");
        std::string opener;
        if (appID) {
            opener = *appID;
        } else {
            const auto colon = url.find(':');
            const auto handler =
                colon == std::string::npos ? core_->state.defaultHandlers.end() : core_->state.defaultHandlers.find(url.substr(0, colon));
            if (handler == core_->state.defaultHandlers.end()) {
                throw OperationError("no app opens " + url);
            }
            opener = handler->second;
        }
        core_->launch(opener, false);
        core_->state.openedURLs.push_back({url, opener});
    }

    std::optional<std::string> applicationPath(const std::string& appID) const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("applicationPath")) {
            return std::nullopt;
        }
        const MachineState::InstalledApp* installed = core_->state.findInstalled(appID);
        if (installed == nullptr) {
            return std::nullopt;
        }
        return installed->path.value_or("/usr/share/applications/" + appID + ".desktop");
    }

    void launchApp(const std::string& appID, bool activate, OpenCompletion completion) override {
        std::unique_lock guard(core_->lock);
        core_->failOperation("launchApp");
        const double delay = core_->openDelay(appID);
        guard.unlock();
        core_->later(delay, core_, [appID, activate, completion = std::move(completion)](Core& core) {
            OpenOutcome outcome;
            {
                std::lock_guard inner(core.lock);
                outcome = core.start(appID, activate ? Core::Start::front : Core::Start::behind);
            }
            if (completion) {
                completion(outcome);
            }
        });
    }

    std::optional<std::string> documentHandler(const std::string& path) const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("documentHandler")) {
            return std::nullopt;
        }
        return core_->documentHandler(path);
    }

    void openDocument(const std::string& path, bool activate, OpenCompletion completion) override {
        std::unique_lock guard(core_->lock);
        core_->failOperation("openDocument");
        const std::optional<std::string> handler = core_->documentHandler(path);
        if (!handler) {
            throw OperationError("no app opens " + path);
        }
        const double delay = core_->openDelay(*handler);
        guard.unlock();
        core_->later(delay, core_, [path, appID = *handler, activate, completion = std::move(completion)](Core& core) {
            OpenOutcome outcome;
            {
                std::lock_guard inner(core.lock);
                outcome = core.start(appID, activate ? Core::Start::front : Core::Start::behind);
                if (outcome.app) {
                    core.openDocumentWindow(core.runningInstance(*outcome.app), path);
                    core.state.openedURLs.push_back({path, appID});
                }
            }
            if (completion) {
                completion(outcome);
            }
        });
    }

    void openPage(const std::string& url, OpenCompletion completion) override {
        std::unique_lock guard(core_->lock);
        core_->failOperation("openPage");
        const auto colon = url.find(':');
        std::string scheme = colon == std::string::npos ? std::string() : url.substr(0, colon);
        std::ranges::transform(scheme, scheme.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const auto handler = core_->state.defaultHandlers.find(scheme);
        if (scheme.empty() || handler == core_->state.defaultHandlers.end()) {
            throw OperationError("no app opens " + url);
        }
        const std::string appID = handler->second;
        const double delay = core_->openDelay(appID);
        guard.unlock();
        core_->later(delay, core_, [url, appID, completion = std::move(completion)](Core& core) {
            OpenOutcome outcome;
            {
                std::lock_guard inner(core.lock);
                outcome = core.start(appID, Core::Start::behind);
                if (outcome.app) {
                    core.state.openedURLs.push_back({url, appID});
                }
            }
            if (completion) {
                completion(outcome);
            }
        });
    }

    std::optional<AppInstance> instance(int pid) const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("instance")) {
            return std::nullopt;
        }
        const MachineState::App* app = core_->state.findApp(pid);
        return app == nullptr ? std::nullopt : std::optional(Core::instanceOf(*app));
    }

    bool isRunning(const AppInstance& app) const override {
        std::lock_guard guard(core_->lock);
        return core_->findInstance(app) != nullptr;
    }

    void hide(const AppInstance& app) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("hide");
        core_->hide(core_->runningInstance(app).pid);
    }

    void unhide(const AppInstance& app) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("unhide");
        core_->unhide(core_->runningInstance(app).pid);
    }

    void requestQuit(const AppInstance& app) override {
        std::lock_guard guard(core_->lock);
        core_->failOperation("requestQuit");
        const MachineState::App& target = core_->runningInstance(app);
        if (target.refusesQuit) {
            return; // the app said no; a polite quit takes that answer
        }
        core_->quit(target.pid);
    }

    std::optional<std::string> defaultHandler(const std::string& scheme) const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("defaultHandler")) {
            return std::nullopt;
        }
        const auto found = core_->state.defaultHandlers.find(scheme);
        return found == core_->state.defaultHandlers.end() ? std::nullopt : std::optional(found->second);
    }

    std::optional<std::string> appName(const std::string& appID) const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("appName")) {
            return std::nullopt;
        }
        if (const MachineState::InstalledApp* installed = core_->state.findInstalled(appID)) {
            return installed->name;
        }
        const MachineState::App* running = core_->state.findAppByID(appID);
        return running == nullptr ? std::nullopt : running->name;
    }

private:
    std::shared_ptr<Core> core_;
};

class SimSession final : public SessionEvents {
public:
    explicit SimSession(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("session"); }

    bool isLocked() const override {
        std::lock_guard guard(core_->lock);
        return !core_->fails("isLocked") && core_->state.locked;
    }

    Subscription subscribe(Executor& executor, Callback callback) override {
        return core_->sessionEvents.add(executor, std::move(callback));
    }

private:
    std::shared_ptr<Core> core_;
};

class SimActivity final : public UserActivity {
public:
    explicit SimActivity(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("activity"); }

    std::optional<double> idleSeconds() const override {
        std::lock_guard guard(core_->lock);
        return core_->fails("idleSeconds") ? std::nullopt : core_->state.idleSeconds;
    }

    bool displayKeptAwake() const override {
        std::lock_guard guard(core_->lock);
        return !core_->fails("displayKeptAwake") && core_->state.displayKeptAwake;
    }

    WakeLock keepAwake(const std::string& reason) override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("keepAwake")) {
            return {};
        }
        core_->state.wakeLocks.push_back(reason);
        return WakeLock([core = core_, reason] {
            std::lock_guard guard(core->lock);
            auto& locks = core->state.wakeLocks;
            if (const auto found = std::ranges::find(locks, reason); found != locks.end()) {
                locks.erase(found);
            }
        });
    }

private:
    std::shared_ptr<Core> core_;
};

class SimObserver final : public AccessibilityObserver {
public:
    SimObserver(std::shared_ptr<Core> core, std::shared_ptr<ObserverEntry> entry, Subscription subscription)
        : core_(std::move(core)), entry_(std::move(entry)), subscription_(std::move(subscription)) {}

    ~SimObserver() override {
        subscription_.cancel();
        std::lock_guard guard(core_->lock);
        entry_->registrations.clear();
    }

    bool add(WindowElement element, const std::string& name) override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("add") || !core_->state.trusted || element.pid != entry_->pid) {
            return false;
        }
        const bool exists = element.isApplication() ? core_->state.findApp(element.pid) != nullptr
                                                    : core_->state.findWindow(element) != nullptr;
        if (!exists) {
            return false;
        }
        const std::pair registration(element, name);
        if (std::ranges::find(entry_->registrations, registration) == entry_->registrations.end()) {
            entry_->registrations.push_back(registration);
        }
        return true;
    }

private:
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverEntry> entry_;
    Subscription subscription_;
};

class SimAccessibility final : public WindowAccessibility {
public:
    explicit SimAccessibility(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("accessibility"); }

    bool isTrusted() const override {
        std::lock_guard guard(core_->lock);
        return !core_->fails("isTrusted") && core_->state.trusted;
    }

    Subscription subscribeTrust(Executor& executor, TrustCallback callback) override {
        return core_->trustNotices.add(executor, [callback = std::move(callback)](const TrustNotice&) { callback(); });
    }

    void setMessagingTimeout(double seconds) override {
        std::lock_guard guard(core_->lock);
        if (!core_->fails("setMessagingTimeout")) {
            core_->state.messagingTimeout = seconds;
        }
    }

    std::unique_ptr<AccessibilityObserver> observe(int pid, Executor& executor,
                                                   AccessibilityObserver::Callback callback) override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("observe") || !core_->state.trusted || core_->state.findApp(pid) == nullptr) {
            return nullptr;
        }
        auto entry = std::make_shared<ObserverEntry>();
        entry->pid = pid;
        Subscription subscription = entry->subscribers.add(
            executor, [callback = std::move(callback)](const AccessibilityNotice& notice) {
                callback(notice.name, notice.element);
            });
        core_->observers.push_back(entry);
        return std::make_unique<SimObserver>(core_, std::move(entry), std::move(subscription));
    }

    std::optional<std::vector<WindowElement>> windows(int pid) const override {
        std::lock_guard guard(core_->lock);
        const MachineState::App* app = readable("windows") ? core_->state.findApp(pid) : nullptr;
        if (app == nullptr) {
            return std::nullopt;
        }
        std::vector<WindowElement> elements;
        for (const MachineState::Window& window : app->windows) {
            elements.push_back({pid, window.id});
        }
        return elements;
    }

    std::optional<WindowElement> focusedWindow(int pid) const override {
        std::lock_guard guard(core_->lock);
        const MachineState::App* app = readable("focusedWindow") ? core_->state.findApp(pid) : nullptr;
        if (app == nullptr || !app->focusedWindow) {
            return std::nullopt;
        }
        return WindowElement{pid, *app->focusedWindow};
    }

    std::optional<std::string> subrole(WindowElement element) const override {
        return read("subrole", element, [](const MachineState::Window& window) { return std::optional(window.subrole); });
    }

    std::optional<std::string> title(WindowElement element) const override {
        return read("title", element, [](const MachineState::Window& window) { return window.title; });
    }

    std::optional<std::string> document(WindowElement element) const override {
        return read("document", element, [](const MachineState::Window& window) { return window.document; });
    }

    std::optional<Rect> frame(WindowElement element) const override {
        return read("frame", element, [](const MachineState::Window& window) { return window.frame; });
    }

    std::optional<bool> minimized(WindowElement element) const override {
        return read("minimized", element, [](const MachineState::Window& window) { return std::optional(window.minimized); });
    }

    bool setSize(WindowElement element, double width, double height) override {
        return change("setSize", element, [&](Rect& frame) {
            frame.width = width;
            frame.height = height;
        }, accessibility::windowResized);
    }

    bool setPosition(WindowElement element, double x, double y) override {
        return change("setPosition", element, [&](Rect& frame) {
            frame.x = x;
            frame.y = y;
        }, accessibility::windowMoved);
    }

private:
    // Changes a window's frame as the driver's move and resize do, with their notice.
    template <class Change>
    bool change(const std::string& name, WindowElement element, Change change, const char* notice) {
        std::lock_guard guard(core_->lock);
        MachineState::Window* window = readable(name) ? core_->state.findWindow(element) : nullptr;
        if (window == nullptr) {
            return false;
        }
        Rect frame = window->frame.value_or(Rect{});
        change(frame);
        window->frame = frame;
        core_->notify(notice, element);
        return true;
    }

    // Counts the call; false when it fails or the permission is off. Caller holds the lock.
    bool readable(const std::string& name) const { return !core_->fails(name) && core_->state.trusted; }

    template <class Read>
    auto read(const std::string& name, WindowElement element, Read read) const -> decltype(read(std::declval<const MachineState::Window&>())) {
        std::lock_guard guard(core_->lock);
        const MachineState::Window* window = readable(name) ? core_->state.findWindow(element) : nullptr;
        if (window == nullptr) {
            return std::nullopt;
        }
        return read(*window);
    }

    std::shared_ptr<Core> core_;
};

class SimLogins final : public LoginRecords {
public:
    explicit SimLogins(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("logins"); }

    std::vector<LoginRecord> records() const override {
        std::lock_guard guard(core_->lock);
        return core_->fails("records") ? std::vector<LoginRecord>{} : core_->state.loginRecords;
    }

    std::string userName() const override {
        std::lock_guard guard(core_->lock);
        return core_->fails("userName") ? std::string() : core_->state.userName;
    }

    double uptime() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("uptime")) {
            return 0;
        }
        return core_->time != nullptr ? core_->time->clock().boot() : core_->state.uptime;
    }

private:
    std::shared_ptr<Core> core_;
};

class SimWiFi final : public WiFi {
public:
    explicit SimWiFi(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("wifi"); }

    std::optional<std::string> ssid() const override {
        std::lock_guard guard(core_->lock);
        return core_->fails("ssid") ? std::nullopt : core_->state.wifiNetwork;
    }

    Subscription subscribe(Executor& executor, Callback callback) override {
        {
            std::lock_guard guard(core_->lock);
            core_->failOperation("subscribeWiFi");
        }
        return core_->wifiChanges.add(executor, std::move(callback));
    }

private:
    std::shared_ptr<Core> core_;
};

class SimAppearance final : public Appearance {
public:
    explicit SimAppearance(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    bool reduceMotion() const override {
        std::lock_guard guard(core_->lock);
        return core_->state.reduceMotion;
    }

    Subscription subscribe(Executor& executor, Callback callback) override {
        return core_->appearanceChanges.add(executor, std::move(callback));
    }

private:
    std::shared_ptr<Core> core_;
};

class SimLocation final : public Location {
public:
    explicit SimLocation(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("location"); }

    LocationAuthorization authorization() const override {
        std::lock_guard guard(core_->lock);
        return core_->fails("authorization") ? LocationAuthorization::notDetermined
                                             : roleAuthorization(core_->state.locationAuthorization);
    }

    Subscription subscribe(Executor& executor, Callback callback) override {
        return core_->locationEvents.add(executor, std::move(callback));
    }

    void requestLocation() override {
        std::lock_guard guard(core_->lock);
        core_->answerLocationRequest();
    }

private:
    std::shared_ptr<Core> core_;
};

class SimDisplays final : public Displays {
public:
    explicit SimDisplays(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("displays"); }

    std::vector<Screen> screens() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("screens")) {
            return {};
        }
        const auto& state = core_->state;
        const bool mainKnown = state.mainDisplay && std::ranges::any_of(state.displays, [&](const auto& display) {
                                   return display.id == *state.mainDisplay;
                               });
        std::vector<Screen> screens;
        for (const MachineState::Display& display : state.displays) {
            const bool main = mainKnown ? display.id == *state.mainDisplay : screens.empty();
            screens.push_back({display.number, display.uuid, display.name, display.frame, display.builtIn, main,
                               display.usableFrame.value_or(display.frame)});
        }
        return screens;
    }

    Subscription subscribe(Executor& executor, Callback callback) override {
        return core_->screenNotices.add(executor, [callback = std::move(callback)](const ScreensChanged&) { callback(); });
    }

private:
    std::shared_ptr<Core> core_;
};

class SimPower final : public PowerSources {
public:
    explicit SimPower(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("power"); }

    std::optional<PowerInfo> powerInfo() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("powerInfo")) {
            return std::nullopt;
        }
        const MachineState::Power& power = core_->state.power;
        PowerInfo info;
        info.providingType = std::string(power.source == MachineState::PowerSource::battery ? power::batteryPower
                                         : power.source == MachineState::PowerSource::ups   ? power::upsPower
                                                                                            : power::acPower);
        if (power.percent) {
            info.sources.push_back({std::string(power::internalBattery), std::llround(*power.percent),
                                    power.maxCapacity, power.charging});
        }
        return info;
    }

    std::optional<Subscription> watchPower(Executor& executor, Callback callback) override {
        {
            std::lock_guard guard(core_->lock);
            if (core_->fails("watchPower")) {
                return std::nullopt;
            }
        }
        return core_->powerNotices.add(executor, [callback = std::move(callback)](const PowerNotice&) { callback(); });
    }

private:
    std::shared_ptr<Core> core_;
};

class SimAudio final : public AudioSystem {
public:
    explicit SimAudio(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("audio"); }

    std::optional<AudioDeviceID> defaultOutputDevice() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("defaultOutputDevice")) {
            return std::nullopt;
        }
        const MachineState::AudioDevice* device = core_->defaultAudioDevice();
        return device == nullptr ? 0 : core_->audioID(device->id);
    }

    std::vector<AudioDeviceID> devices() const override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("devices")) {
            return {};
        }
        std::vector<AudioDeviceID> numbers;
        for (const MachineState::AudioDevice& device : core_->state.audioDevices) {
            numbers.push_back(core_->audioID(device.id));
        }
        return numbers;
    }

    std::optional<bool> hasOutputStreams(AudioDeviceID device) const override {
        return read("hasOutputStreams", device, [](const auto& found) { return std::optional(found.output); });
    }

    std::optional<std::string> deviceUID(AudioDeviceID device) const override {
        return read("deviceUID", device, [](const auto& found) { return std::optional(found.id); });
    }

    std::optional<std::string> deviceName(AudioDeviceID device) const override {
        return read("deviceName", device, [](const auto& found) { return std::optional(found.name); });
    }

    std::optional<AudioTransport> transport(AudioDeviceID device) const override {
        return read("transport", device, [](const auto& found) { return std::optional(found.transport); });
    }

    bool hasControl(AudioDeviceID device, AudioControl control) const override {
        return read("hasControl", device, [control](const auto& found) {
                   return std::optional(has(found, control));
               }).value_or(false);
    }

    std::optional<std::uint32_t> dataSource(AudioDeviceID device) const override {
        return read("dataSource", device, [](const auto& found) {
            return found.dataSource ? std::optional(audioCode(*found.dataSource)) : std::nullopt;
        });
    }

    std::optional<float> volume(AudioDeviceID device) const override {
        return read("volume", device, [](const auto& found) {
            return found.volume ? std::optional(static_cast<float>(*found.volume)) : std::nullopt;
        });
    }

    std::optional<bool> muted(AudioDeviceID device) const override {
        return read("muted", device, [](const auto& found) { return found.muted; });
    }

    bool setMuted(AudioDeviceID device, bool muted) override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("setMuted")) {
            return false;
        }
        MachineState::AudioDevice* found = core_->audioDevice(device);
        if (found == nullptr || !found->muted) {
            return false;
        }
        if (*found->muted != muted) {
            found->muted = muted;
            core_->audioControlChanged(*found, AudioControl::mute);
        }
        return true;
    }

    Subscription subscribe(Executor& executor, SystemCallback callback) override {
        return core_->audioSystemNotices.add(executor, std::move(callback));
    }

    Subscription subscribe(AudioDeviceID device, AudioControl control, Executor& executor,
                           DeviceCallback callback) override {
        {
            std::lock_guard guard(core_->lock);
            const MachineState::AudioDevice* found = core_->audioDevice(device);
            if (found == nullptr || !has(*found, control)) {
                return {};
            }
        }
        return core_->audioControlNotices.add(
            executor, [device, control, callback = std::move(callback)](const AudioControlNotice& notice) {
                if (notice.device == device && notice.control == control) {
                    callback(device, control);
                }
            });
    }

private:
    static bool has(const MachineState::AudioDevice& device, AudioControl control) {
        switch (control) {
        case AudioControl::volume:
            return device.volume.has_value();
        case AudioControl::mute:
            return device.muted.has_value();
        case AudioControl::dataSource:
            return device.dataSource.has_value();
        }
        return false;
    }

    // A counted read of one device; nothing when it fails or the device is gone.
    template <class Read>
    auto read(const std::string& name, AudioDeviceID device, Read read) const -> decltype(read(std::declval<const MachineState::AudioDevice&>())) {
        std::lock_guard guard(core_->lock);
        if (core_->fails(name)) {
            return std::nullopt;
        }
        const MachineState::AudioDevice* found = core_->audioDevice(device);
        if (found == nullptr) {
            return std::nullopt;
        }
        return read(*found);
    }

    std::shared_ptr<Core> core_;
};

// The shortcuts tool over the state's list of shortcuts; it runs at once and never hangs.
class SimCommands final : public CommandRunner {
public:
    explicit SimCommands(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("commands"); }

    std::optional<CommandResult> run(const std::vector<std::string>& arguments, double timeLimit) override {
        if (!availability().available) {
            return std::nullopt;
        }
        std::lock_guard guard(core_->lock);
        core_->commandsRun.push_back({arguments, timeLimit, true});
        if (core_->fails("commandRun")) {
            return std::nullopt;
        }
        return answer(arguments);
    }

    void start(const std::vector<std::string>& arguments, double timeLimit) override {
        if (!availability().available) {
            return;
        }
        std::lock_guard guard(core_->lock);
        core_->commandsRun.push_back({arguments, timeLimit, false});
        core_->fails("commandStart");
    }

private:
    // What the tool prints and how it exits. Caller holds the lock.
    CommandResult answer(const std::vector<std::string>& arguments) const {
        const std::vector<std::string>& shortcuts = core_->state.shortcuts;
        if (arguments.size() == 1 && arguments[0] == "list") {
            std::string output;
            for (const std::string& name : shortcuts) {
                output += name + "\n";
            }
            return {output, 0, false};
        }
        if (arguments.size() == 2 && arguments[0] == "run") {
            return {{}, std::ranges::find(shortcuts, arguments[1]) != shortcuts.end() ? 0 : 1, false};
        }
        return {{}, 64, false};
    }

    std::shared_ptr<Core> core_;
};

// Runs the two browser scripts the browser source sends, by recognising what they ask: the
// Chromium family's front-tab script (an incognito window answers "private") and the Safari
// family's (the front window's name, a line feed and its address; private windows are invisible
// to it). Any other script is not understood.
class SimScripting final : public BrowserScripting {
public:
    explicit SimScripting(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("browserScripting"); }

    int permission(const std::string& appID, bool askUser) override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("automationPermission")) {
            return notPermitted;
        }
        if (core_->state.findAppByID(appID) == nullptr) {
            return appNotRunning;
        }
        return decide(appID, askUser);
    }

    ScriptResult run(const std::string& script) override {
        std::lock_guard guard(core_->lock);
        core_->scriptsRun.push_back(script);
        if (core_->fails("runScript")) {
            return ScriptResult::failure(timedOut, "AppleEvent timed out. (simulated)");
        }
        static constexpr std::string_view tell = "tell application id \"";
        const auto start = script.find(tell);
        const auto end = start == std::string::npos ? start : script.find('"', start + tell.size());
        if (end == std::string::npos) {
            return ScriptResult::failure(notUnderstood, "the script names no application (simulated)");
        }
        const std::string appID = script.substr(start + tell.size(), end - start - tell.size());
        if (core_->state.findAppByID(appID) == nullptr) {
            return ScriptResult::failure(appNotRunning, "the application isn't running (simulated)");
        }
        if (decide(appID, true) != granted) {
            return ScriptResult::failure(notPermitted, "Not authorized to send Apple events (simulated)");
        }
        if (const auto error = core_->state.automation[appID].scriptError) {
            return ScriptResult::failure(*error, *error == timedOut ? "AppleEvent timed out. (simulated)"
                                                                    : "the script failed (simulated)");
        }
        const auto found = core_->state.frontTabs.find(appID);
        const MachineState::BrowserTab* tab = found == core_->state.frontTabs.end() ? nullptr : &found->second;
        if (script.find("URL of active tab of front window") != std::string::npos) {
            if (tab == nullptr) {
                return ScriptResult::success("");
            }
            return ScriptResult::success(tab->privateWindow ? "private" : tab->url);
        }
        if (script.find("URL of current tab of front window") != std::string::npos) {
            if (tab == nullptr || tab->privateWindow) {
                return ScriptResult::success("");
            }
            return ScriptResult::success(tab->title.value_or("") + "\n" + tab->url);
        }
        return ScriptResult::failure(notUnderstood, "the browser doesn't understand the script (simulated)");
    }

private:
    // The decision for a running app, asking the user when allowed. Caller holds the lock.
    int decide(const std::string& appID, bool askUser) {
        MachineState::Automation& automation = core_->state.automation[appID];
        if (automation.permission == MachineState::Permission::notDetermined) {
            if (!askUser) {
                return wouldRequireConsent;
            }
            ++core_->automationQuestions;
            automation.permission = automation.answer;
        }
        return automation.permission == MachineState::Permission::granted ? granted : notPermitted;
    }

    std::shared_ptr<Core> core_;
};

CalendarAccess calendarAccess(const MachineState& state) {
    const auto found = state.permissions.find("calendar");
    if (found == state.permissions.end()) {
        return CalendarAccess::notDetermined;
    }
    switch (found->second) {
    case MachineState::Permission::notDetermined:
        return CalendarAccess::notDetermined;
    case MachineState::Permission::denied:
        return CalendarAccess::denied;
    case MachineState::Permission::granted:
        return CalendarAccess::fullAccess;
    }
    return CalendarAccess::notDetermined;
}

// The machine's calendars under the permission "calendar". An event with both times is in a range
// it overlaps; one lacking a time cannot be placed and is in every range, as a damaged entry would be.
class SimEventStore final : public EventStore {
public:
    explicit SimEventStore(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("eventStore"); }

    CalendarAccess access() const override {
        std::lock_guard guard(core_->lock);
        return core_->fails("calendarAccess") ? CalendarAccess::notDetermined : calendarAccess(core_->state);
    }

    void requestFullAccess(std::function<void(bool granted)> done) override {
        bool granted = false;
        Executor* answerOn = nullptr;
        {
            std::lock_guard guard(core_->lock);
            answerOn = core_->eventStoreThread;
            if (!core_->fails("requestFullAccess")) {
                if (calendarAccess(core_->state) == CalendarAccess::notDetermined) {
                    ++core_->calendarQuestions;
                    core_->state.permissions["calendar"] = core_->state.calendarAnswer;
                    if (core_->state.calendarAnswer != MachineState::Permission::notDetermined) {
                        core_->calendarNotices.emit({});
                    }
                }
                granted = calendarAccess(core_->state) == CalendarAccess::fullAccess;
            }
        }
        if (answerOn == nullptr) {
            done(granted);
        } else {
            answerOn->post([done = std::move(done), granted] { done(granted); });
        }
    }

    void reset() override {
        std::lock_guard guard(core_->lock);
        core_->fails("reset");
    }

    std::vector<EventRecord> events(Date from, Date to) override {
        std::lock_guard guard(core_->lock);
        if (core_->fails("events") || calendarAccess(core_->state) != CalendarAccess::fullAccess) {
            return {};
        }
        std::vector<EventRecord> records;
        for (const MachineState::CalendarEvent& event : core_->state.events) {
            if (event.start && event.end && (*event.start >= to || *event.end <= from)) {
                continue;
            }
            EventRecord record;
            record.identifier = event.id;
            record.externalIdentifier = event.externalID;
            record.title = event.title;
            record.start = event.start;
            record.end = event.end;
            record.allDay = event.allDay;
            record.status = event.status;
            record.attendees = event.attendees;
            record.occurrence = event.occurrence;
            record.hasRecurrenceRules = event.recurring;
            record.detached = event.detached;
            record.location = event.location;
            record.notes = event.notes;
            record.url = event.url;
            const auto calendar = std::ranges::find(core_->state.calendars, event.calendarID,
                                                    &MachineState::Calendar::id);
            if (calendar != core_->state.calendars.end()) {
                record.calendarTitle = calendar->title;
            }
            records.push_back(std::move(record));
        }
        return records;
    }

    Subscription subscribe(Executor& executor, Callback changed) override {
        return core_->calendarNotices.add(executor, [changed = std::move(changed)](const CalendarNotice&) { changed(); });
    }

private:
    std::shared_ptr<Core> core_;
};

// The user's secret store over the machine's keychain items. A write replaces the item in one step,
// so a failed write leaves the earlier secret as it was.
class SimKeychain final : public Keychain {
public:
    explicit SimKeychain(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("keychain"); }

    std::optional<std::string> read(const std::string& service, const std::string& account) override {
        if (!availability().available) {
            return std::nullopt;
        }
        std::lock_guard guard(core_->lock);
        if (core_->fails("keychainRead")) {
            return std::nullopt;
        }
        const auto found = find(service, account);
        if (found == core_->state.keychain.end()) {
            return std::nullopt;
        }
        return found->secret;
    }

    Status write(const std::string& service, const std::string& account, const std::string& secret) override {
        if (!availability().available) {
            return Status::unavailable;
        }
        std::lock_guard guard(core_->lock);
        if (core_->fails("keychainWrite")) {
            return Status::failed;
        }
        const auto found = find(service, account);
        if (found != core_->state.keychain.end()) {
            found->secret = secret;
        } else {
            core_->state.keychain.push_back({service, account, secret});
        }
        return Status::success;
    }

    Status remove(const std::string& service, const std::string& account) override {
        if (!availability().available) {
            return Status::unavailable;
        }
        std::lock_guard guard(core_->lock);
        if (core_->fails("keychainRemove")) {
            return Status::failed;
        }
        std::erase_if(core_->state.keychain, [&](const MachineState::KeychainItem& item) {
            return item.service == service && item.account == account;
        });
        return Status::success;
    }

private:
    // Caller holds the lock.
    std::vector<MachineState::KeychainItem>::iterator find(const std::string& service, const std::string& account) {
        return std::ranges::find_if(core_->state.keychain, [&](const MachineState::KeychainItem& item) {
            return item.service == service && item.account == account;
        });
    }

    std::shared_ptr<Core> core_;
};

// The login items of the app of ownPid, by its id. Unavailable, the role reads notFound and refuses
// without counting, as a desktop without an autostart mechanism would.
class SimLoginItems final : public LoginItems {
public:
    explicit SimLoginItems(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    Availability availability() const override { return core_->availability("loginItems"); }

    LoginItemStatus status() const override {
        if (!availability().available) {
            return LoginItemStatus::notFound;
        }
        std::lock_guard guard(core_->lock);
        if (core_->fails("loginItemStatus")) {
            return LoginItemStatus::notRegistered;
        }
        const auto id = ownID();
        if (!id) {
            return LoginItemStatus::notFound;
        }
        const bool listed = std::ranges::find(core_->state.loginItems, *id) != core_->state.loginItems.end();
        return listed ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
    }

    void registerApp() override {
        requireAvailable();
        std::lock_guard guard(core_->lock);
        core_->failOperation("registerLoginItem");
        const auto id = ownID();
        if (!id) {
            throw OperationError("this app has no id to start at login");
        }
        if (std::ranges::find(core_->state.loginItems, *id) == core_->state.loginItems.end()) {
            core_->state.loginItems.push_back(*id);
        }
    }

    void unregisterApp() override {
        requireAvailable();
        std::lock_guard guard(core_->lock);
        core_->failOperation("unregisterLoginItem");
        if (const auto id = ownID()) {
            std::erase(core_->state.loginItems, *id);
        }
    }

private:
    void requireAvailable() const {
        if (const Availability availability = this->availability(); !availability.available) {
            throw OperationError("login items are not available: " + availability.reason);
        }
    }

    // Caller holds the lock.
    std::optional<std::string> ownID() const {
        const MachineState::App* own = core_->state.findApp(core_->state.ownPid);
        return own == nullptr ? std::nullopt : own->bundleID;
    }

    std::shared_ptr<Core> core_;
};

} // namespace

// ---- The machine ----

SimulatedMachine::SimulatedMachine(MachineState state, VirtualTime* time) : core_(std::make_shared<Core>()) {
    core_->state = std::move(state);
    core_->time = time;
    core_->self = core_;
    workspace_ = std::make_unique<SimWorkspace>(core_);
    session_ = std::make_unique<SimSession>(core_);
    activity_ = std::make_unique<SimActivity>(core_);
    accessibility_ = std::make_unique<SimAccessibility>(core_);
    logins_ = std::make_unique<SimLogins>(core_);
    wifi_ = std::make_unique<SimWiFi>(core_);
    location_ = std::make_unique<SimLocation>(core_);
    displays_ = std::make_unique<SimDisplays>(core_);
    power_ = std::make_unique<SimPower>(core_);
    audio_ = std::make_unique<SimAudio>(core_);
    commands_ = std::make_unique<SimCommands>(core_);
    scripting_ = std::make_unique<SimScripting>(core_);
    events_ = std::make_unique<SimEventStore>(core_);
    if (time != nullptr) {
        core_->eventStoreThread = &time->makeExecutor("sim.eventStore");
        core_->workspaceThread = &time->makeExecutor("sim.workspace");
    }
    keychain_ = std::make_unique<SimKeychain>(core_);
    appearance_ = std::make_unique<SimAppearance>(core_);
    loginItems_ = std::make_unique<SimLoginItems>(core_);
}

SimulatedMachine::~SimulatedMachine() = default;

Workspace& SimulatedMachine::workspace() { return *workspace_; }
SessionEvents& SimulatedMachine::session() { return *session_; }
UserActivity& SimulatedMachine::activity() { return *activity_; }
WindowAccessibility& SimulatedMachine::accessibility() { return *accessibility_; }
LoginRecords& SimulatedMachine::logins() { return *logins_; }
WiFi& SimulatedMachine::wifi() { return *wifi_; }
Location& SimulatedMachine::location() { return *location_; }
Displays& SimulatedMachine::displays() { return *displays_; }
PowerSources& SimulatedMachine::power() { return *power_; }
AudioSystem& SimulatedMachine::audio() { return *audio_; }
CommandRunner& SimulatedMachine::commands() { return *commands_; }
BrowserScripting& SimulatedMachine::scripting() { return *scripting_; }
EventStore& SimulatedMachine::events() { return *events_; }
Keychain& SimulatedMachine::keychain() { return *keychain_; }
Appearance& SimulatedMachine::appearance() { return *appearance_; }
LoginItems& SimulatedMachine::loginItems() { return *loginItems_; }
Platform SimulatedMachine::platform() {
    return {*workspace_, *session_, *activity_, *accessibility_, *logins_, *wifi_, *location_,
            *audio_,     *displays_, *power_,    *scripting_,     *events_, *keychain_,
            *appearance_};
}

MachineState SimulatedMachine::state() const {
    std::lock_guard guard(core_->lock);
    return core_->state;
}

void SimulatedMachine::inspect(const std::function<void(const MachineState&)>& reader) const {
    std::lock_guard guard(core_->lock);
    reader(core_->state);
}

void SimulatedMachine::setState(MachineState state) {
    std::lock_guard guard(core_->lock);
    core_->state = std::move(state);
}

void SimulatedMachine::installApp(MachineState::InstalledApp app) {
    std::lock_guard guard(core_->lock);
    std::erase_if(core_->state.installed, [&](const auto& installed) { return installed.appID == app.appID; });
    core_->state.installed.push_back(std::move(app));
}

int SimulatedMachine::launch(const std::string& appID) {
    std::lock_guard guard(core_->lock);
    return core_->launch(appID, false);
}

int SimulatedMachine::launchHidden(const std::string& appID) {
    std::lock_guard guard(core_->lock);
    return core_->launch(appID, true);
}

void SimulatedMachine::activate(int pid) {
    std::lock_guard guard(core_->lock);
    core_->activate(pid);
}

void SimulatedMachine::hide(int pid) {
    std::lock_guard guard(core_->lock);
    core_->hide(pid);
}

void SimulatedMachine::unhide(int pid) {
    std::lock_guard guard(core_->lock);
    core_->unhide(pid);
}

void SimulatedMachine::quit(int pid) {
    std::lock_guard guard(core_->lock);
    core_->quit(pid);
}

WindowElement SimulatedMachine::openWindow(int pid, MachineState::Window window) {
    std::lock_guard guard(core_->lock);
    MachineState::App& owner = core_->app(pid);
    window.id = core_->state.nextWindowID++;
    owner.windows.insert(owner.windows.begin(), window);
    owner.focusedWindow = window.id;
    const WindowElement element{pid, window.id};
    core_->notify(accessibility::windowCreated, element);
    core_->focusChanged(owner);
    return element;
}

void SimulatedMachine::closeWindow(WindowElement element) {
    std::lock_guard guard(core_->lock);
    core_->window(element);
    MachineState::App& owner = core_->app(element.pid);
    core_->notify(accessibility::elementDestroyed, element);
    core_->forgetRegistrations(element);
    std::erase_if(owner.windows, [&](const MachineState::Window& window) { return window.id == element.id; });
    if (owner.focusedWindow == element.id) {
        core_->refocus(owner);
    }
}

void SimulatedMachine::focusWindow(WindowElement element) {
    std::lock_guard guard(core_->lock);
    core_->focusWindow(element);
}

void SimulatedMachine::moveWindow(WindowElement element, double x, double y) {
    std::lock_guard guard(core_->lock);
    MachineState::Window& window = core_->window(element);
    Rect frame = window.frame.value_or(Rect{});
    frame.x = x;
    frame.y = y;
    window.frame = frame;
    core_->notify(accessibility::windowMoved, element);
}

void SimulatedMachine::resizeWindow(WindowElement element, double width, double height) {
    std::lock_guard guard(core_->lock);
    MachineState::Window& window = core_->window(element);
    Rect frame = window.frame.value_or(Rect{});
    frame.width = width;
    frame.height = height;
    window.frame = frame;
    core_->notify(accessibility::windowResized, element);
}

void SimulatedMachine::minimizeWindow(WindowElement element) {
    std::lock_guard guard(core_->lock);
    MachineState::Window& window = core_->window(element);
    if (window.minimized) {
        return;
    }
    window.minimized = true;
    core_->notify(accessibility::windowMiniaturized, element);
    MachineState::App& owner = core_->app(element.pid);
    if (owner.focusedWindow == element.id) {
        core_->refocus(owner);
    }
}

void SimulatedMachine::unminimizeWindow(WindowElement element) {
    std::lock_guard guard(core_->lock);
    MachineState::Window& window = core_->window(element);
    if (!window.minimized) {
        return;
    }
    window.minimized = false;
    core_->notify(accessibility::windowDeminiaturized, element);
    core_->focusWindow(element);
}

void SimulatedMachine::retitleWindow(WindowElement element, std::optional<std::string> title) {
    std::lock_guard guard(core_->lock);
    core_->window(element).title = std::move(title);
    core_->notify(accessibility::titleChanged, element);
}

void SimulatedMachine::changeDocument(WindowElement element, std::optional<std::string> document,
                                      std::optional<std::string> title) {
    std::lock_guard guard(core_->lock);
    MachineState::Window& window = core_->window(element);
    window.document = std::move(document);
    window.title = std::move(title);
    core_->notify(accessibility::titleChanged, element);
}

void SimulatedMachine::sleep(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) {
        throw std::invalid_argument("sleep(): seconds must be finite and not negative");
    }
    {
        std::lock_guard guard(core_->lock);
        if (core_->state.asleep) {
            throw OperationError("the machine is asleep already");
        }
        core_->emit(WorkspaceEvent::Kind::willSleep, nullptr);
        core_->state.asleep = true;
    }
    // Outside the lock: the virtual time delivers what was posted, and those callbacks read the
    // machine.
    if (core_->time != nullptr) {
        try {
            core_->time->sleep(seconds);
        } catch (...) {
            // Driven from inside a task, or a bad duration: the machine stays awake.
            std::lock_guard guard(core_->lock);
            core_->state.asleep = false;
            throw;
        }
    }
    std::lock_guard guard(core_->lock);
    if (core_->time == nullptr) {
        core_->state.uptime += seconds;
    }
    core_->state.asleep = false;
    core_->emit(WorkspaceEvent::Kind::didWake, nullptr);
}

void SimulatedMachine::lock() {
    std::lock_guard guard(core_->lock);
    if (!core_->state.locked) {
        core_->state.locked = true;
        core_->sessionEvents.emit({SessionEvent::Kind::locked});
    }
}

void SimulatedMachine::unlock() {
    std::lock_guard guard(core_->lock);
    if (core_->state.locked) {
        core_->state.locked = false;
        core_->sessionEvents.emit({SessionEvent::Kind::unlocked});
    }
}

void SimulatedMachine::setIdle(std::optional<double> seconds) {
    std::lock_guard guard(core_->lock);
    core_->state.idleSeconds = seconds;
}

void SimulatedMachine::setTrusted(bool trusted) {
    std::lock_guard guard(core_->lock);
    core_->state.trusted = trusted;
    core_->trustNotices.emit({});
}

void SimulatedMachine::setAvailability(const std::string& role, const Availability& availability) {
    std::lock_guard guard(core_->lock);
    if (availability.available) {
        core_->state.unavailable.erase(role);
    } else {
        core_->state.unavailable[role] = availability.reason;
    }
}

void SimulatedMachine::addLoginRecord(LoginRecord record) {
    std::lock_guard guard(core_->lock);
    core_->state.loginRecords.push_back(std::move(record));
}

void SimulatedMachine::setUserName(std::string name) {
    std::lock_guard guard(core_->lock);
    core_->state.userName = std::move(name);
}

void SimulatedMachine::setDefaultHandler(const std::string& scheme, const std::string& appID) {
    std::lock_guard guard(core_->lock);
    core_->state.defaultHandlers[scheme] = appID;
}

void SimulatedMachine::connectDisplay(MachineState::Display display) {
    std::lock_guard guard(core_->lock);
    std::erase_if(core_->state.displays, [&](const auto& connected) { return connected.id == display.id; });
    core_->state.displays.push_back(std::move(display));
    core_->screenNotices.emit({});
}

void SimulatedMachine::disconnectDisplay(const std::string& id) {
    std::lock_guard guard(core_->lock);
    if (std::erase_if(core_->state.displays, [&](const auto& connected) { return connected.id == id; }) == 0) {
        return;
    }
    if (core_->state.mainDisplay == id) {
        core_->state.mainDisplay.reset(); // the system picks another main screen: the first
    }
    core_->screenNotices.emit({});
}

void SimulatedMachine::addAudioDevice(MachineState::AudioDevice device) {
    std::lock_guard guard(core_->lock);
    std::erase_if(core_->state.audioDevices, [&](const auto& known) { return known.id == device.id; });
    core_->audioID(device.id);
    core_->state.audioDevices.push_back(std::move(device));
    core_->audioSystemNotices.emit(AudioSystemChange::devices);
}

void SimulatedMachine::removeAudioDevice(const std::string& id) {
    std::lock_guard guard(core_->lock);
    if (std::erase_if(core_->state.audioDevices, [&](const auto& known) { return known.id == id; }) == 0) {
        throw OperationError("no audio device \"" + id + "\"");
    }
    core_->audioIDs.erase(id);
    core_->audioSystemNotices.emit(AudioSystemChange::devices);
    // Unplugged headphones take the output with them; the system falls back to another device.
    if (core_->state.defaultOutput == id) {
        core_->state.defaultOutput = core_->state.audioDevices.empty()
                                         ? std::nullopt
                                         : std::optional<std::string>(core_->state.audioDevices.front().id);
        core_->audioSystemNotices.emit(AudioSystemChange::defaultOutput);
    }
}

void SimulatedMachine::setDefaultOutput(std::optional<std::string> id) {
    std::lock_guard guard(core_->lock);
    if (id && std::ranges::find(core_->state.audioDevices, *id, &MachineState::AudioDevice::id) ==
                  core_->state.audioDevices.end()) {
        throw OperationError("no audio device \"" + *id + "\"");
    }
    if (core_->state.defaultOutput != id) {
        core_->state.defaultOutput = std::move(id);
        core_->audioSystemNotices.emit(AudioSystemChange::defaultOutput);
    }
}

void SimulatedMachine::setVolume(double volume) {
    std::lock_guard guard(core_->lock);
    MachineState::AudioDevice* device = core_->defaultAudioDevice();
    if (device == nullptr || !device->volume) {
        return;
    }
    const double clamped = std::clamp(volume, 0.0, 1.0);
    if (*device->volume != clamped) {
        device->volume = clamped;
        core_->audioControlChanged(*device, AudioControl::volume);
    }
}

void SimulatedMachine::setMuted(bool muted) {
    std::lock_guard guard(core_->lock);
    MachineState::AudioDevice* device = core_->defaultAudioDevice();
    if (device == nullptr || !device->muted) {
        return;
    }
    if (*device->muted != muted) {
        device->muted = muted;
        core_->audioControlChanged(*device, AudioControl::mute);
    }
}

void SimulatedMachine::setDataSource(const std::string& deviceID, std::string source) {
    if (source.size() != 4) {
        throw std::invalid_argument("setDataSource(): a data source is four characters");
    }
    std::lock_guard guard(core_->lock);
    const auto found = std::ranges::find(core_->state.audioDevices, deviceID, &MachineState::AudioDevice::id);
    if (found == core_->state.audioDevices.end()) {
        throw OperationError("no audio device \"" + deviceID + "\"");
    }
    if (found->dataSource != source) {
        found->dataSource = std::move(source);
        core_->audioControlChanged(*found, AudioControl::dataSource);
    }
}

void SimulatedMachine::joinWiFi(std::string network) {
    std::lock_guard guard(core_->lock);
    core_->state.wifiNetwork = std::move(network);
    core_->wifiChanges.emit({});
}

void SimulatedMachine::leaveWiFi() {
    std::lock_guard guard(core_->lock);
    core_->state.wifiNetwork.reset();
    core_->wifiChanges.emit({});
}

void SimulatedMachine::moveTo(std::optional<MachineState::Location> location) {
    std::lock_guard guard(core_->lock);
    core_->state.location = location;
}

void SimulatedMachine::setLocationAuthorization(MachineState::LocationAuthorization authorization) {
    std::lock_guard guard(core_->lock);
    core_->state.locationAuthorization = authorization;
    core_->locationEvents.emit({LocationEvent::Kind::authorizationChanged, roleAuthorization(authorization), {}, {}});
}

void SimulatedMachine::queueLocationFixes(std::vector<LocationFix> fixes) {
    std::lock_guard guard(core_->lock);
    core_->locationAnswers.emplace_back(std::move(fixes));
}

void SimulatedMachine::failNextLocation(std::string error) {
    std::lock_guard guard(core_->lock);
    core_->locationAnswers.emplace_back(std::move(error));
}

void SimulatedMachine::setPower(MachineState::Power power) {
    std::lock_guard guard(core_->lock);
    core_->state.power = power;
    core_->powerNotices.emit({});
}

void SimulatedMachine::addCalendar(MachineState::Calendar calendar) {
    std::lock_guard guard(core_->lock);
    std::erase_if(core_->state.calendars, [&](const auto& known) { return known.id == calendar.id; });
    core_->state.calendars.push_back(std::move(calendar));
    core_->calendarNotices.emit({});
}

void SimulatedMachine::addCalendarEvent(MachineState::CalendarEvent event) {
    std::lock_guard guard(core_->lock);
    std::erase_if(core_->state.events, [&](const auto& known) { return known.id == event.id; });
    core_->state.events.push_back(std::move(event));
    core_->calendarNotices.emit({});
}

void SimulatedMachine::changeCalendarEvent(MachineState::CalendarEvent event) {
    std::lock_guard guard(core_->lock);
    const auto found = std::ranges::find(core_->state.events, event.id, &MachineState::CalendarEvent::id);
    if (found == core_->state.events.end()) {
        throw OperationError("no calendar event \"" + event.id + "\"");
    }
    *found = std::move(event);
    core_->calendarNotices.emit({});
}

void SimulatedMachine::removeCalendarEvent(const std::string& id) {
    std::lock_guard guard(core_->lock);
    if (std::erase_if(core_->state.events, [&](const auto& known) { return known.id == id; }) > 0) {
        core_->calendarNotices.emit({});
    }
}

void SimulatedMachine::notifyCalendarChanged() {
    core_->calendarNotices.emit({});
}

void SimulatedMachine::setCalendarAnswer(MachineState::Permission answer) {
    std::lock_guard guard(core_->lock);
    core_->state.calendarAnswer = answer;
}

int SimulatedMachine::calendarQuestions() const {
    std::lock_guard guard(core_->lock);
    return core_->calendarQuestions;
}

void SimulatedMachine::addLoginItem(const std::string& appID) {
    std::lock_guard guard(core_->lock);
    if (std::ranges::find(core_->state.loginItems, appID) == core_->state.loginItems.end()) {
        core_->state.loginItems.push_back(appID);
    }
}

void SimulatedMachine::removeLoginItem(const std::string& appID) {
    std::lock_guard guard(core_->lock);
    std::erase(core_->state.loginItems, appID);
}

void SimulatedMachine::setKeychainItem(MachineState::KeychainItem item) {
    std::lock_guard guard(core_->lock);
    std::erase_if(core_->state.keychain, [&](const auto& known) {
        return known.service == item.service && known.account == item.account;
    });
    core_->state.keychain.push_back(std::move(item));
}

void SimulatedMachine::setPermission(const std::string& name, MachineState::Permission permission) {
    std::lock_guard guard(core_->lock);
    const bool changed = core_->state.permissions.count(name) == 0 || core_->state.permissions[name] != permission;
    core_->state.permissions[name] = permission;
    // The calendar store reports a change of its access like a change of its events.
    if (name == "calendar" && changed) {
        core_->calendarNotices.emit({});
    }
}

void SimulatedMachine::showTab(const std::string& browserID, MachineState::BrowserTab tab) {
    std::lock_guard guard(core_->lock);
    const std::optional<std::string> title = tab.title;
    core_->state.frontTabs[browserID] = std::move(tab);
    // A browser's window is titled after its page: the focused window takes the new title.
    for (MachineState::App& app : core_->state.apps) {
        if (app.bundleID != browserID || !app.focusedWindow) {
            continue;
        }
        const WindowElement element{app.pid, *app.focusedWindow};
        MachineState::Window& window = core_->window(element);
        if (window.title != title) {
            window.title = title;
            core_->notify(accessibility::titleChanged, element);
        }
    }
}

void SimulatedMachine::closeTabs(const std::string& browserID) {
    std::lock_guard guard(core_->lock);
    core_->state.frontTabs.erase(browserID);
}

void SimulatedMachine::setAutomation(const std::string& browserID, MachineState::Automation automation) {
    std::lock_guard guard(core_->lock);
    core_->state.automation[browserID] = automation;
}

std::vector<SimulatedMachine::CommandRun> SimulatedMachine::commandsRun() const {
    std::lock_guard guard(core_->lock);
    return core_->commandsRun;
}

std::vector<std::string> SimulatedMachine::scriptsRun() const {
    std::lock_guard guard(core_->lock);
    return core_->scriptsRun;
}

int SimulatedMachine::automationQuestions() const {
    std::lock_guard guard(core_->lock);
    return core_->automationQuestions;
}

// ---- Displays and power ----

namespace {

MachineState::Display& connectedDisplay(MachineState& state, const std::string& id) {
    const auto found = std::ranges::find(state.displays, id, &MachineState::Display::id);
    if (found == state.displays.end()) {
        throw OperationError("no connected display " + id);
    }
    return *found;
}

} // namespace

void SimulatedMachine::arrangeDisplay(const std::string& id, double x, double y) {
    std::lock_guard guard(core_->lock);
    MachineState::Display& display = connectedDisplay(core_->state, id);
    display.frame.x = x;
    display.frame.y = y;
    core_->screenNotices.emit({});
}

void SimulatedMachine::setMainDisplay(const std::string& id) {
    std::lock_guard guard(core_->lock);
    connectedDisplay(core_->state, id);
    core_->state.mainDisplay = id;
    core_->screenNotices.emit({});
}

void SimulatedMachine::setDisplayKeptAwake(bool kept) {
    std::lock_guard guard(core_->lock);
    core_->state.displayKeptAwake = kept;
}

void SimulatedMachine::setReduceMotion(bool on) {
    std::lock_guard guard(core_->lock);
    if (core_->state.reduceMotion == on) {
        return;
    }
    core_->state.reduceMotion = on;
    core_->appearanceChanges.emit({});
}

void SimulatedMachine::failCalls(const std::string& name, int times) {
    std::lock_guard guard(core_->lock);
    if (times == 0) {
        core_->failures.erase(name);
    } else {
        core_->failures[name] = times < 0 ? always : times;
    }
}

void SimulatedMachine::stopFailing(const std::string& name) {
    std::lock_guard guard(core_->lock);
    core_->failures.erase(name);
}

int SimulatedMachine::calls(const std::string& name) const {
    std::lock_guard guard(core_->lock);
    const auto found = core_->counts.find(name);
    return found == core_->counts.end() ? 0 : found->second;
}

void SimulatedMachine::resetCalls() {
    std::lock_guard guard(core_->lock);
    core_->counts.clear();
}

} // namespace ostrel
