#pragma once

#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel::dev {

// A script of machine operations, one JSON object a line: {"at": MS, "step": NAME, ...}. Read and
// checked whole before anything plays, so a mistake on line 40 stops nothing half-way.
//
// Steps and their fields (app: an application id; window: a name given with "as" when it was
// opened, or an app id for that app's focused window):
//   launch, launchHidden, activate, hide, unhide, quit    {app}
//   openWindow      {app, as?, title?, document?, frame?: [x, y, width, height], subrole?}
//   closeWindow, focusWindow, minimizeWindow, unminimizeWindow   {window}
//   moveWindow {window, x, y}    resizeWindow {window, width, height}
//   retitleWindow {window, title?}    changeDocument {window, document?, title?}
//   sleep {seconds}    lock, unlock    setIdle {seconds?}    setTrusted {trusted}
//   joinWiFi {network}    leaveWiFi    setLocationAuthorization {status}    moveTo {location?}
//   queueLocationFixes {fixes: [location with time? (ms since 1970, default: the step's)]}: the next
//   location request is answered with these readings    failNextLocation {error?}: or with a failure
//   connectDisplay {display}    disconnectDisplay, setMainDisplay {id}
//   addAudioDevice {device}    removeAudioDevice {id}    setDefaultOutput {id?}
//   setVolume {volume}    setMuted {muted}    setDataSource {id, source}    setPower {power}
//   setDisplayKeptAwake {awake} (another program keeps the display on); input is setIdle {seconds: 0}
//   setCalendarAccess {status} (the user changes the calendar permission in the system's settings)
//   setCalendarAnswer {status} (what the user will answer when asked)
//   requestCalendarAccess (the application asks; played by the caller, not by play())
//   addCalendar {calendar}    addCalendarEvent, changeCalendarEvent {event}    removeCalendarEvent {id}
//   calendarChanged (the event store's change notice with nothing changed)
//   showTab {app, url, title?, private?} (the browser's front tab; its focused window takes the
//   title)    closeTabs {app}    setAutomation {app, permission, answer? (granted), scriptError?}
// display, device, power, location, calendar and event take the state file's forms
// (src/platform/sim/README.md); a location status is notDetermined, denied, whenInUse or always, a
// calendar status, a permission and an answer notDetermined, denied or granted;
// scriptError fails every script run against the browser (-1743 refused, -1712 timed out).
// Times never go back from one line to the next.
class MachineScript {
public:
    struct Step {
        int line = 0;
        std::int64_t at = 0; // milliseconds since 1970
        std::string name;
        json::Value fields;
    };

    // A mistake in the script: its line number and what is wrong.
    class Error : public std::runtime_error {
    public:
        Error(int line, const std::string& message)
            : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
        int line() const { return line_; }

    private:
        int line_;
    };

    // A command's own steps, by name, each with a check of its line that throws (any
    // std::exception; its message becomes the line's error). play() leaves them to the caller.
    using CallerSteps = std::map<std::string, std::function<void(const json::Value& line)>>;

    // Reads the text; throws Error for the first bad line.
    static MachineScript parse(const std::string& text, const CallerSteps& callerSteps = {});

    const std::vector<Step>& steps() const { return steps_; }
    // Where virtual time starts: the first step's moment, or 2025-09-15 06:00 UTC without steps.
    Date start() const;

    // Performs one step on the machine (nothing for a caller's step). Throws Error when it names an app or window that is not
    // there, and passes on the machine's OperationError as an Error of that line.
    void play(const Step& step, SimulatedMachine& machine);

private:
    WindowElement window(const Step& step, SimulatedMachine& machine, const std::string& key) const;
    int pid(const Step& step, SimulatedMachine& machine) const;

    std::vector<Step> steps_;
    std::map<std::string, WindowElement> named_;
    std::set<std::string> callerSteps_;
};

} // namespace ostrel::dev
