#include "platform/linux/UnavailablePlatform.hpp"

#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace ostrel {

namespace {

Availability unavailable() {
    return Availability::no(UnavailablePlatform::reason);
}

[[noreturn]] void refuse(const std::string& what) {
    throw OperationError("Couldn't " + what + ": " + UnavailablePlatform::reason);
}

class NoWorkspace final : public Workspace {
public:
    Availability availability() const override { return unavailable(); }
    std::vector<RunningApp> runningApps() const override { return {}; }
    std::optional<RunningApp> frontmost() const override { return std::nullopt; }
    int ownPid() const override { return static_cast<int>(::getpid()); }
    Subscription subscribe(Executor&, Callback) override { return {}; }
    void launch(const std::string&) override { refuse("open the app"); }
    void launchHidden(const std::string&) override { refuse("open the app"); }
    void activate(int) override { refuse("bring the app forward"); }
    void hide(int) override { refuse("hide the app"); }
    void unhide(int) override { refuse("show the app"); }
    void quit(int) override { refuse("quit the app"); }
    void openURL(const std::string&, const std::optional<std::string>&) override { refuse("open the page"); }
    std::optional<std::string> applicationPath(const std::string&) const override { return std::nullopt; }
    void launchApp(const std::string&, bool, OpenCompletion) override { refuse("open the app"); }
    std::optional<std::string> documentHandler(const std::string&) const override { return std::nullopt; }
    void openDocument(const std::string&, bool, OpenCompletion) override { refuse("open the document"); }
    void openPage(const std::string&, OpenCompletion) override { refuse("open the page"); }
    std::optional<AppInstance> instance(int) const override { return std::nullopt; }
    bool isRunning(const AppInstance&) const override { return false; }
    void hide(const AppInstance&) override { refuse("hide the app"); }
    void unhide(const AppInstance&) override { refuse("show the app"); }
    void requestQuit(const AppInstance&) override { refuse("quit the app"); }
    std::optional<std::string> defaultHandler(const std::string&) const override { return std::nullopt; }
    std::optional<std::string> appName(const std::string&) const override { return std::nullopt; }
};

class NoSessionEvents final : public SessionEvents {
public:
    Availability availability() const override { return unavailable(); }
    bool isLocked() const override { return false; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

class NoUserActivity final : public UserActivity {
public:
    Availability availability() const override { return unavailable(); }
    std::optional<double> idleSeconds() const override { return std::nullopt; }
    bool displayKeptAwake() const override { return false; }
    WakeLock keepAwake(const std::string&) override { return {}; }
};

class NoWindowAccessibility final : public WindowAccessibility {
public:
    Availability availability() const override { return unavailable(); }
    bool isTrusted() const override { return false; }
    Subscription subscribeTrust(Executor&, TrustCallback) override { return {}; }
    void setMessagingTimeout(double) override {}
    std::unique_ptr<AccessibilityObserver> observe(int, Executor&, AccessibilityObserver::Callback) override {
        return nullptr;
    }
    std::optional<std::vector<WindowElement>> windows(int) const override { return std::nullopt; }
    std::optional<WindowElement> focusedWindow(int) const override { return std::nullopt; }
    std::optional<std::string> subrole(WindowElement) const override { return std::nullopt; }
    std::optional<std::string> title(WindowElement) const override { return std::nullopt; }
    std::optional<std::string> document(WindowElement) const override { return std::nullopt; }
    std::optional<Rect> frame(WindowElement) const override { return std::nullopt; }
    std::optional<bool> minimized(WindowElement) const override { return std::nullopt; }
    bool setSize(WindowElement, double, double) override { return false; }
    bool setPosition(WindowElement, double, double) override { return false; }
};

// No records to pick a login from; the user's name and the uptime are still this machine's, since
// the start record carries the uptime.
class NoLoginRecords final : public LoginRecords {
public:
    Availability availability() const override { return unavailable(); }
    std::vector<LoginRecord> records() const override { return {}; }
    std::string userName() const override {
        passwd entry{};
        passwd* found = nullptr;
        char buffer[4096];
        if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr
            && found->pw_name != nullptr) {
            return found->pw_name;
        }
        return {};
    }
    double uptime() const override {
        timespec now{};
        ::clock_gettime(CLOCK_BOOTTIME, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }
};

class NoWiFi final : public WiFi {
public:
    Availability availability() const override { return unavailable(); }
    std::optional<std::string> ssid() const override { return std::nullopt; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

// Denied, so nothing waits for an answer that never comes; a request is answered with a failure,
// as the role promises.
class NoLocation final : public Location {
public:
    Availability availability() const override { return unavailable(); }
    LocationAuthorization authorization() const override { return LocationAuthorization::denied; }
    Subscription subscribe(Executor& executor, Callback callback) override {
        return subscribers_.add(executor, std::move(callback));
    }
    void requestLocation() override {
        LocationEvent event;
        event.kind = LocationEvent::Kind::failed;
        event.error = UnavailablePlatform::reason;
        subscribers_.emit(event);
    }

private:
    Subscribers<LocationEvent> subscribers_;
};

class NoAudioSystem final : public AudioSystem {
public:
    Availability availability() const override { return unavailable(); }
    std::optional<AudioDeviceID> defaultOutputDevice() const override { return std::nullopt; }
    std::vector<AudioDeviceID> devices() const override { return {}; }
    std::optional<bool> hasOutputStreams(AudioDeviceID) const override { return std::nullopt; }
    std::optional<std::string> deviceUID(AudioDeviceID) const override { return std::nullopt; }
    std::optional<std::string> deviceName(AudioDeviceID) const override { return std::nullopt; }
    std::optional<AudioTransport> transport(AudioDeviceID) const override { return std::nullopt; }
    bool hasControl(AudioDeviceID, AudioControl) const override { return false; }
    std::optional<std::uint32_t> dataSource(AudioDeviceID) const override { return std::nullopt; }
    std::optional<float> volume(AudioDeviceID) const override { return std::nullopt; }
    std::optional<bool> muted(AudioDeviceID) const override { return std::nullopt; }
    bool setMuted(AudioDeviceID, bool) override { return false; }
    Subscription subscribe(Executor&, SystemCallback) override { return {}; }
    Subscription subscribe(AudioDeviceID, AudioControl, Executor&, DeviceCallback) override { return {}; }
};

class NoDisplays final : public Displays {
public:
    Availability availability() const override { return unavailable(); }
    std::vector<Screen> screens() const override { return {}; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

class NoPowerSources final : public PowerSources {
public:
    Availability availability() const override { return unavailable(); }
    std::optional<PowerInfo> powerInfo() const override { return std::nullopt; }
    std::optional<Subscription> watchPower(Executor&, Callback) override { return std::nullopt; }
};

class NoBrowserScripting final : public BrowserScripting {
public:
    Availability availability() const override { return unavailable(); }
    int permission(const std::string&, bool) override { return notPermitted; }
    ScriptResult run(const std::string&) override {
        return ScriptResult::failure(notPermitted, UnavailablePlatform::reason);
    }
};

// Denied: there is no store to ask, and a request is answered at once.
class NoEventStore final : public EventStore {
public:
    Availability availability() const override { return unavailable(); }
    CalendarAccess access() const override { return CalendarAccess::denied; }
    void requestFullAccess(std::function<void(bool granted)> done) override {
        if (done) {
            done(false);
        }
    }
    void reset() override {}
    std::vector<EventRecord> events(Date, Date) override { return {}; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

class NoKeychain final : public Keychain {
public:
    Availability availability() const override { return unavailable(); }
    std::optional<std::string> read(const std::string&, const std::string&) override { return std::nullopt; }
    Status write(const std::string&, const std::string&, const std::string&) override { return Status::unavailable; }
    Status remove(const std::string&, const std::string&) override { return Status::unavailable; }
};

class NoAppearance final : public Appearance {
public:
    bool reduceMotion() const override { return false; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

} // namespace

struct UnavailablePlatform::Roles {
    NoWorkspace workspace;
    NoSessionEvents session;
    NoUserActivity activity;
    NoWindowAccessibility accessibility;
    NoLoginRecords logins;
    NoWiFi wifi;
    NoLocation location;
    NoAudioSystem audio;
    NoDisplays displays;
    NoPowerSources power;
    NoBrowserScripting scripting;
    NoEventStore events;
    NoKeychain keychain;
    NoAppearance appearance;
};

UnavailablePlatform::UnavailablePlatform() : roles_(std::make_unique<Roles>()) {}
UnavailablePlatform::~UnavailablePlatform() = default;

Workspace& UnavailablePlatform::workspace() { return roles_->workspace; }
SessionEvents& UnavailablePlatform::session() { return roles_->session; }
UserActivity& UnavailablePlatform::activity() { return roles_->activity; }
WindowAccessibility& UnavailablePlatform::accessibility() { return roles_->accessibility; }
LoginRecords& UnavailablePlatform::logins() { return roles_->logins; }
WiFi& UnavailablePlatform::wifi() { return roles_->wifi; }
Location& UnavailablePlatform::location() { return roles_->location; }
AudioSystem& UnavailablePlatform::audio() { return roles_->audio; }
Displays& UnavailablePlatform::displays() { return roles_->displays; }
PowerSources& UnavailablePlatform::power() { return roles_->power; }
BrowserScripting& UnavailablePlatform::scripting() { return roles_->scripting; }
EventStore& UnavailablePlatform::events() { return roles_->events; }
Keychain& UnavailablePlatform::keychain() { return roles_->keychain; }
Appearance& UnavailablePlatform::appearance() { return roles_->appearance; }

Platform UnavailablePlatform::platform() {
    Roles& roles = *roles_;
    return Platform{roles.workspace, roles.session, roles.activity, roles.accessibility, roles.logins,
                    roles.wifi,      roles.location, roles.audio,  roles.displays,      roles.power,
                    roles.scripting, roles.events,  roles.keychain, roles.appearance};
}

} // namespace ostrel
