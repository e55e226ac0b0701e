#pragma once

#include "core/foundation/Date.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Rect.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/EventStore.hpp"
#include "platform/LoginRecords.hpp"
#include "platform/WindowAccessibility.hpp"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {

// A state file that cannot be read or written.
class MachineStateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole state of a simulated machine as plain data: what runs, its windows, the session, and
// the facts later sources read (displays, audio, network, place, power, calendars, secrets,
// permissions, browser tabs). A value: copy it, compare it, save it and load it. It emits nothing
// and checks nothing beyond what load() refuses; SimulatedMachine changes it the way a real
// system would and sends the notices.
//
// The format on disk is described in src/platform/sim/README.md.
struct MachineState {
    struct Window {
        std::uint64_t id = 0;
        std::string subrole = accessibility::standardWindow;
        std::optional<std::string> title;
        std::optional<std::string> document;
        std::optional<Rect> frame;
        bool minimized = false;

        friend bool operator==(const Window&, const Window&) = default;
        json::Value toJSON() const;
        static Window fromJSON(const json::Value& value);
    };

    struct App {
        int pid = 0;
        std::optional<std::string> bundleID;
        std::optional<std::string> name;
        std::optional<std::string> path;
        bool regular = true;
        bool hidden = false;
        std::vector<Window> windows; // front to back
        std::optional<std::uint64_t> focusedWindow;
        // Tells this start of the app from a later one that got the same pid; 0 for apps the
        // state began with.
        std::uint64_t serial = 0;
        bool refusesQuit = false; // answers a polite quit with "no"

        friend bool operator==(const App&, const App&) = default;
        json::Value toJSON() const;
        static App fromJSON(const json::Value& value);
    };

    // An app that can be launched, with the windows it opens when it starts (their ids are given
    // at launch).
    struct InstalledApp {
        std::string appID;
        std::optional<std::string> name;
        std::optional<std::string> path;
        bool regular = true;
        std::vector<Window> windows;
        // Seconds from the launch request until the app runs (its completion is told then), and
        // from then until its windows show: a window that shows late makes placement retry.
        double launchDelay = 0;
        double windowDelay = 0;
        bool refusesQuit = false;
        std::optional<std::string> launchError; // every launch fails late with this text

        friend bool operator==(const InstalledApp&, const InstalledApp&) = default;
        json::Value toJSON() const;
        static InstalledApp fromJSON(const json::Value& value);
    };

    struct OpenedURL {
        std::string url;
        std::optional<std::string> appID; // the app that opened it

        friend bool operator==(const OpenedURL&, const OpenedURL&) = default;
        json::Value toJSON() const;
        static OpenedURL fromJSON(const json::Value& value);
    };

    struct Display {
        std::string id; // the connector ("eDP-1"), how the machine's operations name it
        std::string name;
        Rect frame; // bottom-left origin of the main screen, y growing upward
        double scale = 1;
        bool builtIn = false;
        std::optional<std::uint32_t> number; // the system's display id; absent: the system gives none
        std::optional<std::string> uuid;
        // What windows may use (without panels and docks), in frame's space; absent: all of frame.
        std::optional<Rect> usableFrame;

        friend bool operator==(const Display&, const Display&) = default;
        json::Value toJSON() const;
        static Display fromJSON(const json::Value& value);
    };

    struct AudioDevice {
        std::string id; // also its unique id
        std::string name;
        bool output = true;
        AudioTransport transport = AudioTransport::builtIn;
        // Four characters, as the system codes a source ("ispk" internal speakers, "hdpn"
        // headphones); absent when the device has no source selector.
        std::optional<std::string> dataSource;
        // Absent when the device has no such control.
        std::optional<double> volume = 0.5; // 0...1
        std::optional<bool> muted = false;

        friend bool operator==(const AudioDevice&, const AudioDevice&) = default;
        json::Value toJSON() const;
        static AudioDevice fromJSON(const json::Value& value);
    };

    enum class LocationAuthorization { notDetermined, denied, whenInUse, always };
    struct Location {
        double latitude = 0;
        double longitude = 0;
        double accuracy = 0; // metres

        friend bool operator==(const Location&, const Location&) = default;
        json::Value toJSON() const;
        static Location fromJSON(const json::Value& value);
    };

    enum class PowerSource { ac, battery, ups };
    struct Power {
        PowerSource source = PowerSource::ac;
        // The internal battery's current capacity in units of maxCapacity (with the default 100, a
        // percentage); absent without a battery. Not clamped: a confused gauge may report more
        // than maxCapacity or less than 0.
        std::optional<double> percent;
        bool charging = false;
        std::int64_t maxCapacity = 100;

        friend bool operator==(const Power&, const Power&) = default;
        json::Value toJSON() const;
        static Power fromJSON(const json::Value& value);
    };

    struct Calendar {
        std::string id;
        std::string title;

        friend bool operator==(const Calendar&, const Calendar&) = default;
        json::Value toJSON() const;
        static Calendar fromJSON(const json::Value& value);
    };

    // One occurrence as the event store gives it. A calendarID that names no calendar leaves the
    // event without one; start or end may be missing, as in a damaged entry.
    struct CalendarEvent {
        std::string id;
        std::string calendarID;
        std::string title;
        std::optional<Date> start = 0.0;
        std::optional<Date> end = 0.0;
        bool allDay = false;
        std::optional<std::string> location;
        std::optional<std::string> notes;
        std::optional<std::string> url;
        std::optional<std::string> externalID;
        EventStatus status = EventStatus::confirmed;
        std::vector<EventAttendee> attendees;
        std::optional<Date> occurrence; // absent: the store gives none
        bool recurring = false;         // the event has recurrence rules
        bool detached = false;          // an occurrence of a series changed on its own

        friend bool operator==(const CalendarEvent&, const CalendarEvent&) = default;
        json::Value toJSON() const;
        static CalendarEvent fromJSON(const json::Value& value);
    };

    struct KeychainItem {
        std::string service;
        std::string account;
        std::string secret;

        friend bool operator==(const KeychainItem&, const KeychainItem&) = default;
        json::Value toJSON() const;
        static KeychainItem fromJSON(const json::Value& value);
    };

    enum class Permission { notDetermined, denied, granted };

    // A browser's front window as its script sees it. A private window is one the Chromium
    // family's script reports as "private" and the Safari family's script cannot see at all.
    struct BrowserTab {
        std::string url;
        std::optional<std::string> title; // the window's name, which is the page's title
        bool privateWindow = false;

        friend bool operator==(const BrowserTab&, const BrowserTab&) = default;
        json::Value toJSON() const;
        static BrowserTab fromJSON(const json::Value& value);
    };

    // Whether this application may script a browser, and what the user answers when asked.
    // scriptError, when set, fails every script run against the browser with that number.
    struct Automation {
        Permission permission = Permission::notDetermined;
        Permission answer = Permission::granted;
        std::optional<int> scriptError;

        friend bool operator==(const Automation&, const Automation&) = default;
        json::Value toJSON() const;
        static Automation fromJSON(const json::Value& value);
    };

    // ---- Apps and windows ----
    // Running apps in launch order. This process is among them (ownPid), as a regular app, so
    // that sources are seen to skip it.
    std::vector<App> apps;
    std::vector<InstalledApp> installed;
    std::optional<int> frontPid;
    int ownPid = 1000;
    int nextPid = 2000;
    std::uint64_t nextWindowID = 1;
    std::uint64_t nextSerial = 1;
    std::map<std::string, std::string> defaultHandlers; // scheme → app id
    // Document types: lower-case file extension without the dot ("pdf") → the app id that opens
    // it. A type without an entry has no handler.
    std::map<std::string, std::string> documentHandlers;
    std::vector<std::string> documents; // paths of the files that exist on the machine
    std::vector<OpenedURL> openedURLs;                  // every page or document opened, in order

    // ---- Session ----
    bool locked = false;
    bool asleep = false;
    std::optional<double> idleSeconds = 0.0;
    std::vector<std::string> wakeLocks; // reasons of the held keep-awake requests
    bool displayKeptAwake = false;      // another process keeps the display on (a video)
    bool trusted = true;                // accessibility permission
    std::optional<double> messagingTimeout;
    std::vector<LoginRecord> loginRecords;
    std::string userName = "student";
    double uptime = 3600; // used when no virtual time drives the machine

    // Roles that answer "not available", with the reason: "workspace", "session", "activity",
    // "accessibility", "logins", "displays", "power".
    std::map<std::string, std::string> unavailable;

    // ---- Data for later sources ----
    std::vector<Display> displays; // in the system's order
    std::optional<std::string> mainDisplay; // id of the main display; absent or unknown: the first
    std::vector<AudioDevice> audioDevices;
    std::optional<std::string> defaultOutput; // id of an audio device
    std::optional<std::string> wifiNetwork;
    std::optional<Location> location;
    LocationAuthorization locationAuthorization = LocationAuthorization::notDetermined;
    Power power;
    std::vector<Calendar> calendars;
    std::vector<CalendarEvent> events;
    std::vector<std::string> loginItems;               // app ids started at login
    std::vector<KeychainItem> keychain;
    std::map<std::string, Permission> permissions;      // "calendar", "screenCapture", ...
    Permission calendarAnswer = Permission::granted;    // what the user answers when asked for calendars
    std::map<std::string, BrowserTab> frontTabs;        // browser app id → its front tab; none: no window
    std::map<std::string, Automation> automation;       // browser app id → scripting permission
    // The user's shortcuts, in the order the shortcuts tool lists them.
    std::vector<std::string> shortcuts;
    // ---- Appearance ----
    bool reduceMotion = false; // the user asked for less motion

    friend bool operator==(const MachineState&, const MachineState&) = default;

    // A machine with only this process running, unlocked, awake, trusted.
    static MachineState withOwnApp();

    App* findApp(int pid);
    const App* findApp(int pid) const;
    const App* findAppByID(const std::string& bundleID) const;
    Window* findWindow(WindowElement element);
    const Window* findWindow(WindowElement element) const;
    const InstalledApp* findInstalled(const std::string& appID) const;

    // Throws json::DecodingError for a malformed document or an inconsistent one (two apps with
    // one pid, two windows with one id, a front or focused window that is not there).
    json::Value toJSON() const;
    static MachineState fromJSON(const json::Value& value);

    // Writes the pretty JSON to a temporary file beside path and renames it over path, so a
    // reader sees the old state or the new one, never a part. Throws MachineStateError.
    void save(const std::filesystem::path& path) const;
    // Throws MachineStateError when the file cannot be read, json::DecodingError when it does
    // not decode.
    static MachineState load(const std::filesystem::path& path);
};

} // namespace ostrel
