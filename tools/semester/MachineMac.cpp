#include "semester/MachineMac.hpp"

#include "core/foundation/Date.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "semester/SimulatedMac.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace ostrel::semester {

namespace {

constexpr std::int64_t idleStep = 60'000; // how often the idle time is brought up to date

struct PlaceInfo {
    std::optional<std::string> network;
    MachineState::Location location;
};

PlaceInfo placeInfo(Place place) {
    switch (place) {
    case Place::home:
        return {"Home-5G", {52.5421, 13.4124, 30}};
    case Place::campus:
        return {"eduroam", {52.4566, 13.2953, 25}};
    case Place::library:
        return {"Library", {52.4603, 13.3021, 20}};
    case Place::elsewhere:
        break;
    }
    return {std::nullopt, {52.5200, 13.4050, 65}};
}

MachineState::Display builtInDisplay() {
    MachineState::Display display;
    display.id = "eDP-1";
    display.name = "Built-in Retina Display";
    display.frame = {0, 0, 1512, 982};
    display.scale = 2;
    display.builtIn = true;
    display.number = 1;
    display.uuid = "37D8832A-2D66-02CA-B9F7-8F30A301B230";
    return display;
}

MachineState::Display dellDisplay() {
    MachineState::Display display;
    display.id = MachineMac::externalDisplayID;
    display.name = "DELL U2720Q";
    display.frame = {1512, -458, 2560, 1440};
    display.number = 2;
    display.uuid = MachineMac::externalDisplayUUID;
    return display;
}

MachineState::AudioDevice device(std::string id, std::string name, AudioTransport transport, bool output,
                                 std::optional<std::string> source, std::optional<double> volume) {
    MachineState::AudioDevice device;
    device.id = std::move(id);
    device.name = std::move(name);
    device.transport = transport;
    device.output = output;
    device.dataSource = std::move(source);
    device.volume = volume;
    device.muted = volume ? std::optional<bool>(false) : std::nullopt;
    return device;
}

const std::string displayAudioID = "AppleUSBAudioEngine:Dell:DELL U2720Q:1";
const std::string finder = "com.apple.finder";

std::string extension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string fileName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A browser names its window after the page; the address without its scheme stands in for it.
std::string pageTitle(const std::string& url) {
    const auto scheme = url.find("://");
    return scheme == std::string::npos ? url : url.substr(scheme + 3);
}

MachineState::CalendarEvent calendarEvent(const CalendarEvent& event) {
    MachineState::CalendarEvent entry;
    entry.id = event.key + "/" + std::to_string(event.occurrence);
    entry.calendarID = MachineMac::calendarID;
    entry.title = event.title;
    entry.start = static_cast<Date>(event.start) / 1000.0;
    entry.end = static_cast<Date>(event.end) / 1000.0;
    entry.location = event.location;
    if (!event.links.empty()) {
        entry.url = event.links.front();
    }
    entry.externalID = event.key;
    entry.occurrence = static_cast<Date>(event.occurrence) / 1000.0;
    entry.recurring = event.recurring;
    return entry;
}

bool visible(const MachineState::App& app) {
    return std::any_of(app.windows.begin(), app.windows.end(),
                       [](const MachineState::Window& window) { return !window.minimized; });
}

} // namespace

MachineMac::MachineMac(SimulatedMachine& machine, VirtualTime& time, const std::vector<CalendarEvent>& calendar,
                       const std::vector<Course>& courses, std::uint64_t seed)
    : machine_(machine), time_(time), random_(Random::mix(seed, 0x3ad)) {
    for (const AppInfo& info : SimulatedMac::apps()) {
        MachineState::InstalledApp app;
        app.appID = info.bundleID;
        app.name = info.name;
        app.path = info.path;
        machine_.installApp(std::move(app));
    }
    machine_.setDefaultHandler("https", SimulatedMac::browser());
    machine_.setDefaultHandler("http", SimulatedMac::browser());
    // Document types and files have no driver operation: they are how the machine was set up.
    MachineState state = machine_.state();
    for (const Course& course : courses) {
        std::vector<std::string> documents = course.documents;
        documents.push_back(course.document);
        for (const std::string& document : documents) {
            if (const std::string ext = extension(document); !ext.empty()) {
                state.documentHandlers[ext] = SimulatedMac::appFor(document);
            }
            if (std::find(state.documents.begin(), state.documents.end(), document) == state.documents.end()) {
                state.documents.push_back(document);
            }
        }
    }
    machine_.setState(std::move(state));

    machine_.setPermission("calendar", MachineState::Permission::granted);
    machine_.addCalendar({calendarID, "Timetable"});
    for (const CalendarEvent& event : calendar) {
        machine_.addCalendarEvent(calendarEvent(event));
    }
    machine_.setLocationAuthorization(MachineState::LocationAuthorization::always);
    machine_.setTrusted(true);
    MachineState::Automation automation;
    automation.permission = MachineState::Permission::granted;
    machine_.setAutomation(SimulatedMac::browser(), automation);

    machine_.connectDisplay(builtInDisplay());
    machine_.addAudioDevice(device(speakersID, "MacBook Pro Speakers", AudioTransport::builtIn, true, "ispk", 0.5));
    machine_.addAudioDevice(device("BuiltInMicrophoneDevice", "MacBook Pro Microphone", AudioTransport::builtIn,
                                   false, std::nullopt, std::nullopt));
    machine_.setDefaultOutput(std::string(speakersID));
    lastInput_ = now();
    batteryAt_ = now();
    updatePower();
}

void MachineMac::onFirstBoot(std::function<void()> hook) {
    onFirstBoot_ = std::move(hook);
}

void MachineMac::noteTrigger(std::int64_t ts) {
    std::int64_t seen = lastTrigger_.load();
    while (seen < ts && !lastTrigger_.compare_exchange_weak(seen, ts)) {
    }
}

std::optional<std::int64_t> MachineMac::lastTrigger() const {
    const std::int64_t seen = lastTrigger_.load();
    return seen == std::numeric_limits<std::int64_t>::min() ? std::nullopt : std::optional(seen);
}

std::optional<std::string> MachineMac::network(Place place) {
    return placeInfo(place).network;
}

// ---- Reads ----

std::int64_t MachineMac::now() const {
    return roundedMilliseconds(time_.clock().now()).value_or(0);
}

bool MachineMac::locked() const {
    return machine_.read([](const MachineState& state) { return state.locked; });
}

const std::string& MachineMac::front() const {
    front_ = machine_.read([](const MachineState& state) {
        const MachineState::App* app = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
        return app != nullptr ? app->bundleID.value_or("") : "";
    });
    return front_;
}

const std::vector<std::string>& MachineMac::running() const {
    running_.clear();
    machine_.read([this](const MachineState& state) {
        for (const MachineState::App& app : state.apps) {
            if (app.pid != state.ownPid && app.regular && app.bundleID) {
                running_.push_back(*app.bundleID);
            }
        }
    });
    return running_;
}

bool MachineMac::isHidden(const std::string& bundleID) const {
    return machine_.read([&](const MachineState& state) {
        const MachineState::App* app = state.findAppByID(bundleID);
        return app != nullptr && app->hidden;
    });
}

const std::vector<StudentMac::Window>& MachineMac::windows() const {
    machine_.read([this](const MachineState& state) { windowsOf(state); });
    return windows_;
}

void MachineMac::windowsOf(const MachineState& state) const {
    if (const MachineState::App* app = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
        app != nullptr && app->focusedWindow) {
        bump(*app->focusedWindow);
    }
    struct Ranked {
        std::size_t rank;
        Window window;
    };
    std::vector<Ranked> ranked;
    for (const MachineState::App& app : state.apps) {
        if (app.pid == state.ownPid) {
            continue;
        }
        for (const MachineState::Window& window : app.windows) {
            const auto found = std::find(recent_.begin(), recent_.end(), window.id);
            ranked.push_back({static_cast<std::size_t>(found - recent_.begin()),
                              Window{app.bundleID.value_or(""), window.document, window.title,
                                     window.frame.value_or(Rect{}), window.minimized}});
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) { return a.rank < b.rank; });
    windows_.clear();
    for (Ranked& entry : ranked) {
        windows_.push_back(std::move(entry.window));
    }
}

bool MachineMac::externalDisplay() const {
    return machine_.read([](const MachineState& state) {
        return std::any_of(state.displays.begin(), state.displays.end(),
                           [](const MachineState::Display& display) { return display.id == externalDisplayID; });
    });
}

bool MachineMac::headphones() const {
    return machine_.read([](const MachineState& state) {
        return std::any_of(state.audioDevices.begin(), state.audioDevices.end(),
                           [](const MachineState::AudioDevice& device) { return device.id == headphonesID; });
    });
}

// ---- Time ----

void MachineMac::passTime(std::int64_t t) {
    if (asleep_) {
        return; // the time asleep passes at once when the machine wakes
    }
    // Idle time is a reading, not a clock: it is brought up to date as time moves.
    while (now() + idleStep < t) {
        time_.advanceTo(static_cast<Date>(now() + idleStep) / 1000.0);
        machine_.setIdle(static_cast<double>(now() - lastInput_) / 1000.0);
    }
    time_.advanceTo(static_cast<Date>(t) / 1000.0);
    machine_.setIdle(static_cast<double>(std::max<std::int64_t>(0, now() - lastInput_)) / 1000.0);
}

void MachineMac::input(std::int64_t t) {
    passTime(t);
    lastInput_ = now();
    machine_.setIdle(0.0);
}

void MachineMac::after(std::int64_t from, std::int64_t low, std::int64_t high) {
    passTime(from + random_.between(low, high));
}

void MachineMac::advance(std::int64_t t) {
    passTime(t);
}

// ---- The machine ----

void MachineMac::goTo(Place place) {
    const PlaceInfo info = placeInfo(place);
    if (info.network) {
        machine_.joinWiFi(*info.network);
    } else if (machine_.state().wifiNetwork) {
        machine_.leaveWiFi();
    }
    machine_.moveTo(info.location);
}

void MachineMac::updatePower() {
    const std::int64_t at = now();
    const double minutes = static_cast<double>(std::max<std::int64_t>(0, at - batteryAt_)) / 60'000.0;
    batteryAt_ = std::max(batteryAt_, at);
    battery_ = std::clamp(battery_ + (charger_ ? 0.8 : -0.16) * minutes, 5.0, 100.0);
    MachineState::Power power;
    power.source = charger_ ? MachineState::PowerSource::ac : MachineState::PowerSource::battery;
    power.percent = std::round(battery_);
    power.charging = charger_ && battery_ < 99.5;
    machine_.setPower(power);
}

void MachineMac::boot(std::int64_t t, Place place) {
    if (booted_) {
        wake(t, place);
        return;
    }
    booted_ = true;
    asleep_ = false;
    passTime(t);
    batteryAt_ = now();
    machine_.unlock();
    bringForward(finder, false);
    goTo(place);
    updatePower();
    input(now());
    if (onFirstBoot_) {
        onFirstBoot_();
    }
}

void MachineMac::wake(std::int64_t t, Place place) {
    if (!booted_) {
        boot(t, place);
        return;
    }
    if (asleep_) {
        asleep_ = false;
        const std::int64_t slept = std::max<std::int64_t>(0, t - now());
        battery_ = std::clamp(battery_ - 0.01 * static_cast<double>(slept) / 60'000.0, 5.0, 100.0);
        // Carried elsewhere while asleep, it wakes without the old network: a machine that woke
        // still on it would set up for where it was, not where it is.
        if (const auto network = machine_.state().wifiNetwork; network && network != placeInfo(place).network) {
            machine_.leaveWiFi();
        }
        machine_.sleep(static_cast<double>(slept) / 1000.0);
        batteryAt_ = now();
        // Headphones drop their connection to a sleeping machine.
        if (headphones()) {
            machine_.removeAudioDevice(headphonesID);
        }
    } else {
        passTime(t);
    }
    lastInput_ = now();
    // The network comes back within a second or two, now and then only later.
    const bool quickly = random_.chance(0.9);
    after(now(), quickly ? 200 : 6'000, quickly ? 2'000 : 20'000);
    goTo(place);
    updatePower();
    after(now(), 4'000, 25'000);
    unlock(now());
}

void MachineMac::sleep(std::int64_t t) {
    passTime(t);
    updatePower();
    // The screen locks as the lid closes; the time asleep passes at the next wake.
    machine_.lock();
    asleep_ = true;
}

void MachineMac::lock(std::int64_t t) {
    passTime(t);
    machine_.lock();
}

void MachineMac::unlock(std::int64_t t) {
    passTime(t);
    machine_.unlock();
    input(now());
}

void MachineMac::connectExternalDisplay(std::int64_t t, bool connected) {
    passTime(t);
    if (connected) {
        machine_.connectDisplay(dellDisplay());
        machine_.addAudioDevice(device(displayAudioID, "DELL U2720Q", AudioTransport::displayPort, true,
                                       std::nullopt, 0.6));
        charger_ = true; // the dock powers the machine
    } else if (externalDisplay()) {
        // Windows on the external display come back to the built-in one.
        const MachineState state = machine_.state();
        for (const MachineState::App& app : state.apps) {
            for (const MachineState::Window& window : app.windows) {
                if (window.frame && window.frame->x >= 1512) {
                    machine_.moveWindow({app.pid, window.id}, 40, 40);
                }
            }
        }
        machine_.disconnectDisplay(externalDisplayID);
        machine_.removeAudioDevice(displayAudioID);
    }
    updatePower();
}

void MachineMac::connectHeadphones(std::int64_t t, bool connected) {
    passTime(t);
    if (connected) {
        machine_.addAudioDevice(device(headphonesID, "Headphones", AudioTransport::bluetooth, true, "hdpn", 0.35));
        machine_.setDefaultOutput(std::string(headphonesID));
    } else if (headphones()) {
        machine_.removeAudioDevice(headphonesID);
        machine_.setDefaultOutput(std::string(speakersID));
    }
}

void MachineMac::plugCharger(std::int64_t t, bool plugged) {
    passTime(t);
    updatePower();
    charger_ = plugged;
    updatePower();
}

// ---- Apps and windows ----

void MachineMac::bump(std::uint64_t window) const {
    std::erase(recent_, window);
    recent_.insert(recent_.begin(), window);
}

int MachineMac::bringForward(const std::string& bundleID, bool ownWindow) {
    int pid = machine_.read([&](const MachineState& state) {
        const MachineState::App* app = state.findAppByID(bundleID);
        return app != nullptr ? app->pid : 0;
    });
    if (pid != 0) {
        machine_.activate(pid);
    } else {
        pid = machine_.launch(bundleID);
    }
    if (ownWindow && SimulatedMac::opensWindow(bundleID)) {
        const bool shown = machine_.read([pid](const MachineState& state) {
            const MachineState::App* app = state.findApp(pid);
            return app == nullptr || visible(*app);
        });
        if (!shown) {
            MachineState::Window window;
            window.title = SimulatedMac::app(bundleID).name;
            window.frame = layoutFrame();
            bump(machine_.openWindow(pid, std::move(window)).id);
        }
    }
    return pid;
}

void MachineMac::focus(const MachineState& state, WindowElement element) {
    const MachineState::Window* window = state.findWindow(element);
    if (window == nullptr) {
        return;
    }
    if (window->minimized) {
        machine_.unminimizeWindow(element);
    } else {
        machine_.focusWindow(element);
    }
    bump(element.id);
}

std::optional<WindowElement> MachineMac::frontWindow() const {
    return machine_.read([](const MachineState& state) { return frontWindowOf(state); });
}

std::optional<WindowElement> MachineMac::frontWindowOf(const MachineState& state) {
    const MachineState::App* app = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
    if (app == nullptr || app->pid == state.ownPid) {
        return std::nullopt;
    }
    if (app->focusedWindow) {
        const MachineState::Window* focused = state.findWindow({app->pid, *app->focusedWindow});
        if (focused != nullptr && !focused->minimized) {
            return WindowElement{app->pid, focused->id};
        }
    }
    for (const MachineState::Window& window : app->windows) {
        if (!window.minimized) {
            return WindowElement{app->pid, window.id};
        }
    }
    return std::nullopt;
}

// A student keeps about ten windows: the one longest out of use goes.
void MachineMac::closeOldest() {
    const MachineState state = machine_.state();
    std::optional<WindowElement> oldest;
    std::size_t oldestRank = 0;
    std::size_t count = 0;
    for (const MachineState::App& app : state.apps) {
        if (app.pid == state.ownPid) {
            continue;
        }
        for (const MachineState::Window& window : app.windows) {
            ++count;
            const auto rank = static_cast<std::size_t>(std::find(recent_.begin(), recent_.end(), window.id) -
                                                       recent_.begin());
            if (!oldest || rank > oldestRank) {
                oldest = WindowElement{app.pid, window.id};
                oldestRank = rank;
            }
        }
    }
    if (count > 10 && oldest) {
        machine_.closeWindow(*oldest);
        std::erase(recent_, oldest->id);
    }
}

Rect MachineMac::layoutFrame() {
    static const std::array<Rect, 4> builtIn = {Rect{0, 25, 1512, 957}, Rect{0, 25, 756, 957},
                                                Rect{756, 25, 756, 957}, Rect{180, 90, 1150, 800}};
    static const std::array<Rect, 3> external = {Rect{1512, -433, 2560, 1415}, Rect{1512, -433, 1280, 1415},
                                                 Rect{2792, -433, 1280, 1415}};
    Rect frame = externalDisplay() && random_.chance(0.7) ? external[random_.index(external.size())]
                                                          : builtIn[random_.index(builtIn.size())];
    if (random_.chance(0.3)) {
        frame.x += static_cast<double>(random_.between(0, 60));
        frame.y += static_cast<double>(random_.between(0, 40));
        frame.width -= static_cast<double>(random_.between(0, 120));
    }
    return frame;
}

void MachineMac::activate(std::int64_t t, std::string bundleID) {
    input(t);
    bringForward(bundleID, true);
}

void MachineMac::openDocument(std::int64_t t, const std::string& path) {
    input(t);
    const int pid = bringForward(SimulatedMac::appFor(path), false);
    const MachineState state = machine_.state();
    if (const MachineState::App* app = state.findApp(pid)) {
        for (const MachineState::Window& window : app->windows) {
            // The application may have opened it by its path; the student's windows name it as
            // a desktop's accessibility does, by its file URL.
            if (window.document == path || window.document == SimulatedMac::fileURL(path)) {
                focus(state, {pid, window.id});
                return;
            }
        }
    }
    MachineState::Window window;
    window.title = fileName(path);
    window.document = SimulatedMac::fileURL(path);
    window.frame = layoutFrame();
    bump(machine_.openWindow(pid, std::move(window)).id);
    closeOldest();
}

void MachineMac::showNote(std::int64_t t, const std::string& title) {
    input(t);
    const int pid = bringForward(SimulatedMac::notes(), false);
    const MachineState state = machine_.state();
    const MachineState::App* app = state.findApp(pid);
    if (app != nullptr && !app->windows.empty()) {
        // The notes app shows one note at a time, in its front window.
        const MachineState::Window& window = app->windows.front();
        if (window.title != title) {
            machine_.retitleWindow({pid, window.id}, title);
        }
        focus(state, {pid, window.id});
        return;
    }
    MachineState::Window window;
    window.title = title;
    window.frame = layoutFrame();
    bump(machine_.openWindow(pid, std::move(window)).id);
}

void MachineMac::showPage(std::int64_t t, const std::string& url) {
    showTab(t, url, false);
}

void MachineMac::showPrivatePage(std::int64_t t, const std::string& url) {
    showTab(t, url, true);
}

void MachineMac::showTab(std::int64_t t, const std::string& url, bool privateWindow) {
    input(t);
    const std::string& browser = SimulatedMac::browser();
    bringForward(browser, true);
    const bool shown = machine_.read([&](const MachineState& state) {
        const auto tab = state.frontTabs.find(browser);
        return tab != state.frontTabs.end() && tab->second.url == url && tab->second.privateWindow == privateWindow;
    });
    if (shown) {
        return;
    }
    MachineState::BrowserTab page;
    page.url = url;
    page.title = pageTitle(url);
    page.privateWindow = privateWindow;
    machine_.showTab(browser, std::move(page));
}

void MachineMac::focusOtherWindow(std::int64_t t) {
    input(t);
    const MachineState state = machine_.state();
    const MachineState::App* app = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
    if (app == nullptr || app->pid == state.ownPid) {
        return;
    }
    int seen = 0;
    for (const MachineState::Window& window : app->windows) {
        if (!window.minimized && ++seen == 2) {
            focus(state, {app->pid, window.id});
            return;
        }
    }
}

void MachineMac::moveWindow(std::int64_t t) {
    input(t);
    const auto window = frontWindow();
    if (!window) {
        return;
    }
    const Rect frame = layoutFrame();
    machine_.moveWindow(*window, frame.x, frame.y);
    const bool resize = machine_.read([&](const MachineState& state) {
        const MachineState::Window* moved = state.findWindow(*window);
        return moved != nullptr &&
               (!moved->frame || moved->frame->width != frame.width || moved->frame->height != frame.height);
    });
    if (resize) {
        machine_.resizeWindow(*window, frame.width, frame.height);
    }
}

void MachineMac::closeWindow(std::int64_t t) {
    input(t);
    if (const auto window = frontWindow()) {
        machine_.closeWindow(*window);
        std::erase(recent_, window->id);
    }
}

void MachineMac::minimizeWindow(std::int64_t t) {
    input(t);
    if (const auto window = frontWindow()) {
        machine_.minimizeWindow(*window);
    }
}

void MachineMac::unminimizeWindow(std::int64_t t) {
    input(t);
    windows(); // brings the order up to date
    MachineState state = machine_.state();
    std::optional<WindowElement> found;
    std::size_t best = 0;
    for (const MachineState::App& app : state.apps) {
        for (const MachineState::Window& window : app.windows) {
            const auto rank = static_cast<std::size_t>(std::find(recent_.begin(), recent_.end(), window.id) -
                                                       recent_.begin());
            if (app.pid != state.ownPid && window.minimized && (!found || rank < best)) {
                found = WindowElement{app.pid, window.id};
                best = rank;
            }
        }
    }
    if (!found) {
        return;
    }
    if (const MachineState::App* owner = state.findApp(found->pid); owner != nullptr && owner->bundleID) {
        bringForward(*owner->bundleID, false);
    }
    machine_.unminimizeWindow(*found);
    bump(found->id);
}

void MachineMac::hideFrontApp(std::int64_t t) {
    input(t);
    const MachineState state = machine_.state();
    const MachineState::App* app = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
    if (app == nullptr || app->pid == state.ownPid || app->bundleID == finder) {
        return;
    }
    machine_.hide(app->pid);
}

void MachineMac::quitApp(std::int64_t t, std::string bundleID) {
    input(t);
    const MachineState state = machine_.state();
    const MachineState::App* app = state.findAppByID(bundleID);
    if (app == nullptr || app->pid == state.ownPid || bundleID == finder) {
        return;
    }
    machine_.quit(app->pid);
}

void MachineMac::changeVolume(std::int64_t t) {
    input(t);
    const MachineState state = machine_.state();
    for (const MachineState::AudioDevice& output : state.audioDevices) {
        if (output.id == state.defaultOutput && output.volume) {
            const double step = static_cast<double>(random_.between(6, 19)) / 100.0;
            machine_.setVolume(std::clamp(*output.volume + (random_.chance(0.5) ? step : -step), 0.0, 1.0));
        }
    }
}

void MachineMac::toggleMute(std::int64_t t) {
    input(t);
    const MachineState state = machine_.state();
    for (const MachineState::AudioDevice& output : state.audioDevices) {
        if (output.id == state.defaultOutput && output.muted) {
            machine_.setMuted(!*output.muted);
        }
    }
}

// ---- The application's own records ----

void MachineMac::recordAnswer(std::int64_t, const std::string&, AnswerPayload::Answer) {
    throw std::logic_error("the application answers for itself on the machine");
}

void MachineMac::recordRun(std::int64_t, const std::string&, const std::string&, const std::vector<std::string>&,
                           bool) {
    throw std::logic_error("the application runs its setups itself on the machine");
}

void MachineMac::recordUndo(std::int64_t, const std::string&, bool) {
    throw std::logic_error("the application undoes its setups itself on the machine");
}

} // namespace ostrel::semester
