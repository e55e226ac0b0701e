#pragma once

#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/OperationError.hpp"
#include "platform/Subscription.hpp"

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

    // The id of the app that opens URLs of that scheme ("https", "mailto"); absent when none does.
    virtual std::optional<std::string> defaultHandler(const std::string& scheme) const = 0;
    // The name the desktop shows for the installed app of that id; absent when no such app is
    // installed or it has no name.
    virtual std::optional<std::string> appName(const std::string& appID) const = 0;
};

} // namespace ostrel
