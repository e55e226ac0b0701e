#pragma once

#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/OperationError.hpp"
#include "platform/Subscription.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// One running application as the workspace lists it. Every field is read at the moment the
// workspace was asked; nothing is refreshed later.
struct RunningApp {
    int pid = 0;
    std::optional<std::string> bundleID; // absent for a bare executable
    std::optional<std::string> name;
    std::optional<std::string> path; // the application's bundle or executable on disk
    bool regular = true;             // an ordinary app with a dock/taskbar presence, not an agent
    bool hidden = false;

    friend bool operator==(const RunningApp&, const RunningApp&) = default;
};

// One start of an application: its pid, its id and the serial the workspace gave that start. A pid
// may be handed to another process once the app quits; the serial tells the two apart, so an
// operation on an instance never reaches a process that only reuses its pid.
struct AppInstance {
    int pid = 0;
    std::string appID;
    std::uint64_t serial = 0;

    friend bool operator==(const AppInstance&, const AppInstance&) = default;
};

// How an asynchronous open ended: the app that runs it, or the error. started says that this open
// started the app (it was not running when the open reached it).
struct OpenOutcome {
    std::optional<AppInstance> app;
    bool started = false;
    std::optional<std::string> error;

    friend bool operator==(const OpenOutcome&, const OpenOutcome&) = default;
};

struct WorkspaceEvent {
    enum class Kind { launched, activated, hidden, unhidden, terminated, didWake, willSleep };

    Kind kind = Kind::launched;
    // The application concerned, as it was when the event happened; absent for didWake and
    // willSleep. Events of every app are delivered, agents and this process included: the
    // receiver filters.
    std::optional<RunningApp> app;

    friend bool operator==(const WorkspaceEvent&, const WorkspaceEvent&) = default;
};

// The desktop's list of running applications, their launches, activations, hiding and quitting,
// and the machine's sleep and wake.
//
// Threading: every member may be called from any thread. Events reach each subscriber on the
// executor it subscribed with, in the order they happened. Reads never throw; operations throw
// OperationError when the system refuses them (an unknown app, a process that is gone).
class Workspace {
public:
    using Callback = std::function<void(const WorkspaceEvent&)>;
    // Called once, on any thread, when an asynchronous open has finished or failed.
    using OpenCompletion = std::function<void(const OpenOutcome&)>;

    virtual ~Workspace() = default;

    virtual Availability availability() const = 0;

    // The running applications in the workspace's own order (launch order), this process included.
    virtual std::vector<RunningApp> runningApps() const = 0;
    // The application that has the keyboard focus, of any kind; absent when none has it.
    virtual std::optional<RunningApp> frontmost() const = 0;
    // This process's pid, so callers can skip themselves among runningApps().
    virtual int ownPid() const = 0;

    virtual Subscription subscribe(Executor& executor, Callback callback) = 0;

    // Starts the app of that id (bundle id or desktop id) and brings it to the front; brings it
    // to the front when it already runs.
    virtual void launch(const std::string& appID) = 0;
    // Starts the app without bringing it forward, hidden; nothing when it already runs.
    virtual void launchHidden(const std::string& appID) = 0;
    virtual void activate(int pid) = 0;
    virtual void hide(int pid) = 0;
    virtual void unhide(int pid) = 0;
    // Asks the app to quit; it may take a moment to go (watch for the terminated event).
    virtual void quit(int pid) = 0;
    // Opens a page or document with the given app, or with the scheme's default handler.
    virtual void openURL(const std::string& url, const std::optional<std::string>& appID = std::nullopt) = 0;

    // ---- Opening with a completion ----
    // Each throws OperationError at once when the system refuses the request (nothing opens
    // then and the completion is never called); later failures reach the completion.

    // The installed application's file (its desktop entry or bundle); absent when no app of that
    // id is installed.
    virtual std::optional<std::string> applicationPath(const std::string& appID) const = 0;
    // Starts the app, in front when activate is set, else behind the current front app (not
    // hidden). An app that already runs is only brought forward when activate is set.
    virtual void launchApp(const std::string& appID, bool activate, OpenCompletion completion) = 0;
    // The id of the app that opens the document at path; absent when there is no such file or
    // no app opens its type.
    virtual std::optional<std::string> documentHandler(const std::string& path) const = 0;
    // Opens the document with its handler, starting the handler when needed.
    virtual void openDocument(const std::string& path, bool activate, OpenCompletion completion) = 0;
    // Opens a web page with the default handler of its scheme, never bringing it forward.
    virtual void openPage(const std::string& url, OpenCompletion completion) = 0;

    // ---- Instances ----

    // The app instance running under pid now; absent when none runs there.
    virtual std::optional<AppInstance> instance(int pid) const = 0;
    // False once that instance has gone, even when its pid now belongs to another process.
    virtual bool isRunning(const AppInstance& app) const = 0;
    // These throw OperationError when the instance has gone.
    virtual void hide(const AppInstance& app) = 0;
    virtual void unhide(const AppInstance& app) = 0;
    // Asks the app to quit, as the user's Quit would: it may ask to save, take a while, or refuse.
    // Never forces it.
    virtual void requestQuit(const AppInstance& app) = 0;

    // The id of the app that opens URLs of that scheme ("https", "mailto"); absent when none does.
    virtual std::optional<std::string> defaultHandler(const std::string& scheme) const = 0;
    // The name the desktop shows for the installed app of that id; absent when no such app is
    // installed or it has no name.
    virtual std::optional<std::string> appName(const std::string& appID) const = 0;
};

} // namespace ostrel
