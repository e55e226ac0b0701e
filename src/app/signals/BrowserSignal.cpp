#include "app/signals/BrowserSignal.hpp"

#include "app/signals/BrowserFamilies.hpp"
#include "core/browsing/SafariPrivacy.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"
#include "core/store/Store.hpp"

#include <algorithm>
#include <memory>
#include <string_view>

namespace ostrel {

namespace {

// Splits at line feeds into at most two parts, dropping empty ones: the first line that is not
// empty, then everything after it whole.
std::vector<std::string_view> splitOnce(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t index = 0; index < text.size() && parts.empty(); ++index) {
        if (text[index] == '\n') {
            if (index > start) {
                parts.push_back(text.substr(start, index - start));
            }
            start = index + 1;
        }
    }
    if (start < text.size()) {
        parts.push_back(text.substr(start));
    }
    return parts;
}

} // namespace

BrowserSignal::BrowserSignal(BrowserScripting& scripting, Workspace& workspace, WindowAccessibility& accessibility,
                             Store& store, ObservationWriter& writer, SiteExclusionList excluded,
                             const Clock& clock, Executor& main, Executor& worker)
    : scripting_(scripting), workspace_(workspace), accessibility_(accessibility), store_(store), writer_(writer),
      excluded_(std::move(excluded)), clock_(clock), main_(main), worker_(worker) {}

BrowserSignal::~BrowserSignal() {
    // Waits for a permission look-up running on the worker; none reports after this.
    guard_.invalidate();
}

void BrowserSignal::start() {
    activations_ = workspace_.subscribe(main_, guard_.wrap([this](const WorkspaceEvent& event) {
        if (event.kind == WorkspaceEvent::Kind::activated) {
            frontAppChanged(event.app ? event.app->bundleID : std::nullopt);
        }
    }));
    std::vector<std::string> running = runningBrowsers(workspace_);
    checked_.insert(running.begin(), running.end());
    refreshPermissions(std::move(running), [this] {
        const std::optional<RunningApp> front = workspace_.frontmost();
        frontAppChanged(front ? front->bundleID : std::nullopt);
    });
}

std::vector<std::string> BrowserSignal::runningBrowsers(const Workspace& workspace) {
    std::vector<std::string> ids;
    for (const RunningApp& app : workspace.runningApps()) {
        if (app.bundleID && BrowserFamilies::contains(*app.bundleID)) {
            ids.push_back(*app.bundleID);
        }
    }
    return ids;
}

// Looks up, without asking, which of appIDs may be scripted; on main, adds them to permitted_
// (never removes) and calls then.
void BrowserSignal::refreshPermissions(std::vector<std::string> appIDs, std::function<void()> then) {
    worker_.post(guard_.wrap([this, appIDs = std::move(appIDs), then = std::move(then)]() mutable {
        std::vector<std::string> granted;
        for (const std::string& appID : appIDs) {
            if (scripting_.permission(appID, false) == BrowserScripting::granted) {
                granted.push_back(appID);
            }
        }
        main_.post(guard_.wrap([this, granted = std::move(granted), then = std::move(then)] {
            permitted_.insert(granted.begin(), granted.end());
            then();
        }));
    }));
}

void BrowserSignal::frontAppChanged(const std::optional<std::string>& appID) {
    pollTimer_.cancel();
    if (!appID || !BrowserFamilies::contains(*appID)) {
        // No tab in front: the next tab read counts as new, even the one last written.
        filter_.changed(std::nullopt);
        return;
    }
    if (permitted_.contains(*appID) || checked_.contains(*appID)) {
        readFrontTab();
    } else {
        checked_.insert(*appID);
        refreshPermissions({*appID}, [this] { readFrontTab(); });
    }
    // With trust, the window source reports the browser's window changes; without, poll.
    if (!accessibility_.isTrusted()) {
        schedulePoll();
    }
}

void BrowserSignal::schedulePoll() {
    pollTimer_ = main_.postAfter(pollInterval, guard_.wrap([this] {
        readFrontTab();
        schedulePoll();
    }));
}

void BrowserSignal::readFrontTab() {
    const std::optional<RunningApp> front = workspace_.frontmost();
    if (!front || !front->bundleID || !permitted_.contains(*front->bundleID)) {
        return;
    }
    const std::string& appID = *front->bundleID;
    const std::optional<std::string> source = script(appID);
    if (!source) {
        return;
    }
    const ScriptResult result = scripting_.run(*source);
    if (result.failed()) {
        if (*result.error == BrowserScripting::notPermitted) {
            // The user withdrew the permission: it shows among the unfollowed browsers again.
            permitted_.erase(appID);
        }
        logger_.notice("Couldn't read the front tab of %s: %@", appID,
                       std::to_string(*result.error) + (result.message.empty() ? "" : " " + result.message));
        return;
    }

    std::optional<std::string> address;
    bool isPrivate = false;
    if (BrowserFamilies::safari().contains(appID)) {
        if (!result.text || result.text->empty()) {
            filter_.changed(std::nullopt);
            return;
        }
        // A private window is invisible to the script, which then names another window: only a
        // front window whose title matches the scripted name is readable.
        const std::vector<std::string_view> parts = splitOnce(*result.text);
        const std::optional<std::string> title = focusedWindowTitle(front->pid);
        if (parts.size() == 2 && SafariPrivacy::canRead(title, parts[0])) {
            address = std::string(parts[1]);
        } else {
            isPrivate = true;
        }
    } else {
        if (!result.text || result.text->empty()) {
            filter_.changed(std::nullopt);
            return;
        }
        if (*result.text == "private") {
            isPrivate = true;
        } else {
            address = *result.text;
        }
    }

    const Date now = clock_.now();
    if (isPrivate) {
        const std::optional<TabPayload> payload = TabPayload{std::nullopt, std::nullopt, true};
        if (filter_.changed(payload)) {
            writer_.record(Signal::browserTab, *payload, now);
        }
        return;
    }
    const std::optional<std::int64_t> at = truncatedMilliseconds(now);
    if (!at) {
        return;
    }
    record(TabPayload::make(*address, *at, lastTrigger(*at), excluded_));
}

void BrowserSignal::record(const std::optional<TabPayload>& payload) {
    if (filter_.changed(payload) && payload) {
        writer_.record(Signal::browserTab, *payload, clock_.now());
    }
}

std::optional<std::int64_t> BrowserSignal::lastTrigger(std::int64_t before) {
    try {
        const std::vector<Trigger> triggers = store_.triggers(before - TabPayload::addressWindow, before + 1);
        if (triggers.empty()) {
            return std::nullopt;
        }
        return triggers.back().ts;
    } catch (const std::exception&) {
        // As if there were no recent trigger: the tab keeps only its site.
        return std::nullopt;
    }
}

std::optional<std::string> BrowserSignal::scriptSource(const std::string& appID) {
    const std::string tell = "    tell application id \"" + appID + "\"\n";
    if (BrowserFamilies::safari().contains(appID)) {
        return "with timeout of 2 seconds\n" + tell +
               "        if (count of windows) is 0 then return \"\"\n"
               "        return (name of front window) & linefeed & (URL of current tab of front window)\n"
               "    end tell\n"
               "end timeout";
    }
    if (BrowserFamilies::chromium().contains(appID)) {
        return "with timeout of 2 seconds\n" + tell +
               "        if (count of windows) is 0 then return \"\"\n"
               "        if mode of front window is \"incognito\" then return \"private\"\n"
               "        return URL of active tab of front window\n"
               "    end tell\n"
               "end timeout";
    }
    // Only the two families' ids are ever put into a script text.
    return std::nullopt;
}

std::optional<std::string> BrowserSignal::script(const std::string& appID) {
    if (const auto found = scripts_.find(appID); found != scripts_.end()) {
        return found->second;
    }
    std::optional<std::string> source = scriptSource(appID);
    if (!source) {
        scripts_.erase(appID);
        return std::nullopt;
    }
    scripts_.emplace(appID, *source);
    return source;
}

std::optional<std::string> BrowserSignal::focusedWindowTitle(int pid) const {
    const std::optional<WindowElement> window = accessibility_.focusedWindow(pid);
    return window ? accessibility_.title(*window) : std::nullopt;
}

void BrowserSignal::requestAccess(const std::string& appID, std::function<void(bool)> done) {
    if (!BrowserFamilies::contains(appID)) {
        main_.post(guard_.wrap([done = std::move(done)] { done(false); }));
        return;
    }
    const std::vector<RunningApp> running = workspace_.runningApps();
    const bool isRunning = std::ranges::any_of(running, [&](const RunningApp& app) { return app.bundleID == appID; });
    if (!isRunning) {
        try {
            workspace_.launchHidden(appID);
        } catch (const OperationError& error) {
            // Not installed, or refused: the system is still asked, and its answer decides.
            logger_.notice("Couldn't start %s: %@", appID, error);
        }
    }
    checkLaunched(appID, 1, std::move(done));
}

// The check-th look for the running browser; after each miss the next comes launchCheckInterval
// later on a timer, and after the last the permission is asked for anyway.
void BrowserSignal::checkLaunched(const std::string& appID, int check, std::function<void(bool)> done) {
    const std::vector<RunningApp> running = workspace_.runningApps();
    if (std::ranges::any_of(running, [&](const RunningApp& app) { return app.bundleID == appID; })) {
        askPermission(appID, std::move(done));
        return;
    }
    // Detached: the guard ends a wait that outlives this object, and two requests never cancel
    // each other's waits.
    main_.postAfter(launchCheckInterval, guard_.wrap([this, appID, check, done = std::move(done)]() mutable {
             if (check >= launchChecks) {
                 askPermission(appID, std::move(done));
             } else {
                 checkLaunched(appID, check + 1, std::move(done));
             }
         })).detach();
}

void BrowserSignal::askPermission(const std::string& appID, std::function<void(bool)> done) {
    worker_.post(guard_.wrap([this, appID, done = std::move(done)]() mutable {
        const bool granted = scripting_.permission(appID, true) == BrowserScripting::granted;
        main_.post(guard_.wrap([this, appID, granted, done = std::move(done)] {
            if (granted) {
                permitted_.insert(appID);
            }
            done(granted);
        }));
    }));
}

std::vector<std::string> BrowserSignal::runningBrowserNames(bool permitted) const {
    std::vector<std::string> names;
    for (const RunningApp& app : workspace_.runningApps()) {
        if (app.bundleID && app.name && BrowserFamilies::contains(*app.bundleID) &&
            permitted_.contains(*app.bundleID) == permitted) {
            names.push_back(*app.name);
        }
    }
    std::ranges::sort(names);
    return names;
}

std::vector<std::string> BrowserSignal::followedBrowsers() const { return runningBrowserNames(true); }

std::vector<std::string> BrowserSignal::unfollowedBrowsers() const { return runningBrowserNames(false); }

std::optional<BrowserSignal::DefaultBrowser> BrowserSignal::defaultBrowser(const Workspace& workspace) {
    const std::optional<std::string> appID = workspace.defaultHandler("https");
    if (!appID || appID->empty()) {
        return std::nullopt;
    }
    std::optional<std::string> name = workspace.appName(*appID);
    if (!name) {
        return std::nullopt;
    }
    return DefaultBrowser{*appID, std::move(*name)};
}

} // namespace ostrel
