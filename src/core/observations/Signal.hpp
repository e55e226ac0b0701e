#pragma once

#include <compare>
#include <functional>
#include <string>

namespace ostrel {

// The kind of an observation. Any text makes a signal, so a stored observation with a name this
// version does not know still reads back; the named ones below are the values of the `signal`
// column and never change.
struct Signal {
    std::string rawValue;

    Signal() = default;
    explicit Signal(std::string rawValue) : rawValue(std::move(rawValue)) {}

    const std::string& description() const { return rawValue; }

    friend bool operator==(const Signal&, const Signal&) = default;
    friend auto operator<=>(const Signal&, const Signal&) = default;

    // The named signals. They are initialised at start-up like any global: read them from
    // functions, not from another global's initialiser.

    static const Signal quevStart;
    static const Signal appLaunch;
    static const Signal appActivate;
    static const Signal appHide;
    static const Signal appUnhide;
    static const Signal appQuit;
    static const Signal appsRunning;
    static const Signal userIdle;
    static const Signal userActive;
    static const Signal wake;
    static const Signal sleep;
    static const Signal lock;
    static const Signal unlock;
    static const Signal displays;
    static const Signal audio;
    static const Signal audioDevices;
    static const Signal wifi;
    static const Signal location;
    static const Signal power;
    static const Signal eventStart;
    static const Signal windowFocus;
    static const Signal windowOpen;
    static const Signal windowClose;
    static const Signal windowFrame;
    static const Signal windowMinimize;
    static const Signal windowUnminimize;
    static const Signal windowChange;
    static const Signal windows;
    static const Signal quevRun;
    static const Signal quevUndo;
    static const Signal quevTidy;
    static const Signal quevAnswer;
    static const Signal browserTab;
};

inline const Signal Signal::quevStart{"quev.start"};
inline const Signal Signal::appLaunch{"app.launch"};
inline const Signal Signal::appActivate{"app.activate"};
inline const Signal Signal::appHide{"app.hide"};
inline const Signal Signal::appUnhide{"app.unhide"};
inline const Signal Signal::appQuit{"app.quit"};
inline const Signal Signal::appsRunning{"apps.running"};
inline const Signal Signal::userIdle{"user.idle"};
inline const Signal Signal::userActive{"user.active"};
inline const Signal Signal::wake{"system.wake"};
inline const Signal Signal::sleep{"system.sleep"};
inline const Signal Signal::lock{"screen.lock"};
inline const Signal Signal::unlock{"screen.unlock"};
inline const Signal Signal::displays{"displays"};
inline const Signal Signal::audio{"audio"};
inline const Signal Signal::audioDevices{"audio.devices"};
inline const Signal Signal::wifi{"wifi"};
inline const Signal Signal::location{"location"};
inline const Signal Signal::power{"power"};
inline const Signal Signal::eventStart{"calendar.event_start"};
inline const Signal Signal::windowFocus{"window.focus"};
inline const Signal Signal::windowOpen{"window.open"};
inline const Signal Signal::windowClose{"window.close"};
inline const Signal Signal::windowFrame{"window.frame"};
inline const Signal Signal::windowMinimize{"window.minimize"};
inline const Signal Signal::windowUnminimize{"window.unminimize"};
inline const Signal Signal::windowChange{"window.change"};
inline const Signal Signal::windows{"windows"};
inline const Signal Signal::quevRun{"quev.run"};
inline const Signal Signal::quevUndo{"quev.undo"};
inline const Signal Signal::quevTidy{"quev.tidy"};
inline const Signal Signal::quevAnswer{"quev.answer"};
inline const Signal Signal::browserTab{"browser.tab"};

} // namespace ostrel

template <>
struct std::hash<ostrel::Signal> {
    std::size_t operator()(const ostrel::Signal& signal) const noexcept {
        return std::hash<std::string>()(signal.rawValue);
    }
};
