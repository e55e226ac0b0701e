#include "semester/SimulatedMac.hpp"

#include "core/browsing/SiteExclusionList.hpp"
#include "core/episodes/TriggerDetector.hpp"
#include "core/foundation/Url.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/observations/EmptyPayload.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "core/observations/ExclusionList.hpp"
#include "core/observations/LocationPayload.hpp"
#include "core/observations/OstrelStartPayload.hpp"
#include "core/observations/RunningAppsPayload.hpp"
#include "core/observations/WindowPayload.hpp"
#include "core/observations/WindowsPayload.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace ostrel::semester {

namespace {

// How the sources look at the machine, in milliseconds.
constexpr std::int64_t idleThreshold = 300'000; // idle this long makes "user.idle"
constexpr std::int64_t idlePeriod = 60'000;     // the idle check's timer
constexpr std::int64_t tabPeriod = 10'000;      // the browser tab poll
constexpr std::int64_t powerPeriod = 120'000;
constexpr std::int64_t eventDelay = 1'200; // a calendar timer fires just after the start
// The trigger recorder's reach, as the application reads it: observations from 31 minutes back,
// triggers of the last 16 minutes.
constexpr std::int64_t recorderReads = 1'860'000;
constexpr std::int64_t recorderFinds = 960'000;

const std::string finder = "com.apple.finder";
const std::string safari = "com.apple.Safari";
const std::string notesApp = "com.apple.Notes";
const std::string startPage = "https://www.google.com/";

WindowPayload payload(const SimulatedMac::Window& window) {
    return WindowPayload::make(window.bundleID,
                               window.document ? std::optional<std::string>(SimulatedMac::fileURL(*window.document))
                                               : std::nullopt,
                               window.title, window.frame, window.minimized);
}

struct PlaceInfo {
    std::optional<std::string> network;
    double latitude = 0;
    double longitude = 0;
};

PlaceInfo placeInfo(Place place) {
    switch (place) {
    case Place::home:
        return {"FRITZ!Box 7530 KQ", 52.5421, 13.4124};
    case Place::campus:
        return {"eduroam", 52.4566, 13.2953};
    case Place::library:
        return {"UB-Library", 52.4603, 13.3021};
    case Place::elsewhere:
        break;
    }
    return {std::nullopt, 0, 0};
}

const DisplaysPayload::Display builtinDisplay{
    1, "37D8832A-2D66-02CA-B9F7-8F30A301B230", "Built-in Retina Display", 0, 0, 1512, 982, true, true};
const DisplaysPayload::Display dellDisplay{
    2, "9A1B5C2E-64F0-4E7B-8D1A-3C5E7F9B2D40", "DELL U2720Q", 1512, -458, 2560, 1440, false, false};

const AudioDevicesPayload::Device microphone{"BuiltInMicrophoneDevice", "MacBook Pro Microphone", "builtin"};
const AudioDevicesPayload::Device speakers{"BuiltInSpeakerDevice", "MacBook Pro Speakers", "builtin"};
const AudioDevicesPayload::Device airPods{"74-A6-CD-21-9F-3B:output", "AirPods Pro", "bluetooth"};
const AudioDevicesPayload::Device displayAudio{"AppleUSBAudioEngine:Dell:DELL U2720Q:1", "DELL U2720Q",
                                               "displayport"};

bool isTriggerSignal(const Signal& signal) {
    return signal == Signal::wake || signal == Signal::unlock || signal == Signal::quevStart ||
           signal == Signal::eventStart;
}

} // namespace

const std::vector<AppInfo>& SimulatedMac::apps() {
    static const std::vector<AppInfo> list = {
        {finder, "Finder", "/System/Library/CoreServices/Finder.app"},
        {safari, "Safari", "/Applications/Safari.app"},
        {notesApp, "Notes", "/System/Applications/Notes.app"},
        {"com.apple.Preview", "Preview", "/System/Applications/Preview.app"},
        {"com.microsoft.Word", "Microsoft Word", "/Applications/Microsoft Word.app"},
        {"com.microsoft.VSCode", "Code", "/Applications/Visual Studio Code.app"},
        {"com.rstudio.desktop", "RStudio", "/Applications/RStudio.app"},
        {"org.zotero.zotero", "Zotero", "/Applications/Zotero.app"},
        {"com.spotify.client", "Spotify", "/Applications/Spotify.app"},
        {"com.apple.iCal", "Calendar", "/System/Applications/Calendar.app"},
        {"com.apple.Terminal", "Terminal", "/System/Applications/Utilities/Terminal.app"},
        {"com.apple.MobileSMS", "Messages", "/System/Applications/Messages.app"},
        {"com.apple.mail", "Mail", "/System/Applications/Mail.app"},
    };
    return list;
}

const AppInfo& SimulatedMac::app(const std::string& bundleID) {
    for (const AppInfo& info : apps()) {
        if (info.bundleID == bundleID) {
            return info;
        }
    }
    throw std::invalid_argument("no app " + bundleID);
}

bool SimulatedMac::isExcluded(const std::string& bundleID) {
    return ExclusionList::defaultList().contains(bundleID);
}

const std::string& SimulatedMac::browser() {
    return safari;
}

const std::string& SimulatedMac::notes() {
    return notesApp;
}

std::string SimulatedMac::fileURL(const std::string& path) {
    return ostrel::fileURL(path);
}

bool SimulatedMac::opensWindow(const std::string& bundleID) {
    return bundleID == safari || bundleID == finder || bundleID == "com.spotify.client" ||
           bundleID == "com.apple.iCal" || bundleID == "com.apple.Terminal" ||
           bundleID == "org.zotero.zotero" || bundleID == "com.rstudio.desktop" ||
           bundleID == "com.microsoft.VSCode";
}

const std::string& SimulatedMac::appFor(const std::string& document) {
    static const std::string preview = "com.apple.Preview";
    static const std::string word = "com.microsoft.Word";
    static const std::string code = "com.microsoft.VSCode";
    static const std::string rstudio = "com.rstudio.desktop";
    if (document.ends_with(".docx")) {
        return word;
    }
    if (document.ends_with(".py") || document.ends_with(".md")) {
        return code;
    }
    if (document.ends_with(".R")) {
        return rstudio;
    }
    return preview;
}

SimulatedMac::SimulatedMac(std::uint64_t seed, std::vector<CalendarEvent> calendar)
    : random_(Random::mix(seed, 0x3ac)), calendar_(std::move(calendar)) {
    // The place source's salt for network names: 32 bytes, made once per installation.
    Random saltRandom(Random::mix(seed, 0x5a17));
    for (int i = 0; i < 32; ++i) {
        salt_.push_back(static_cast<std::uint8_t>(saltRandom.next() & 0xff));
    }
}

void SimulatedMac::setOutput(std::vector<SignalObservation>& observations, std::vector<Trigger>& triggers) {
    observations_ = &observations;
    triggers_ = &triggers;
}

template <class Payload>
void SimulatedMac::record(std::int64_t t, const Signal& signal, const Payload& payload) {
    now_ = std::max(now_, t);
    observations_->emplace_back(signal, payload, static_cast<Date>(now_) / 1000.0);
    if (isTriggerSignal(signal)) {
        triggerInputs_.push_back(observations_->back());
        recordTriggers(now_);
    }
}

std::int64_t SimulatedMac::nextTick(std::int64_t t, std::int64_t period, std::int64_t phase) const {
    const std::int64_t offset = ((phase - t) % period + period) % period;
    return t + offset;
}

// ---- Time passing ----

void SimulatedMac::advance(std::int64_t t) {
    constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();
    enum class Due { none, event, poll, idle, active, location, power };
    while (true) {
        Due due = Due::none;
        std::int64_t at = never;
        const auto consider = [&](Due what, std::int64_t when) {
            if (when < at) {
                at = when;
                due = what;
            }
        };
        if (nextEvent_ < calendar_.size()) {
            consider(Due::event, calendar_[nextEvent_].start + eventDelay);
        }
        if (!asleep_) {
            if (!polls_.empty()) {
                consider(Due::poll, *polls_.begin());
            }
            if (!locked_ && !idleRecorded_) {
                consider(Due::idle, nextTick(lastInput_ + idleThreshold, idlePeriod, 17'000));
            }
            if (activeAt_) {
                consider(Due::active, *activeAt_);
            }
            if (locationAt_) {
                consider(Due::location, *locationAt_);
            }
            consider(Due::power, powerAt_);
        }
        if (due == Due::none || at > t) {
            break;
        }
        const std::int64_t when = std::max(now_, at);
        switch (due) {
        case Due::event: {
            const CalendarEvent& event = calendar_[nextEvent_++];
            if (!asleep_) {
                EventStartPayload started;
                started.event = event.key;
                started.occurrence = event.occurrence;
                started.start = event.start;
                started.idle = std::max<std::int64_t>(0, (when - lastInput_) / 1000);
                started.locked = locked_;
                record(when, Signal::eventStart, started);
            }
            break;
        }
        case Due::poll:
            polls_.erase(polls_.begin());
            if (!locked_) {
                pollTab(when);
            }
            break;
        case Due::idle:
            record(when, Signal::userIdle, EmptyPayload{});
            idleRecorded_ = true;
            break;
        case Due::active:
            activeAt_.reset();
            idleRecorded_ = false;
            record(when, Signal::userActive, EmptyPayload{});
            break;
        case Due::location:
            recordLocation(when);
            locationAt_ = when + random_.between(15, 45) * 60'000;
            break;
        case Due::power:
            refreshPower(when);
            powerAt_ = when + powerPeriod;
            break;
        case Due::none:
            break;
        }
    }
    now_ = std::max(now_, t);
}

void SimulatedMac::input(std::int64_t t) {
    advance(t);
    lastInput_ = now_;
    if (idleRecorded_ && !activeAt_) {
        activeAt_ = nextTick(now_, idlePeriod, 17'000);
    }
}

// ---- Triggers and snapshots ----

void SimulatedMac::recordTriggers(std::int64_t t) {
    std::erase_if(triggerInputs_, [&](const SignalObservation& o) { return o.ts < t - recorderReads; });
    for (const Trigger& trigger : TriggerDetector::triggers(triggerInputs_, t - recorderFinds, t + 1)) {
        if (!stored_.emplace(trigger.ts, trigger.kind).second) {
            continue;
        }
        triggers_->push_back(trigger);
        lastTrigger_ = std::max(lastTrigger_.value_or(trigger.ts), trigger.ts);
        // A tab read from now on may keep its address, until the window after the trigger closes.
        schedulePoll(t);
        schedulePoll(trigger.ts + TabPayload::addressWindow + 1);
        if (isArrival(trigger.kind)) {
            snapshot(t + random_.between(800, 2'500));
        }
    }
}

void SimulatedMac::snapshot(std::int64_t t) {
    RunningAppsPayload running;
    for (const std::string& bundleID : running_) {
        if (!isExcluded(bundleID)) {
            const AppInfo& info = app(bundleID);
            running.apps.emplace_back(info.bundleID, info.name, info.path, isHidden(bundleID));
        }
    }
    if (!front_.empty() && !isExcluded(front_)) {
        running.front = front_;
    }
    record(t, Signal::appsRunning, running);
    WindowsPayload windows;
    for (const Window& window : windows_) {
        windows.windows.push_back(payload(window));
    }
    record(now_, Signal::windows, windows);
}

// ---- The machine ----

void SimulatedMac::resetFilters() {
    lastTab_.reset();
    lastDisplays_.reset();
    lastAudio_.reset();
    lastDevices_.reset();
    lastWiFi_.reset();
    lastPower_.reset();
}

void SimulatedMac::arrive(std::int64_t t) {
    lastInput_ = t;
    idleRecorded_ = false;
    activeAt_.reset();
    powerAt_ = t + powerPeriod;
    locationAt_ = t + random_.between(10'000, 60'000);
}

void SimulatedMac::boot(std::int64_t t, Place place) {
    advance(t);
    refreshPower(now_);
    asleep_ = false;
    locked_ = false;
    place_ = place;
    bootedAt_ = now_;
    running_ = {finder};
    if (random_.chance(0.5)) {
        running_.push_back("com.spotify.client");
    }
    hidden_.clear();
    windows_.clear();
    front_ = finder;
    tabURL_.clear();
    tabPrivate_ = false;
    polls_.clear();
    resetFilters();
    externalDisplay_ = false;
    headphones_ = false;
    const std::int64_t login = bootedAt_ + random_.between(25'000, 45'000);
    const std::int64_t start = login + random_.between(8'000, 40'000);
    arrive(start);
    record(start, Signal::quevStart,
           OstrelStartPayload(static_cast<double>(start - bootedAt_) / 1000.0, "1.0", login));
    refreshDisplays(now_);
    refreshDevices(now_);
    refreshPlace(now_);
    refreshPower(now_);
}

void SimulatedMac::wake(std::int64_t t, Place place) {
    advance(t);
    refreshPower(now_);
    asleep_ = false;
    locked_ = true;
    place_ = place;
    arrive(now_);
    record(now_, Signal::wake, EmptyPayload{});
    refreshDisplays(now_);
    refreshDevices(now_);
    // The Mac usually rejoins its network within a second or two, now and then only later.
    refreshPlace(now_ + (random_.chance(0.9) ? random_.between(200, 2'000) : random_.between(6'000, 20'000)));
    refreshPower(now_);
    unlock(now_ + (random_.chance(0.9) ? random_.between(4'000, 25'000) : random_.between(61'000, 100'000)));
}

void SimulatedMac::sleep(std::int64_t t) {
    advance(t);
    refreshPower(now_);
    record(now_, Signal::sleep, EmptyPayload{});
    asleep_ = true;
    locked_ = false;
    polls_.clear();
    activeAt_.reset();
    locationAt_.reset();
    // Headphones drop their connection to a sleeping Mac.
    headphones_ = false;
}

void SimulatedMac::lock(std::int64_t t) {
    advance(t);
    record(now_, Signal::lock, EmptyPayload{});
    locked_ = true;
}

void SimulatedMac::unlock(std::int64_t t) {
    advance(t);
    record(now_, Signal::unlock, EmptyPayload{});
    locked_ = false;
    arrive(now_);
    if (front_ == safari) {
        schedulePoll(now_);
    }
}

void SimulatedMac::connectExternalDisplay(std::int64_t t, bool connected) {
    advance(t);
    refreshPower(now_);
    externalDisplay_ = connected;
    charger_ = connected || charger_;
    if (!connected) {
        // Windows on the external display come back to the built-in one.
        for (Window& window : windows_) {
            if (window.frame.x >= builtinDisplay.width) {
                window.frame = {40, 40, 1200, 860};
            }
        }
    }
    refreshDisplays(now_);
    refreshDevices(now_);
    refreshPower(now_);
}

void SimulatedMac::connectHeadphones(std::int64_t t, bool connected) {
    advance(t);
    headphones_ = connected;
    refreshDevices(now_);
}

void SimulatedMac::plugCharger(std::int64_t t, bool plugged) {
    advance(t);
    refreshPower(now_);
    charger_ = plugged;
    refreshPower(now_);
}

void SimulatedMac::refreshDisplays(std::int64_t t) {
    DisplaysPayload displays;
    displays.displays.push_back(builtinDisplay);
    if (externalDisplay_) {
        displays.displays.push_back(dellDisplay);
    }
    if (lastDisplays_ != displays) {
        lastDisplays_ = displays;
        record(t, Signal::displays, displays);
    }
}

void SimulatedMac::refreshDevices(std::int64_t t) {
    std::vector<AudioDevicesPayload::Device> present = {speakers, microphone};
    if (headphones_) {
        present.push_back(airPods);
    }
    if (externalDisplay_) {
        present.push_back(displayAudio);
    }
    const AudioDevicesPayload devices = AudioDevicesPayload::make(std::move(present));
    if (lastDevices_ != devices) {
        lastDevices_ = devices;
        record(t, Signal::audioDevices, devices);
    }
    const AudioPayload audio = headphones_ ? AudioPayload(airPods.uid, airPods.name, airPods.transport,
                                                          std::nullopt, headphoneVolume_, muted_)
                                           : AudioPayload(speakers.uid, speakers.name, speakers.transport,
                                                          "Internal Speakers", speakerVolume_, muted_);
    if (lastAudio_ != audio) {
        lastAudio_ = audio;
        record(t, Signal::audio, audio);
    }
}

void SimulatedMac::refreshPlace(std::int64_t t) {
    const PlaceInfo info = placeInfo(place_);
    const WiFiPayload wifi = WiFiPayload::make(
        info.network ? std::optional<std::string_view>(*info.network) : std::nullopt, salt_);
    if (lastWiFi_ != wifi) {
        lastWiFi_ = wifi;
        record(t, Signal::wifi, wifi);
    }
}

void SimulatedMac::recordLocation(std::int64_t t) {
    const PlaceInfo info = placeInfo(place_);
    if (!info.network) {
        return;
    }
    const auto fix = LocationPayload::make(info.latitude + random_.around(0, 0.0003),
                                           info.longitude + random_.around(0, 0.0003),
                                           static_cast<double>(random_.between(5, 65)));
    if (fix) {
        record(t, Signal::location, *fix);
    }
}

void SimulatedMac::refreshPower(std::int64_t t) {
    // Charge moves with the time since the last reading: up on the charger, down faster while awake.
    const double minutes = static_cast<double>(std::max<std::int64_t>(0, t - batteryAt_)) / 60'000.0;
    batteryAt_ = std::max(batteryAt_, t);
    const double rate = charger_ ? 0.8 : (asleep_ ? -0.01 : -0.16);
    battery_ = std::clamp(battery_ + rate * minutes, 5.0, 100.0);
    if (asleep_) {
        return;
    }
    const auto percent = static_cast<std::int64_t>(battery_ + 0.5);
    const PowerPayload power(charger_ ? PowerPayload::Source::ac : PowerPayload::Source::battery, percent,
                             charger_ && percent < 100);
    if (lastPower_ != power) {
        lastPower_ = power;
        record(t, Signal::power, power);
    }
}

// ---- The front tab ----

void SimulatedMac::schedulePoll(std::int64_t t) {
    polls_.insert(nextTick(t, tabPeriod, 3'000));
}

void SimulatedMac::pollTab(std::int64_t t) {
    if (front_ != safari || tabURL_.empty()) {
        lastTab_.emplace(std::nullopt);
        return;
    }
    // A private window is recorded as excluded, whatever its site, as the browser source does.
    const auto tab = tabPrivate_ ? std::optional<TabPayload>(TabPayload{std::nullopt, std::nullopt, true})
                                 : TabPayload::make(tabURL_, t, lastTrigger_, SiteExclusionList::defaultList());
    if (!lastTab_ || *lastTab_ != tab) {
        lastTab_ = tab;
        if (tab) {
            record(t, Signal::browserTab, *tab);
        }
    }
}

// ---- The user ----

void SimulatedMac::appEvent(std::int64_t t, const Signal& signal, const std::string& bundleID) {
    if (isExcluded(bundleID)) {
        record(t, signal, AppPayload::excludedApp);
        return;
    }
    const AppInfo& info = app(bundleID);
    record(t, signal, AppPayload(info.bundleID, info.name, info.path, isHidden(bundleID)));
}

std::optional<std::size_t> SimulatedMac::frontWindow() const {
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (windows_[i].bundleID == front_ && !windows_[i].minimized) {
            return i;
        }
    }
    return std::nullopt;
}

void SimulatedMac::focusWindow(std::int64_t t, std::size_t index) {
    Window window = windows_[index];
    windows_.erase(windows_.begin() + static_cast<std::ptrdiff_t>(index));
    windows_.insert(windows_.begin(), window);
    record(t, Signal::windowFocus, payload(window));
}

Rect SimulatedMac::layoutFrame() {
    static const std::array<Rect, 4> builtin = {Rect{0, 25, 1512, 957}, Rect{0, 25, 756, 957},
                                                Rect{756, 25, 756, 957}, Rect{180, 90, 1150, 800}};
    static const std::array<Rect, 3> external = {Rect{1512, -433, 2560, 1415}, Rect{1512, -433, 1280, 1415},
                                                 Rect{2792, -433, 1280, 1415}};
    Rect frame = externalDisplay_ && random_.chance(0.7) ? external[random_.index(external.size())]
                                                         : builtin[random_.index(builtin.size())];
    if (random_.chance(0.3)) {
        frame.x += static_cast<double>(random_.between(0, 60));
        frame.y += static_cast<double>(random_.between(0, 40));
        frame.width -= static_cast<double>(random_.between(0, 120));
    }
    return frame;
}

void SimulatedMac::activate(std::int64_t t, std::string bundleID) {
    activate(t, std::move(bundleID), true);
}

void SimulatedMac::activate(std::int64_t t, std::string bundleID, bool focusFront) {
    input(t);
    if (std::find(running_.begin(), running_.end(), bundleID) == running_.end()) {
        running_.push_back(bundleID);
        appEvent(now_, Signal::appLaunch, bundleID);
    }
    if (hidden_.erase(bundleID) != 0) {
        appEvent(now_, Signal::appUnhide, bundleID);
    }
    front_ = bundleID;
    appEvent(now_, Signal::appActivate, bundleID);
    if (isExcluded(bundleID)) {
        // Its windows are never watched, and the browser is no longer in front.
        lastTab_.emplace(std::nullopt);
        return;
    }
    auto index = focusFront ? frontWindow() : std::nullopt;
    if (focusFront && !index && opensWindow(bundleID)) {
        windows_.insert(windows_.begin(), Window{bundleID, std::nullopt, std::nullopt, layoutFrame(), false});
        record(now_ + random_.between(100, 700), Signal::windowOpen, payload(windows_.front()));
        index = 0;
    }
    if (index) {
        focusWindow(now_, *index);
    }
    if (bundleID == safari) {
        if (tabURL_.empty()) {
            tabURL_ = startPage;
        }
        schedulePoll(now_);
    } else {
        lastTab_.emplace(std::nullopt);
    }
}

void SimulatedMac::openDocument(std::int64_t t, const std::string& path) {
    const std::string& owner = appFor(path);
    if (front_ != owner) {
        activate(t, owner, false);
    } else {
        input(t);
    }
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (windows_[i].document == path) {
            if (windows_[i].minimized) {
                windows_[i].minimized = false;
                record(now_, Signal::windowUnminimize, payload(windows_[i]));
            }
            focusWindow(now_ + random_.between(100, 600), i);
            return;
        }
    }
    windows_.insert(windows_.begin(), Window{owner, path, std::nullopt, layoutFrame(), false});
    const std::int64_t opened = now_ + random_.between(300, 1'500);
    record(opened, Signal::windowOpen, payload(windows_.front()));
    record(opened, Signal::windowFocus, payload(windows_.front()));
    // Old windows get closed now and then, so the list stays the size a student keeps.
    if (windows_.size() > 10) {
        const Window oldest = windows_.back();
        windows_.pop_back();
        record(now_ + random_.between(2'000, 9'000), Signal::windowClose, payload(oldest));
    }
}

void SimulatedMac::showNote(std::int64_t t, const std::string& title) {
    if (front_ != notesApp) {
        activate(t, notesApp);
    } else {
        input(t);
    }
    for (Window& window : windows_) {
        if (window.bundleID == notesApp) {
            if (window.title != title) {
                window.title = title;
                record(now_ + random_.between(300, 3'000), Signal::windowChange, payload(window));
            }
            return;
        }
    }
    windows_.insert(windows_.begin(), Window{notesApp, std::nullopt, title, layoutFrame(), false});
    const std::int64_t opened = now_ + random_.between(300, 1'500);
    record(opened, Signal::windowOpen, payload(windows_.front()));
    record(opened, Signal::windowFocus, payload(windows_.front()));
}

void SimulatedMac::showPage(std::int64_t t, const std::string& url) {
    if (front_ != safari) {
        activate(t, safari);
    } else {
        input(t);
    }
    tabURL_ = url;
    tabPrivate_ = false;
    schedulePoll(now_ + random_.between(300, 2'000));
}

void SimulatedMac::showPrivatePage(std::int64_t t, const std::string& url) {
    showPage(t, url);
    tabPrivate_ = true;
}

void SimulatedMac::focusOtherWindow(std::int64_t t) {
    input(t);
    std::size_t seen = 0;
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (windows_[i].bundleID == front_ && !windows_[i].minimized && ++seen == 2) {
            focusWindow(now_, i);
            return;
        }
    }
}

void SimulatedMac::moveWindow(std::int64_t t) {
    input(t);
    const auto index = frontWindow();
    if (!index) {
        return;
    }
    Window& window = windows_[*index];
    window.frame = layoutFrame();
    record(now_, Signal::windowFrame, payload(window));
    if (random_.chance(0.4)) {
        // A drag reports where it passed through before it settles.
        window.frame.x += static_cast<double>(random_.between(-30, 30));
        window.frame.y += static_cast<double>(random_.between(0, 20));
        record(now_ + random_.between(150, 900), Signal::windowFrame, payload(window));
    }
}

void SimulatedMac::closeWindow(std::int64_t t) {
    input(t);
    const auto index = frontWindow();
    if (!index) {
        return;
    }
    const Window closed = windows_[*index];
    windows_.erase(windows_.begin() + static_cast<std::ptrdiff_t>(*index));
    record(now_, Signal::windowClose, payload(closed));
    if (const auto next = frontWindow()) {
        focusWindow(now_ + random_.between(50, 400), *next);
    }
}

void SimulatedMac::minimizeWindow(std::int64_t t) {
    input(t);
    const auto index = frontWindow();
    if (!index) {
        return;
    }
    windows_[*index].minimized = true;
    record(now_, Signal::windowMinimize, payload(windows_[*index]));
    if (const auto next = frontWindow()) {
        focusWindow(now_ + random_.between(200, 600), *next);
    }
}

void SimulatedMac::unminimizeWindow(std::int64_t t) {
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        if (windows_[i].minimized) {
            const std::string owner = windows_[i].bundleID;
            if (front_ != owner) {
                activate(t, owner);
            } else {
                input(t);
            }
            // Activating may have opened or reordered windows: find it again.
            for (std::size_t j = 0; j < windows_.size(); ++j) {
                if (windows_[j].minimized && windows_[j].bundleID == owner) {
                    windows_[j].minimized = false;
                    record(now_ + random_.between(100, 500), Signal::windowUnminimize, payload(windows_[j]));
                    focusWindow(now_, j);
                    return;
                }
            }
            return;
        }
    }
}

void SimulatedMac::activateNextVisible(std::int64_t t) {
    for (const Window& window : windows_) {
        if (window.bundleID != front_ && !isHidden(window.bundleID)) {
            const std::string next = window.bundleID;
            activate(t, next);
            return;
        }
    }
    activate(t, finder);
}

void SimulatedMac::hideFrontApp(std::int64_t t) {
    input(t);
    if (front_ == finder || front_.empty()) {
        return;
    }
    hidden_.insert(front_);
    appEvent(now_, Signal::appHide, front_);
    activateNextVisible(now_ + random_.between(100, 500));
}

void SimulatedMac::quitApp(std::int64_t t, std::string bundleID) {
    input(t);
    const auto found = std::find(running_.begin(), running_.end(), bundleID);
    if (bundleID == finder || found == running_.end()) {
        return;
    }
    running_.erase(found);
    std::erase_if(windows_, [&](const Window& window) { return window.bundleID == bundleID; });
    appEvent(now_, Signal::appQuit, bundleID);
    hidden_.erase(bundleID);
    if (front_ == bundleID) {
        front_.clear();
        activateNextVisible(now_ + random_.between(100, 500));
    }
}

void SimulatedMac::changeVolume(std::int64_t t) {
    input(t);
    double& volume = headphones_ ? headphoneVolume_ : speakerVolume_;
    const double step = static_cast<double>(random_.between(6, 19)) / 100.0;
    volume = std::clamp(volume + (random_.chance(0.5) ? step : -step), 0.0, 1.0);
    refreshDevices(now_);
}

void SimulatedMac::toggleMute(std::int64_t t) {
    input(t);
    muted_ = !muted_;
    refreshDevices(now_);
}

// ---- The application's own records ----

void SimulatedMac::recordAnswer(std::int64_t t, const std::string& routine, AnswerPayload::Answer answer) {
    advance(t);
    record(now_, Signal::quevAnswer, AnswerPayload{routine, answer});
}

void SimulatedMac::recordRun(std::int64_t t, const std::string& run, const std::string& routine,
                             const std::vector<std::string>& items, bool automatic) {
    advance(t);
    RunPayload payload;
    payload.run = run;
    payload.routine = routine;
    payload.items = items;
    payload.automatic = automatic;
    payload.hid = 0;
    payload.arranged = 0;
    record(now_, Signal::quevRun, payload);
}

void SimulatedMac::recordUndo(std::int64_t t, const std::string& run, bool tidy) {
    advance(t);
    record(now_, tidy ? Signal::quevTidy : Signal::quevUndo, UndoPayload{run});
}

} // namespace ostrel::semester
