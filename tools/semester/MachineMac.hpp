#pragma once

#include "core/calendar/CalendarEvent.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "semester/Random.hpp"
#include "semester/StudentMac.hpp"
#include "semester/Timetable.hpp"

#include <cstdint>
#include <atomic>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
class VirtualTime;
}

namespace ostrel::semester {

// The student's hands on a simulated machine in virtual time. Every operation first moves the
// virtual time to its moment (never back: an earlier time acts now), then does what a user and a
// real desktop would through the machine's driver operations; it records nothing itself, so what
// is observed is what the application's own sources make of it. Before acting it looks: a
// document window, note or page already there (the application may have opened it) is brought
// forward, not opened again, and a running app is only activated.
//
// Idle time grows with virtual time (in steps of a minute) and falls to zero with each action.
// Sleep is one stretch on the machine, told at wake: from sleep() to the next wake() or boot()
// time stands still here, the machine locked, and then passes asleep at once.
//
// The first boot() only starts the session (unlocked, Finder running, the place joined) and then
// calls the first-boot hook, where a harness starts the application; a later boot() is a wake.
// The application's answers, runs and undos are its own: recordAnswer, recordRun and recordUndo
// throw std::logic_error.
class MachineMac final : public StudentMac {
public:
    // Installs the student's apps, the browser as the https handler, the document handlers and
    // documents of courses, the timetable (calendar) as a local calendar with access granted,
    // location always allowed, accessibility trusted, browser scripting granted, the built-in
    // display and speakers as the default output. machine and time must outlive this object.
    MachineMac(SimulatedMachine& machine, VirtualTime& time, const std::vector<CalendarEvent>& calendar,
               const std::vector<Course>& courses, std::uint64_t seed);

    // Called once, at the end of the first boot, on the thread driving time.
    void onFirstBoot(std::function<void()> hook);
    // The application found a trigger at ts: the harness passes its recorder's triggers on, from
    // any thread (the recorder reports on the writer's).
    void noteTrigger(std::int64_t ts);

    // The networks and external devices the student meets.
    static std::optional<std::string> network(Place place);
    static constexpr const char* externalDisplayID = "DP-1";
    static constexpr const char* externalDisplayUUID = "9A1B5C2E-64F0-4E7B-8D1A-3C5E7F9B2D40";
    static constexpr const char* headphonesID = "Headphones";
    static constexpr const char* speakersID = "BuiltInSpeakerDevice";
    static constexpr const char* calendarID = "timetable";

    std::int64_t now() const override;
    bool asleep() const override { return asleep_; }
    bool locked() const override;
    const std::string& front() const override;
    const std::vector<std::string>& running() const override;
    bool isHidden(const std::string& bundleID) const override;
    const std::vector<Window>& windows() const override;
    std::optional<std::int64_t> lastTrigger() const override;
    bool externalDisplay() const override;
    bool headphones() const override;

    void advance(std::int64_t t) override;

    void boot(std::int64_t t, Place place) override;
    void wake(std::int64_t t, Place place) override;
    void sleep(std::int64_t t) override;
    void lock(std::int64_t t) override;
    void unlock(std::int64_t t) override;
    void connectExternalDisplay(std::int64_t t, bool connected) override;
    void connectHeadphones(std::int64_t t, bool connected) override;
    void plugCharger(std::int64_t t, bool plugged) override;

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

    void recordAnswer(std::int64_t t, const std::string& routine, AnswerPayload::Answer answer) override;
    void recordRun(std::int64_t t, const std::string& run, const std::string& routine,
                   const std::vector<std::string>& items, bool automatic) override;
    void recordUndo(std::int64_t t, const std::string& run, bool tidy) override;

private:
    void passTime(std::int64_t t);
    void input(std::int64_t t);
    void after(std::int64_t from, std::int64_t low, std::int64_t high);
    void goTo(Place place);
    void updatePower();
    void showTab(std::int64_t t, const std::string& url, bool privateWindow);
    // Brings the app forward, launching it when it does not run; with ownWindow, an app that
    // shows a window of its own gets one when it has none to show. Returns its pid.
    int bringForward(const std::string& bundleID, bool ownWindow);
    void focus(const MachineState& state, WindowElement window);
    std::optional<WindowElement> frontWindow() const;
    static std::optional<WindowElement> frontWindowOf(const MachineState& state);
    void windowsOf(const MachineState& state) const; // into windows_
    void bump(std::uint64_t window) const;
    void closeOldest();
    Rect layoutFrame();

    SimulatedMachine& machine_;
    VirtualTime& time_;
    Random random_;
    std::function<void()> onFirstBoot_;
    bool booted_ = false;
    bool asleep_ = true;
    std::int64_t lastInput_ = 0;
    std::atomic<std::int64_t> lastTrigger_{std::numeric_limits<std::int64_t>::min()}; // min: none yet
    bool charger_ = false;
    double battery_ = 84;
    std::int64_t batteryAt_ = 0;

    // What the reads hand out, made afresh from the machine's state on each read; and the
    // windows' ids by the last time the student had them in front, most recent first.
    mutable std::string front_;
    mutable std::vector<std::string> running_;
    mutable std::vector<Window> windows_;
    mutable std::vector<std::uint64_t> recent_;
};

} // namespace ostrel::semester
