#pragma once

#include "core/browsing/SiteExclusionList.hpp"
#include "core/browsing/TabPayload.hpp"
#include "core/foundation/Logger.hpp"
#include "core/observations/ChangeFilter.hpp"
#include "platform/BrowserScripting.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ostrel {

class ObservationWriter;
class Store;

// Records the web page in front ("browser.tab"): while a browser of the two scriptable families
// is the front app, it asks that browser by script for its front tab and records the site, the
// address only shortly after a trigger, and nothing but {"excluded":true} for a private window or
// an excluded site. An unchanged tab is written once.
//
// It also keeps which browsers the user lets this application script: looked up without asking at
// start and when a browser first comes to the front, asked for only by requestAccess(), never
// stored. Without accessibility trust no window notices arrive, so a 10 s poll re-reads the tab
// while a browser is in front.
//
// Threads: construct, start, call and destroy on the main executor; permission look-ups run on
// the worker (they may block) and hand their answers back to main. A script runs on main, bounded
// by its own 2 s time-out.
class BrowserSignal {
public:
    static constexpr double pollInterval = 10.0;
    // requestAccess() waits for a launched browser with this many checks, this far apart.
    static constexpr int launchChecks = 40;
    static constexpr double launchCheckInterval = 0.25;

    // Every reference must outlive this object.
    BrowserSignal(BrowserScripting& scripting, Workspace& workspace, WindowAccessibility& accessibility,
                  Store& store, ObservationWriter& writer, SiteExclusionList excluded, const Clock& clock,
                  Executor& main, Executor& worker);
    ~BrowserSignal();

    BrowserSignal(const BrowserSignal&) = delete;
    BrowserSignal& operator=(const BrowserSignal&) = delete;

    // Follows app activations and looks up, without asking, the permissions of the running
    // browsers; then handles the front app as if it had just come forward. Once.
    void start();

    // Reads the front tab now and records it when it changed.
    void readFrontTab();

    // Asks the user to let this application script the browser appID, starting it hidden first
    // when it is not running (then waiting for it up to launchChecks × launchCheckInterval).
    // done gets the answer on the main executor. An id of neither family is answered false
    // without asking anyone.
    void requestAccess(const std::string& appID, std::function<void(bool)> done);

    // The names of the running browsers this application may script, and of those it may not,
    // sorted; apps without a name are left out.
    std::vector<std::string> followedBrowsers() const;
    std::vector<std::string> unfollowedBrowsers() const;
    // Whether this application may script the browser appID, as last looked up or answered.
    bool permits(const std::string& appID) const { return permitted_.contains(appID); }

    struct DefaultBrowser {
        std::string appID;
        std::string name;

        friend bool operator==(const DefaultBrowser&, const DefaultBrowser&) = default;
    };
    // The app that opens web pages, with the name the desktop shows; nothing when no app opens
    // them or it has no name.
    static std::optional<DefaultBrowser> defaultBrowser(const Workspace& workspace);

    // The script that reads the front tab of browser appID (its family's template); nothing for an
    // id of neither family.
    static std::optional<std::string> scriptSource(const std::string& appID);

    // The running browsers' ids, in the workspace's order.
    static std::vector<std::string> runningBrowsers(const Workspace& workspace);

private:
    void frontAppChanged(const std::optional<std::string>& appID);
    void refreshPermissions(std::vector<std::string> appIDs, std::function<void()> then);
    void checkLaunched(const std::string& appID, int check, std::function<void(bool)> done);
    void askPermission(const std::string& appID, std::function<void(bool)> done);
    void schedulePoll();
    std::optional<std::string> script(const std::string& appID);
    void record(const std::optional<TabPayload>& payload);
    std::optional<std::int64_t> lastTrigger(std::int64_t before);
    std::optional<std::string> focusedWindowTitle(int pid) const;
    std::vector<std::string> runningBrowserNames(bool permitted) const;

    BrowserScripting& scripting_;
    Workspace& workspace_;
    WindowAccessibility& accessibility_;
    Store& store_;
    ObservationWriter& writer_;
    const SiteExclusionList excluded_;
    const Clock& clock_;
    Executor& main_;
    Executor& worker_;
    std::map<std::string, std::string> scripts_;
    std::set<std::string> permitted_;
    std::set<std::string> checked_;
    ChangeFilter<std::optional<TabPayload>> filter_;
    TaskHandle pollTimer_;
    Logger logger_{"browser"};
    Subscription activations_;
    LifetimeGuard guard_; // last: callbacks posted to main or the worker do nothing once this is gone
};

} // namespace ostrel
