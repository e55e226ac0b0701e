#pragma once

#include "platform/Appearance.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/BrowserScripting.hpp"
#include "platform/CommandRunner.hpp"
#include "platform/Displays.hpp"
#include "platform/EventStore.hpp"
#include "platform/Keychain.hpp"
#include "platform/Location.hpp"
#include "platform/LoginItems.hpp"
#include "platform/Platform.hpp"
#include "platform/PowerSources.hpp"
#include "platform/WiFi.hpp"
#include "platform/sim/MachineState.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <string>
#include <vector>

namespace ostrel {

class VirtualTime;

// One simulated computer for the tests, the semester generator and `ostrel-dev simulate`. It owns
// a MachineState and serves every platform role from it; its driver operations (launch, activate,
// openWindow, sleep, lock...) change the state the way a user and a real desktop would and send
// the notices a real system sends, in its order. Notices are posted to the subscribers' executors:
// with virtual time they arrive when the test settles it.
//
// Two doors, on purpose: the roles (workspace(), accessibility()...) are what the services call,
// and only their calls are counted and can be made to fail; the driver operations on this object
// are the test's own hand and are never counted.
//
// Threading: every member may be called from any thread; one lock guards the state, and no
// callback ever runs under it. sleep() drives the virtual time when there is one, so it must be
// called from the thread that drives time and not from inside a task.
class SimulatedMachine {
public:
    // time, when given, moves through sleep() and supplies the uptime; it must outlive this.
    explicit SimulatedMachine(MachineState state = MachineState::withOwnApp(), VirtualTime* time = nullptr);
    ~SimulatedMachine();

    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    Workspace& workspace();
    SessionEvents& session();
    UserActivity& activity();
    WindowAccessibility& accessibility();
    LoginRecords& logins();
    WiFi& wifi();
    Location& location();
    Displays& displays();
    PowerSources& power();
    AudioSystem& audio();
    BrowserScripting& scripting();
    EventStore& events();
    Keychain& keychain();
    Appearance& appearance();
    // The shortcuts tool (not part of Platform: only the setup runner and the editor use it).
    CommandRunner& commands();
    // What starts at login (MachineState::loginItems), for the app of ownPid (its bundleID):
    // enabled when listed, notFound when that app or its id is missing. Not part of Platform.
    LoginItems& loginItems();
    Platform platform();

    // A copy of the whole state now.
    MachineState state() const;
    // What reader makes of the state now, read in place under the machine's lock: no copy of
    // the whole state (its calendar alone may hold a semester), for a driver that looks often.
    // reader must not call the machine.
    template <class Reader>
    auto read(Reader&& reader) const {
        using Result = std::invoke_result_t<Reader&, const MachineState&>;
        if constexpr (std::is_void_v<Result>) {
            inspect([&](const MachineState& state) { reader(state); });
        } else {
            std::optional<Result> result;
            inspect([&](const MachineState& state) { result.emplace(reader(state)); });
            return std::move(*result);
        }
    }
    // Replaces the state without any notice (a fresh scene); observers stay.
    void setState(MachineState state);

    // ---- Apps (the workspace's notices) ----
    // Every operation below throws OperationError for a pid, app or window that is not there.

    void installApp(MachineState::InstalledApp app);
    // Starts an installed app: "launched", then "AXWindowCreated" for each of its windows, then
    // it comes to the front as activate() does. An app already running is only activated.
    // Returns the pid.
    int launch(const std::string& appID);
    // Starts it hidden and behind: "launched" and the window notices only.
    int launchHidden(const std::string& appID);
    // Unhides the app when hidden ("unhidden"), makes it front ("activated"), then
    // "AXFocusedWindowChanged" for its focused window. Nothing when it is already front.
    void activate(int pid);
    // "hidden"; when it was front, the front passes to the latest launched visible regular app
    // other than this process ("activated"), or to none.
    void hide(int pid);
    void unhide(int pid);
    // "AXUIElementDestroyed" for each window, then "terminated", then the front passes on as for
    // hide(). This process cannot be quit.
    void quit(int pid);

    // ---- Windows (accessibility notices to the app's observers) ----

    // Opens a window in front of the app's others and focuses it: "AXWindowCreated", then
    // "AXFocusedWindowChanged". The window's id is assigned here and returned.
    WindowElement openWindow(int pid, MachineState::Window window);
    // "AXUIElementDestroyed"; when it had the focus, the next window gets it
    // ("AXFocusedWindowChanged").
    void closeWindow(WindowElement window);
    // Brings it in front of the app's other windows: "AXFocusedWindowChanged" unless it had the
    // focus already. The app is not activated.
    void focusWindow(WindowElement window);
    void moveWindow(WindowElement window, double x, double y);          // "AXWindowMoved"
    void resizeWindow(WindowElement window, double width, double height); // "AXWindowResized"
    // "AXWindowMiniaturized"; the focus passes to the app's next window that is not minimised.
    void minimizeWindow(WindowElement window);
    // "AXWindowDeminiaturized", then it takes the focus as focusWindow() does.
    void unminimizeWindow(WindowElement window);
    // "AXTitleChanged" once, for a new title, or a new document with its title.
    void retitleWindow(WindowElement window, std::optional<std::string> title);
    void changeDocument(WindowElement window, std::optional<std::string> document, std::optional<std::string> title);

    // ---- Session ----

    // "willSleep", asleep for seconds (the virtual time sleeps, delivering what was posted
    // before), then "didWake". Without virtual time only the uptime moves.
    void sleep(double seconds);
    void lock();   // "locked", unless locked already
    void unlock(); // "unlocked", unless unlocked already
    void setIdle(std::optional<double> seconds);
    // Sets the permission and sends the trust notice (always: the real notice only says that
    // something may have changed). Without trust every accessibility read fails, no observer can
    // be made and observers receive nothing.
    void setTrusted(bool trusted);
    // role: "workspace", "session", "activity", "accessibility", "logins", "wifi", "location",
    // "displays", "power", "audio", "browserScripting", "eventStore", "keychain", "commands" or "loginItems"
    // (while it is not available, its status is notFound and its operations throw, uncounted).
    void setAvailability(const std::string& role, const Availability& availability);
    void addLoginRecord(LoginRecord record);
    void setUserName(std::string name);

    // ---- Data for later sources (no notices yet) ----

    void setDefaultHandler(const std::string& scheme, const std::string& appID);
    void connectDisplay(MachineState::Display display);
    void disconnectDisplay(const std::string& id);

    // ---- Audio (the audio role's notices) ----

    // Plugs in a device, or replaces the one of that id: the device-list notice.
    void addAudioDevice(MachineState::AudioDevice device);
    // The device-list notice; when it was the default output, the output falls back to the first
    // device left, or to none, with the default-output notice.
    void removeAudioDevice(const std::string& id);
    // The default-output notice, unless it is the default already.
    void setDefaultOutput(std::optional<std::string> id);
    // The default output's volume, clamped to 0...1, and mute: the control's notice on a change.
    // Nothing without a default output or when it lacks the control.
    void setVolume(double volume);
    void setMuted(bool muted);
    // Selects a device's data source (four characters, "hdpn"): the control's notice on a change.
    void setDataSource(const std::string& deviceID, std::string source);


    // ---- Place (the Wi-Fi and location notices) ----

    // Joins network and sends the Wi-Fi change notice, also when it was joined already (the
    // system reports an association again).
    void joinWiFi(std::string network);
    void leaveWiFi(); // the Wi-Fi change notice, always
    // Where the machine is; later location requests are answered with it. No notice.
    void moveTo(std::optional<MachineState::Location> location);
    // Sets the status and sends the authorisation change notice, always.
    void setLocationAuthorization(MachineState::LocationAuthorization authorization);
    // The next location request is answered with these readings in one event (oldest first),
    // instead of the current location at the current time. Each call queues one answer.
    void queueLocationFixes(std::vector<LocationFix> fixes);
    // The next location request is answered with a failure carrying error.
    void failNextLocation(std::string error = "no location reading (simulated)");
    // Without a queued answer, a request is answered with the machine's location dated now, or
    // with a failure when there is none or the status is neither "always" nor "when in use".
    void setPower(MachineState::Power power);
    void addLoginItem(const std::string& appID);
    void removeLoginItem(const std::string& appID);
    void setKeychainItem(MachineState::KeychainItem item); // replaces the one of that service and account
    void setPermission(const std::string& name, MachineState::Permission permission);

    // ---- Calendars (the event store's change notice) ----

    // Adds a calendar, or replaces the one of that id.
    void addCalendar(MachineState::Calendar calendar);
    // Adds an event, or replaces the one of that id.
    void addCalendarEvent(MachineState::CalendarEvent event);
    // Replaces the event of that id; throws OperationError when there is none.
    void changeCalendarEvent(MachineState::CalendarEvent event);
    // The notice only when there was such an event.
    void removeCalendarEvent(const std::string& id);
    // A change notice with nothing changed (the store reports one after a sync of its own).
    void notifyCalendarChanged();
    // setPermission("calendar", ...) sends the notice when the permission changes. The answer is
    // what the user gives when asked; asking happens only while undecided. Access answers arrive
    // on an executor of the virtual time, or at once without one.
    void setCalendarAnswer(MachineState::Permission answer);
    // How often the user was asked for calendar access.
    int calendarQuestions() const;

    // ---- Browsers (no notices of their own) ----

    // Shows tab in the browser's front window. When the browser runs and has a focused window,
    // that window takes the tab's title ("AXTitleChanged" when it differs), as a browser names its
    // window after the page.
    void showTab(const std::string& browserID, MachineState::BrowserTab tab);
    // The browser has no window its script can see.
    void closeTabs(const std::string& browserID);
    // The scripting permission, the user's answer when asked and an injected script error.
    void setAutomation(const std::string& browserID, MachineState::Automation automation);
    // Every script text run, in order, failed ones included.
    std::vector<std::string> scriptsRun() const;

    // ---- The shortcuts tool (no notices) ----

    // One call of the command role, refused ones included (not those made while it is not
    // available).
    struct CommandRun {
        std::vector<std::string> arguments;
        double timeLimit = 0;
        bool waited = false; // run() rather than start()

        friend bool operator==(const CommandRun&, const CommandRun&) = default;
    };
    // The simulated tool lists the state's shortcuts, one a line ("list"), and runs a listed one
    // ("run NAME", exit status 0; an unknown name exits 1). Anything else exits 64.
    std::vector<CommandRun> commandsRun() const;
    // How often the user was asked for scripting permission.
    int automationQuestions() const;

    // ---- Displays and power (their roles' notices) ----
    // connectDisplay() (a display of that id is replaced and goes last), disconnectDisplay() (when
    // it was connected) and the operations below send the screens notice; setPower() sends the
    // power notice, always. Display frames have their origin at the bottom-left, y upward.

    // Moves a connected display's frame origin (the user rearranged the screens).
    void arrangeDisplay(const std::string& id, double x, double y);
    // Makes that connected display the main one.
    void setMainDisplay(const std::string& id);
    // Another process keeps (or stops keeping) the display awake; no notice.
    void setDisplayKeptAwake(bool kept);

    // ---- Appearance (its role's notice) ----

    // The user's reduce-motion setting: the appearance notice when it changes.
    void setReduceMotion(bool on);

    // ---- Faults and call counts ----
    // A call name is the role member's name: "runningApps", "frontmost", "launch", "launchHidden",
    // "activate", "hide", "unhide", "quit", "openURL", "defaultHandler", "appName", "isLocked",
    // "idleSeconds", "keepAwake", "isTrusted", "setMessagingTimeout", "observe", "add" (an
    // observer's), "windows", "focusedWindow", "subrole", "title", "document", "frame",
    // "minimized", "setSize", "setPosition", "records", "userName", "uptime", "ssid", "subscribeWiFi" (the Wi-Fi
    // subscription, which may be refused), "authorization", "requestLocation", "displayKeptAwake",
    // "screens", "powerInfo", "watchPower", and the audio role's "defaultOutputDevice", "devices",
    // "hasOutputStreams", "deviceUID", "deviceName", "transport", "hasControl", "dataSource",
    // "volume", "muted", "setMuted", the command role's "commandRun" and "commandStart", the
    // scripting role's "automationPermission" and "runScript", and the
    // event store's "calendarAccess", "requestFullAccess", "reset" and "events", and the
    // keychain's "keychainRead", "keychainWrite" and "keychainRemove", and the login items'
    // "loginItemStatus", "registerLoginItem" and "unregisterLoginItem".
    // availability(), ownPid() and the other subscriptions are
    // neither counted nor failed.
    //
    // A failed call does what the real one does when the system refuses: an optional read gives
    // nothing, a list read an empty list, isTrusted/isLocked/add/setSize/setPosition false, observe nullptr,
    // keepAwake an empty WakeLock, userName an empty text, uptime 0, authorization notDetermined,
    // requestLocation a failure event, displayKeptAwake false, automationPermission -1743 (refused
    // without asking), runScript a time-out error, calendarAccess notDetermined, requestFullAccess
    // a refusal without asking, events an empty list, setMuted false, commandRun nothing (a tool
    // that cannot start), commandStart no run, a keychain read nothing and a keychain write
    // or remove Status::failed with the stored secrets unchanged, loginItemStatus notRegistered,
    // powerInfo and watchPower nothing (the power notices can then never be had), an operation
    // (subscribeWiFi and the login items' included) throws OperationError. The call is still counted.

    static constexpr int always = -1;
    // The next `times` calls of that name fail (always: until stopFailing()).
    void failCalls(const std::string& name, int times = always);
    void stopFailing(const std::string& name);
    int calls(const std::string& name) const;
    void resetCalls();

    struct Core; // shared with the role objects and observers, which may outlive the machine

private:
    void inspect(const std::function<void(const MachineState&)>& reader) const;
    std::shared_ptr<Core> core_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<SessionEvents> session_;
    std::unique_ptr<UserActivity> activity_;
    std::unique_ptr<WindowAccessibility> accessibility_;
    std::unique_ptr<LoginRecords> logins_;
    std::unique_ptr<WiFi> wifi_;
    std::unique_ptr<Location> location_;
    std::unique_ptr<Displays> displays_;
    std::unique_ptr<PowerSources> power_;
    std::unique_ptr<AudioSystem> audio_;
    std::unique_ptr<BrowserScripting> scripting_;
    std::unique_ptr<EventStore> events_;
    std::unique_ptr<Keychain> keychain_;
    std::unique_ptr<Appearance> appearance_;
    std::unique_ptr<CommandRunner> commands_;
    std::unique_ptr<LoginItems> loginItems_;
};

} // namespace ostrel
