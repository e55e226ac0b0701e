#include "platform/sim/MachineState.hpp"

#include "core/foundation/FileDescriptor.hpp"
#include "platform/AtomicFile.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace ostrel {

namespace {

using json::DecodingError;
using json::ObjectReader;
using json::ObjectWriter;
using json::Value;

// ---- Enumerations as text ----

template <class Enum, std::size_t N>
std::string enumText(Enum value, const std::pair<Enum, const char*> (&names)[N]) {
    for (const auto& [candidate, name] : names) {
        if (candidate == value) {
            return name;
        }
    }
    throw json::EncodingError("enumeration value without a name");
}

template <class Enum, std::size_t N>
Enum enumFromText(const std::string& text, const std::pair<Enum, const char*> (&names)[N]) {
    for (const auto& [candidate, name] : names) {
        if (text == name) {
            return candidate;
        }
    }
    throw DecodingError("unknown value \"" + text + "\"");
}

constexpr std::pair<MachineState::LocationAuthorization, const char*> authorizationNames[] = {
    {MachineState::LocationAuthorization::notDetermined, "notDetermined"},
    {MachineState::LocationAuthorization::denied, "denied"},
    {MachineState::LocationAuthorization::whenInUse, "whenInUse"},
    {MachineState::LocationAuthorization::always, "always"},
};
constexpr std::pair<MachineState::PowerSource, const char*> powerSourceNames[] = {
    {MachineState::PowerSource::ac, "ac"},
    {MachineState::PowerSource::battery, "battery"},
    {MachineState::PowerSource::ups, "ups"},
};
constexpr std::pair<AudioTransport, const char*> audioTransportNames[] = {
    {AudioTransport::builtIn, "builtIn"},     {AudioTransport::airPlay, "airPlay"},
    {AudioTransport::bluetooth, "bluetooth"}, {AudioTransport::bluetoothLowEnergy, "bluetoothLE"},
    {AudioTransport::displayPort, "displayPort"}, {AudioTransport::aggregate, "aggregate"},
    {AudioTransport::hdmi, "hdmi"},           {AudioTransport::usb, "usb"},
    {AudioTransport::virtualDevice, "virtual"}, {AudioTransport::unknown, "unknown"},
};
constexpr std::pair<MachineState::Permission, const char*> permissionNames[] = {
    {MachineState::Permission::notDetermined, "notDetermined"},
    {MachineState::Permission::denied, "denied"},
    {MachineState::Permission::granted, "granted"},
};

constexpr std::pair<EventStatus, const char*> eventStatusNames[] = {
    {EventStatus::none, "none"},
    {EventStatus::confirmed, "confirmed"},
    {EventStatus::tentative, "tentative"},
    {EventStatus::cancelled, "cancelled"},
};
constexpr std::pair<Participation, const char*> participationNames[] = {
    {Participation::unknown, "unknown"},   {Participation::pending, "pending"},
    {Participation::accepted, "accepted"}, {Participation::declined, "declined"},
    {Participation::tentative, "tentative"},
};

// ---- Pieces without a record type of their own ----

Value attendeeToJSON(const EventAttendee& attendee) {
    return ObjectWriter()
        .set("name", attendee.name)
        .set("currentUser", attendee.currentUser)
        .set("participation", enumText(attendee.participation, participationNames))
        .done();
}

EventAttendee attendeeFromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.value<std::string>("name", ""), reader.value("currentUser", false),
            enumFromText(reader.value<std::string>("participation", "unknown"), participationNames)};
}

Value rectToJSON(const Rect& rect) {
    return ObjectWriter().set("x", rect.x).set("y", rect.y).set("width", rect.width).set("height", rect.height).done();
}

Rect rectFromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<double>("x"), reader.required<double>("y"), reader.required<double>("width"),
            reader.required<double>("height")};
}

const Value* member(const Value& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::optional<Rect> optionalRect(const Value& object, const char* key) {
    const Value* found = member(object, key);
    if (found == nullptr) {
        return std::nullopt;
    }
    try {
        return rectFromJSON(*found);
    } catch (const DecodingError& error) {
        throw DecodingError(std::string("\"") + key + "\": " + error.what());
    }
}

Value loginRecordToJSON(const LoginRecord& record) {
    return ObjectWriter()
        .set("type", record.type)
        .set("line", record.line)
        .set("user", record.user)
        .set("seconds", record.seconds)
        .set("microseconds", record.microseconds)
        .done();
}

LoginRecord loginRecordFromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<int>("type"), reader.value<std::string>("line", ""), reader.value<std::string>("user", ""),
            reader.required<std::int64_t>("seconds"), reader.value<std::int64_t>("microseconds", 0)};
}

template <class T>
std::vector<T> list(const ObjectReader& reader, std::string_view key) {
    return reader.value<std::vector<T>>(key, {});
}

} // namespace

// ---- Records ----

Value MachineState::Window::toJSON() const {
    ObjectWriter writer;
    writer.set("id", id).set("subrole", subrole).set("title", title).set("document", document).set("minimized", minimized);
    Value value = writer.done();
    if (frame) {
        value["frame"] = rectToJSON(*frame);
    }
    return value;
}

MachineState::Window MachineState::Window::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    Window window;
    window.id = reader.value<std::uint64_t>("id", 0); // installed apps' windows get theirs at launch
    window.subrole = reader.value<std::string>("subrole", accessibility::standardWindow);
    window.title = reader.optional<std::string>("title");
    window.document = reader.optional<std::string>("document");
    window.frame = optionalRect(value, "frame");
    window.minimized = reader.value("minimized", false);
    return window;
}

Value MachineState::App::toJSON() const {
    return ObjectWriter()
        .set("pid", pid)
        .set("bundleID", bundleID)
        .set("name", name)
        .set("path", path)
        .set("regular", regular)
        .set("hidden", hidden)
        .set("windows", windows)
        .set("focusedWindow", focusedWindow)
        .set("serial", serial)
        .set("refusesQuit", refusesQuit)
        .done();
}

MachineState::App MachineState::App::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    App app;
    app.pid = reader.required<int>("pid");
    app.bundleID = reader.optional<std::string>("bundleID");
    app.name = reader.optional<std::string>("name");
    app.path = reader.optional<std::string>("path");
    app.regular = reader.value("regular", true);
    app.hidden = reader.value("hidden", false);
    app.windows = list<Window>(reader, "windows");
    app.focusedWindow = reader.optional<std::uint64_t>("focusedWindow");
    app.serial = reader.value<std::uint64_t>("serial", 0);
    app.refusesQuit = reader.value("refusesQuit", false);
    return app;
}

Value MachineState::InstalledApp::toJSON() const {
    return ObjectWriter()
        .set("appID", appID)
        .set("name", name)
        .set("path", path)
        .set("regular", regular)
        .set("windows", windows)
        .set("launchDelay", launchDelay)
        .set("windowDelay", windowDelay)
        .set("refusesQuit", refusesQuit)
        .set("launchError", launchError)
        .done();
}

MachineState::InstalledApp MachineState::InstalledApp::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    InstalledApp app{reader.required<std::string>("appID"), reader.optional<std::string>("name"),
                     reader.optional<std::string>("path"), reader.value("regular", true), list<Window>(reader, "windows")};
    app.launchDelay = reader.value("launchDelay", 0.0);
    app.windowDelay = reader.value("windowDelay", 0.0);
    if (!std::isfinite(app.launchDelay) || !std::isfinite(app.windowDelay) || app.launchDelay < 0 || app.windowDelay < 0) {
        throw DecodingError("app \"" + app.appID + "\": a delay must be a finite number of seconds, 0 or more");
    }
    app.refusesQuit = reader.value("refusesQuit", false);
    app.launchError = reader.optional<std::string>("launchError");
    return app;
}

Value MachineState::OpenedURL::toJSON() const {
    return ObjectWriter().set("url", url).set("appID", appID).done();
}

MachineState::OpenedURL MachineState::OpenedURL::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<std::string>("url"), reader.optional<std::string>("appID")};
}

Value MachineState::Display::toJSON() const {
    Value value = ObjectWriter()
                      .set("id", id)
                      .set("name", name)
                      .set("scale", scale)
                      .set("builtIn", builtIn)
                      .set("number", number)
                      .set("uuid", uuid)
                      .done();
    value["frame"] = rectToJSON(frame);
    if (usableFrame) {
        value["usableFrame"] = rectToJSON(*usableFrame);
    }
    return value;
}

MachineState::Display MachineState::Display::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    Display display;
    display.id = reader.required<std::string>("id");
    display.name = reader.value<std::string>("name", "");
    display.frame = optionalRect(value, "frame").value_or(Rect{});
    display.usableFrame = optionalRect(value, "usableFrame");
    display.scale = reader.value("scale", 1.0);
    display.builtIn = reader.value("builtIn", false);
    display.number = reader.optional<std::uint32_t>("number");
    display.uuid = reader.optional<std::string>("uuid");
    return display;
}

Value MachineState::AudioDevice::toJSON() const {
    Value value = ObjectWriter()
                      .set("id", id)
                      .set("name", name)
                      .set("output", output)
                      .set("transport", enumText(transport, audioTransportNames))
                      .set("dataSource", dataSource)
                      .done();
    // Absent means the default control; a device without the control is written as null.
    value["volume"] = volume ? Value(*volume) : Value(nullptr);
    value["muted"] = muted ? Value(*muted) : Value(nullptr);
    return value;
}

MachineState::AudioDevice MachineState::AudioDevice::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    AudioDevice device;
    device.id = reader.required<std::string>("id");
    device.name = reader.value<std::string>("name", "");
    device.output = reader.value("output", true);
    device.transport = enumFromText(reader.value<std::string>("transport", "builtIn"), audioTransportNames);
    device.dataSource = reader.optional<std::string>("dataSource");
    // volume and muted: a missing key keeps the default control; null says the device has none.
    if (value.contains("volume")) {
        device.volume = reader.optional<double>("volume");
    }
    if (value.contains("muted")) {
        device.muted = reader.optional<bool>("muted");
    }
    return device;
}

Value MachineState::Location::toJSON() const {
    return ObjectWriter().set("latitude", latitude).set("longitude", longitude).set("accuracy", accuracy).done();
}

MachineState::Location MachineState::Location::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<double>("latitude"), reader.required<double>("longitude"), reader.value("accuracy", 0.0)};
}

Value MachineState::Power::toJSON() const {
    return ObjectWriter()
        .set("source", enumText(source, powerSourceNames))
        .set("percent", percent)
        .set("charging", charging)
        .set("maxCapacity", maxCapacity)
        .done();
}

MachineState::Power MachineState::Power::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {enumFromText(reader.value<std::string>("source", "ac"), powerSourceNames),
            reader.optional<double>("percent"), reader.value("charging", false),
            reader.value<std::int64_t>("maxCapacity", 100)};
}

Value MachineState::Calendar::toJSON() const {
    return ObjectWriter().set("id", id).set("title", title).done();
}

MachineState::Calendar MachineState::Calendar::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<std::string>("id"), reader.value<std::string>("title", "")};
}

Value MachineState::CalendarEvent::toJSON() const {
    Value value = ObjectWriter()
        .set("id", id)
        .set("calendarID", calendarID)
        .set("title", title)
        .set("start", start)
        .set("end", end)
        .set("allDay", allDay)
        .set("location", location)
        .set("notes", notes)
        .set("url", url)
        .set("externalID", externalID)
        .set("status", enumText(status, eventStatusNames))
        .set("occurrence", occurrence)
        .set("recurring", recurring)
        .set("detached", detached)
        .done();
    Value list = Value::array();
    for (const EventAttendee& attendee : attendees) {
        list.push_back(attendeeToJSON(attendee));
    }
    value["attendees"] = std::move(list);
    // A missing time must survive a round trip as missing, not as the default 0.
    value["start"] = start ? Value(*start) : Value(nullptr);
    value["end"] = end ? Value(*end) : Value(nullptr);
    return value;
}

MachineState::CalendarEvent MachineState::CalendarEvent::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    CalendarEvent event;
    event.id = reader.required<std::string>("id");
    event.calendarID = reader.value<std::string>("calendarID", "");
    event.title = reader.value<std::string>("title", "");
    // Both times are required keys; null says the entry lacks one.
    for (const char* key : {"start", "end"}) {
        if (!value.contains(key)) {
            throw DecodingError(std::string("\"") + key + "\": missing");
        }
    }
    event.start = reader.optional<double>("start");
    event.end = reader.optional<double>("end");
    event.allDay = reader.value("allDay", false);
    event.location = reader.optional<std::string>("location");
    event.notes = reader.optional<std::string>("notes");
    event.url = reader.optional<std::string>("url");
    event.externalID = reader.optional<std::string>("externalID");
    event.status = enumFromText(reader.value<std::string>("status", "confirmed"), eventStatusNames);
    event.occurrence = reader.optional<double>("occurrence");
    event.recurring = reader.value("recurring", false);
    event.detached = reader.value("detached", false);
    if (const Value* attendees = member(value, "attendees")) {
        if (!attendees->is_array()) {
            throw DecodingError("\"attendees\": expected an array");
        }
        for (const Value& attendee : *attendees) {
            event.attendees.push_back(attendeeFromJSON(attendee));
        }
    }
    return event;
}

Value MachineState::KeychainItem::toJSON() const {
    return ObjectWriter().set("service", service).set("account", account).set("secret", secret).done();
}

MachineState::KeychainItem MachineState::KeychainItem::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<std::string>("service"), reader.value<std::string>("account", ""),
            reader.required<std::string>("secret")};
}

Value MachineState::BrowserTab::toJSON() const {
    return ObjectWriter().set("url", url).set("title", title).set("privateWindow", privateWindow).done();
}

MachineState::BrowserTab MachineState::BrowserTab::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    return {reader.required<std::string>("url"), reader.optional<std::string>("title"),
            reader.value("privateWindow", false)};
}

Value MachineState::Automation::toJSON() const {
    return ObjectWriter()
        .set("permission", enumText(permission, permissionNames))
        .set("answer", enumText(answer, permissionNames))
        .set("scriptError", scriptError)
        .done();
}

MachineState::Automation MachineState::Automation::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    Automation automation;
    automation.permission = enumFromText(reader.value<std::string>("permission", "notDetermined"), permissionNames);
    automation.answer = enumFromText(reader.value<std::string>("answer", "granted"), permissionNames);
    automation.scriptError = reader.optional<int>("scriptError");
    return automation;
}

// ---- The whole state ----

MachineState MachineState::withOwnApp() {
    MachineState state;
    App own;
    own.pid = state.ownPid;
    own.bundleID = "org.ostrel.Ostrel";
    own.name = "Ostrel";
    own.path = "/usr/bin/ostrel";
    state.apps.push_back(own);
    return state;
}

MachineState::App* MachineState::findApp(int pid) {
    return const_cast<App*>(std::as_const(*this).findApp(pid));
}

const MachineState::App* MachineState::findApp(int pid) const {
    const auto found = std::ranges::find(apps, pid, &App::pid);
    return found == apps.end() ? nullptr : &*found;
}

const MachineState::App* MachineState::findAppByID(const std::string& bundleID) const {
    const auto found = std::ranges::find(apps, std::optional(bundleID), &App::bundleID);
    return found == apps.end() ? nullptr : &*found;
}

MachineState::Window* MachineState::findWindow(WindowElement element) {
    return const_cast<Window*>(std::as_const(*this).findWindow(element));
}

const MachineState::Window* MachineState::findWindow(WindowElement element) const {
    const App* app = findApp(element.pid);
    if (app == nullptr || element.isApplication()) {
        return nullptr;
    }
    const auto found = std::ranges::find(app->windows, element.id, &Window::id);
    return found == app->windows.end() ? nullptr : &*found;
}

const MachineState::InstalledApp* MachineState::findInstalled(const std::string& appID) const {
    const auto found = std::ranges::find(installed, appID, &InstalledApp::appID);
    return found == installed.end() ? nullptr : &*found;
}

Value MachineState::toJSON() const {
    Value value = ObjectWriter()
                      .set("apps", apps)
                      .set("installed", installed)
                      .set("frontPid", frontPid)
                      .set("ownPid", ownPid)
                      .set("nextPid", nextPid)
                      .set("nextWindowID", nextWindowID)
                      .set("nextSerial", nextSerial)
                      .set("defaultHandlers", defaultHandlers)
                      .set("documentHandlers", documentHandlers)
                      .set("documents", documents)
                      .set("openedURLs", openedURLs)
                      .set("locked", locked)
                      .set("asleep", asleep)
                      .set("wakeLocks", wakeLocks)
                      .set("trusted", trusted)
                      .set("messagingTimeout", messagingTimeout)
                      .set("userName", userName)
                      .set("uptime", uptime)
                      .set("unavailable", unavailable)
                      .set("displays", displays)
                      .set("mainDisplay", mainDisplay)
                      .set("displayKeptAwake", displayKeptAwake)
                      .set("audioDevices", audioDevices)
                      .set("defaultOutput", defaultOutput)
                      .set("wifiNetwork", wifiNetwork)
                      .set("location", location)
                      .set("locationAuthorization", enumText(locationAuthorization, authorizationNames))
                      .set("power", power)
                      .set("calendars", calendars)
                      .set("events", events)
                      .set("loginItems", loginItems)
                      .set("keychain", keychain)
                      .set("frontTabs", frontTabs)
                      .set("automation", automation)
                      .set("shortcuts", shortcuts)
                      .set("reduceMotion", reduceMotion)
                      .done();
    Value records = Value::array();
    for (const LoginRecord& record : loginRecords) {
        records.push_back(loginRecordToJSON(record));
    }
    value["loginRecords"] = std::move(records);
    // Absent means the default (0 s); the "cannot tell" state must be written as null.
    value["idleSeconds"] = idleSeconds ? Value(*idleSeconds) : Value(nullptr);
    Value permissionValues = Value::object();
    for (const auto& [name, permission] : permissions) {
        permissionValues[name] = enumText(permission, permissionNames);
    }
    value["permissions"] = std::move(permissionValues);
    value["calendarAnswer"] = enumText(calendarAnswer, permissionNames);
    return value;
}

MachineState MachineState::fromJSON(const Value& value) {
    const ObjectReader reader(value);
    MachineState state;
    state.apps = list<App>(reader, "apps");
    state.installed = list<InstalledApp>(reader, "installed");
    state.frontPid = reader.optional<int>("frontPid");
    state.ownPid = reader.value("ownPid", state.ownPid);
    state.nextPid = reader.value("nextPid", state.nextPid);
    state.nextWindowID = reader.value<std::uint64_t>("nextWindowID", state.nextWindowID);
    state.nextSerial = reader.value<std::uint64_t>("nextSerial", state.nextSerial);
    state.defaultHandlers = reader.value<std::map<std::string, std::string>>("defaultHandlers", {});
    state.documentHandlers = reader.value<std::map<std::string, std::string>>("documentHandlers", {});
    state.documents = list<std::string>(reader, "documents");
    state.openedURLs = list<OpenedURL>(reader, "openedURLs");
    state.locked = reader.value("locked", false);
    state.asleep = reader.value("asleep", false);
    // idleSeconds: a missing key keeps the default (the user is here); null says the system
    // cannot tell.
    if (value.contains("idleSeconds")) {
        state.idleSeconds = reader.optional<double>("idleSeconds");
    }
    state.wakeLocks = list<std::string>(reader, "wakeLocks");
    state.trusted = reader.value("trusted", true);
    state.messagingTimeout = reader.optional<double>("messagingTimeout");
    state.userName = reader.value<std::string>("userName", state.userName);
    state.uptime = reader.value("uptime", state.uptime);
    state.unavailable = reader.value<std::map<std::string, std::string>>("unavailable", {});
    state.displays = list<Display>(reader, "displays");
    state.mainDisplay = reader.optional<std::string>("mainDisplay");
    state.displayKeptAwake = reader.value("displayKeptAwake", false);
    state.audioDevices = list<AudioDevice>(reader, "audioDevices");
    state.defaultOutput = reader.optional<std::string>("defaultOutput");
    state.wifiNetwork = reader.optional<std::string>("wifiNetwork");
    state.location = reader.optional<Location>("location");
    state.locationAuthorization =
        enumFromText(reader.value<std::string>("locationAuthorization", "notDetermined"), authorizationNames);
    state.power = reader.value<Power>("power", {});
    state.calendars = list<Calendar>(reader, "calendars");
    state.events = list<CalendarEvent>(reader, "events");
    state.loginItems = list<std::string>(reader, "loginItems");
    state.keychain = list<KeychainItem>(reader, "keychain");
    state.frontTabs = reader.value<std::map<std::string, BrowserTab>>("frontTabs", {});
    state.automation = reader.value<std::map<std::string, Automation>>("automation", {});
    state.shortcuts = list<std::string>(reader, "shortcuts");
    state.reduceMotion = reader.value("reduceMotion", false);
    if (const Value* records = member(value, "loginRecords")) {
        if (!records->is_array()) {
            throw DecodingError("\"loginRecords\": expected an array");
        }
        for (const Value& record : *records) {
            state.loginRecords.push_back(loginRecordFromJSON(record));
        }
    }
    for (const auto& [name, text] : reader.value<std::map<std::string, std::string>>("permissions", {})) {
        state.permissions[name] = enumFromText(text, permissionNames);
    }
    state.calendarAnswer = enumFromText(reader.value<std::string>("calendarAnswer", "granted"), permissionNames);

    // A state the machine could not have reached would make its notices lie.
    std::set<int> pids;
    std::set<std::uint64_t> windowIDs;
    for (const App& app : state.apps) {
        if (!pids.insert(app.pid).second) {
            throw DecodingError("two running apps with pid " + std::to_string(app.pid));
        }
        for (const Window& window : app.windows) {
            if (window.id == 0) {
                throw DecodingError("a window of pid " + std::to_string(app.pid) +
                                    " has id 0, the application's own element");
            }
            if (!windowIDs.insert(window.id).second) {
                throw DecodingError("two windows with id " + std::to_string(window.id));
            }
        }
        if (app.focusedWindow && std::ranges::find(app.windows, *app.focusedWindow, &Window::id) == app.windows.end()) {
            throw DecodingError("app " + std::to_string(app.pid) + " focuses window " +
                                std::to_string(*app.focusedWindow) + " that it does not have");
        }
    }
    if (state.frontPid && !pids.contains(*state.frontPid)) {
        throw DecodingError("front pid " + std::to_string(*state.frontPid) + " is not running");
    }
    // New pids and window ids never reuse one in the file.
    if (!pids.empty()) {
        state.nextPid = std::max(state.nextPid, *pids.rbegin() + 1);
    }
    for (const App& app : state.apps) {
        state.nextSerial = std::max(state.nextSerial, app.serial + 1);
    }
    if (!windowIDs.empty()) {
        state.nextWindowID = std::max(state.nextWindowID, *windowIDs.rbegin() + 1);
    }
    return state;
}

void MachineState::save(const std::filesystem::path& path) const {
    const std::string text = json::encode(toJSON(), {.pretty = true}) + "\n";
    try {
        writeFileAtomically(path, text, 0600);
    } catch (const AtomicFileError& failure) {
        throw MachineStateError("cannot " + failure.step() + " " + path.string() + ": " + std::strerror(failure.error()));
    }
}

MachineState MachineState::load(const std::filesystem::path& path) {
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        throw MachineStateError("cannot read " + path.string());
    }
    std::ostringstream text;
    text << input.rdbuf();
    if (input.bad()) {
        throw MachineStateError("cannot read " + path.string());
    }
    return fromJSON(json::parse(text.str()));
}

} // namespace ostrel
