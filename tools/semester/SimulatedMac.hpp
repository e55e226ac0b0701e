#pragma once

#include "core/browsing/TabPayload.hpp"
#include "core/calendar/CalendarEvent.hpp"
#include "core/episodes/Trigger.hpp"
#include "core/foundation/Rect.hpp"
#include "core/learning/AnswerPayload.hpp"
#include "core/observations/AudioDevicesPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/DisplaysPayload.hpp"
#include "core/observations/PowerPayload.hpp"
#include "core/observations/SignalObservation.hpp"
#include "core/observations/WiFiPayload.hpp"
#include "semester/Random.hpp"
#include "semester/StudentMac.hpp"
#include "semester/Timetable.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::semester {

// One application the student uses.
struct AppInfo {
    std::string bundleID;
    std::string name;
    std::string path;
};

// The student's Mac with the application's signal sources on it: it keeps the state of apps,
// windows, the front tab, displays, audio, network, place, power, idle and lock, and records what
// the sources would record when that state changes, through the core's own payload records. The
// trigger recorder runs as the application's does, after each observation that may be a trigger,
// and the snapshots of running apps and windows follow every arrival.
//
// Calls come in time order; a time before the last recorded one is taken as that one.
//
// Not final: a test may count the calls it gets.
class SimulatedMac : public StudentMac {
public:
    using Window = StudentMac::Window;

    static const std::vector<AppInfo>& apps();
    static const AppInfo& app(const std::string& bundleID);
    static bool isExcluded(const std::string& bundleID);
    static const std::string& browser();
    static const std::string& notes();
    // The app that opens a document, by its extension.
    static const std::string& appFor(const std::string& document);
    // A document's path as the file URL Accessibility reports.
    static std::string fileURL(const std::string& path);
    // Whether the app shows a window of its own when activated without one.
    static bool opensWindow(const std::string& bundleID);

    // Calendar events start on their own as time passes; events must be sorted by start.
    SimulatedMac(std::uint64_t seed, std::vector<CalendarEvent> calendar);

    // Where the observations and triggers found from now on go.
    void setOutput(std::vector<SignalObservation>& observations, std::vector<Trigger>& triggers);

    std::int64_t now() const override { return now_; }
    bool asleep() const override { return asleep_; }
    bool locked() const override { return locked_; }
    Place place() const { return place_; }
    const std::string& front() const override { return front_; }
    const std::vector<std::string>& running() const override { return running_; }
    bool isHidden(const std::string& bundleID) const override { return hidden_.count(bundleID) != 0; }
    const std::vector<Window>& windows() const override { return windows_; }
    std::optional<std::int64_t> lastTrigger() const override { return lastTrigger_; }
    bool externalDisplay() const override { return externalDisplay_; }
    bool headphones() const override { return headphones_; }

    // Lets time pass without the user up to t: calendar events start, the idle check, the tab
    // poll, location fixes and power readings run.
    void advance(std::int64_t t) override;

    // ---- The machine ----
    void boot(std::int64_t t, Place place) override; // powered on, the user logs in, the application starts
    void wake(std::int64_t t, Place place) override; // lid opened: wakes, and the user unlocks
    void sleep(std::int64_t t) override;
    void lock(std::int64_t t) override;
    void unlock(std::int64_t t) override;
    void connectExternalDisplay(std::int64_t t, bool connected) override; // with its dock's power
    void connectHeadphones(std::int64_t t, bool connected) override;
    void plugCharger(std::int64_t t, bool plugged) override;

    // ---- The user ----
    void activate(std::int64_t t, std::string bundleID) override;
    void openDocument(std::int64_t t, const std::string& path) override;
    void showNote(std::int64_t t, const std::string& title) override;
    void showPage(std::int64_t t, const std::string& url) override;
    void showPrivatePage(std::int64_t t, const std::string& url) override;
    void focusOtherWindow(std::int64_t t) override;
    void moveWindow(std::int64_t t) override;
    void closeWindow(std::int64_t t) override;
    void minimizeWindow(std::int64_t t) override;
    void unminimizeWindow(std::int64_t t) override;
    void hideFrontApp(std::int64_t t) override;
    void quitApp(std::int64_t t, std::string bundleID) override;
    void changeVolume(std::int64_t t) override;
    void toggleMute(std::int64_t t) override;

    // ---- The application's own records ----
    void recordAnswer(std::int64_t t, const std::string& routine, AnswerPayload::Answer answer) override;
    void recordRun(std::int64_t t, const std::string& run, const std::string& routine,
                   const std::vector<std::string>& items, bool automatic) override;
    void recordUndo(std::int64_t t, const std::string& run, bool tidy) override;

private:
    template <class Payload>
    void record(std::int64_t t, const Signal& signal, const Payload& payload);
    void input(std::int64_t t);
    void recordTriggers(std::int64_t t);
    void arrive(std::int64_t t);
    void resetFilters();
    void snapshot(std::int64_t t);
    void refreshPlace(std::int64_t t);
    void refreshDisplays(std::int64_t t);
    void refreshDevices(std::int64_t t);
    void refreshPower(std::int64_t t);
    void recordLocation(std::int64_t t);
    void pollTab(std::int64_t t);
    void schedulePoll(std::int64_t t);
    void focusWindow(std::int64_t t, std::size_t index);
    void appEvent(std::int64_t t, const Signal& signal, const std::string& bundleID);
    void activateNextVisible(std::int64_t t);
    // Brings the app to the front; focusFront also focuses its front window, as a click on its
    // Dock icon does, where opening a document goes straight to that document's window.
    void activate(std::int64_t t, std::string bundleID, bool focusFront);
    std::optional<std::size_t> frontWindow() const;
    Rect layoutFrame();
    std::int64_t nextTick(std::int64_t t, std::int64_t period, std::int64_t phase) const;

    Random random_;
    std::vector<CalendarEvent> calendar_;
    std::size_t nextEvent_ = 0;
    std::vector<std::uint8_t> salt_;

    std::vector<SignalObservation>* observations_ = nullptr;
    std::vector<Trigger>* triggers_ = nullptr;

    std::int64_t now_ = 0;
    bool asleep_ = true;
    bool locked_ = false;
    std::int64_t bootedAt_ = 0;
    Place place_ = Place::home;
    std::int64_t lastInput_ = 0;
    bool idleRecorded_ = false;
    std::optional<std::int64_t> activeAt_;
    std::optional<std::int64_t> locationAt_;
    std::int64_t powerAt_ = 0;

    std::vector<std::string> running_;
    std::set<std::string> hidden_;
    std::string front_;
    std::vector<Window> windows_; // front-most first
    std::string tabURL_;
    bool tabPrivate_ = false; // the tab is in a private window
    std::set<std::int64_t> polls_;

    bool externalDisplay_ = false;
    bool headphones_ = false;
    bool charger_ = false;
    double battery_ = 84;
    double speakerVolume_ = 0.5;
    double headphoneVolume_ = 0.35;
    std::int64_t batteryAt_ = 0;
    bool muted_ = false;

    // The change filters of the sources: the last payload each recorded. A tab filter holding an
    // absent tab is distinct from one that has seen nothing.
    std::optional<std::optional<TabPayload>> lastTab_;
    std::optional<DisplaysPayload> lastDisplays_;
    std::optional<AudioPayload> lastAudio_;
    std::optional<AudioDevicesPayload> lastDevices_;
    std::optional<WiFiPayload> lastWiFi_;
    std::optional<PowerPayload> lastPower_;

    // The trigger recorder's view: recent observations of the four trigger signals, and every
    // trigger stored so far.
    std::vector<SignalObservation> triggerInputs_;
    std::set<std::pair<std::int64_t, Trigger::Kind>> stored_;
    std::optional<std::int64_t> lastTrigger_;
};

} // namespace ostrel::semester
