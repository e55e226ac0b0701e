#include "MachineScript.hpp"

#include "platform/OperationError.hpp"

#include <set>
#include <sstream>

namespace ostrel::dev {

namespace {

// Each step's required fields and their JSON types; optional fields are checked when played.

const std::map<std::string, std::vector<const char*>>& requiredFields() {
    static const std::map<std::string, std::vector<const char*>> table{
        {"launch", {"app"}},
        {"launchHidden", {"app"}},
        {"activate", {"app"}},
        {"hide", {"app"}},
        {"unhide", {"app"}},
        {"quit", {"app"}},
        {"openWindow", {"app"}},
        {"closeWindow", {"window"}},
        {"focusWindow", {"window"}},
        {"minimizeWindow", {"window"}},
        {"unminimizeWindow", {"window"}},
        {"moveWindow", {"window", "x", "y"}},
        {"resizeWindow", {"window", "width", "height"}},
        {"retitleWindow", {"window"}},
        {"changeDocument", {"window"}},
        {"sleep", {"seconds"}},
        {"lock", {}},
        {"unlock", {}},
        {"setIdle", {}},
        {"setTrusted", {"trusted"}},
        {"joinWiFi", {"network"}},
        {"leaveWiFi", {}},
        {"setLocationAuthorization", {"status"}},
        {"moveTo", {}},
        {"queueLocationFixes", {"fixes"}},
        {"failNextLocation", {}},
        {"connectDisplay", {"display"}},
        {"disconnectDisplay", {"id"}},
        {"setMainDisplay", {"id"}},
        {"addAudioDevice", {"device"}},
        {"removeAudioDevice", {"id"}},
        {"setDefaultOutput", {}},
        {"setVolume", {"volume"}},
        {"setMuted", {"muted"}},
        {"setPower", {"power"}},
        {"setDataSource", {"id", "source"}},
        {"setDisplayKeptAwake", {"awake"}},
        {"showTab", {"app", "url"}},
        {"closeTabs", {"app"}},
        {"setAutomation", {"app", "permission"}},
        {"setCalendarAccess", {"status"}},
        {"setCalendarAnswer", {"status"}},
        {"requestCalendarAccess", {}},
        {"addCalendar", {"calendar"}},
        {"addCalendarEvent", {"event"}},
        {"changeCalendarEvent", {"event"}},
        {"removeCalendarEvent", {"id"}},
        {"calendarChanged", {}},
    };
    return table;
}

const std::set<std::string> numberFields{"x", "y", "width", "height", "seconds", "volume"};
const std::set<std::string> textFields{"app",     "window",     "as",     "title", "document",
                                       "subrole", "network",    "status", "id",    "source",
                                       "url",     "permission", "answer", "error"};

MachineState::LocationAuthorization authorization(const std::string& status) {
    using Status = MachineState::LocationAuthorization;
    static const std::map<std::string, Status> names{{"notDetermined", Status::notDetermined},
                                                     {"denied", Status::denied},
                                                     {"whenInUse", Status::whenInUse},
                                                     {"always", Status::always}};
    const auto found = names.find(status);
    if (found == names.end()) {
        throw json::DecodingError("\"status\" must be notDetermined, denied, whenInUse or always");
    }
    return found->second;
}

// A browser's scripting permission, or the user's answer when asked (key names the field).
MachineState::Permission permission(const std::string& text, const char* key) {
    using Permission = MachineState::Permission;
    static const std::map<std::string, Permission> names{{"notDetermined", Permission::notDetermined},
                                                         {"denied", Permission::denied},
                                                         {"granted", Permission::granted}};
    const auto found = names.find(text);
    if (found == names.end()) {
        throw json::DecodingError("\"" + std::string(key) + "\" must be notDetermined, denied or granted");
    }
    return found->second;
}

MachineState::Automation automation(const json::Value& fields) {
    MachineState::Automation made;
    made.permission = permission(fields.at("permission").get<std::string>(), "permission");
    if (fields.contains("answer") && !fields.at("answer").is_null()) {
        made.answer = permission(fields.at("answer").get<std::string>(), "answer");
    }
    if (fields.contains("scriptError") && !fields.at("scriptError").is_null()) {
        made.scriptError = fields.at("scriptError").get<int>();
    }
    return made;
}

// The readings of a queueLocationFixes step, oldest first: each in the state file's location form,
// dated by its "time" (milliseconds since 1970) or else by the step's own time.
std::vector<LocationFix> locationFixes(const MachineScript::Step& step) {
    const json::Value& list = step.fields.at("fixes");
    if (!list.is_array() || list.empty()) {
        throw json::DecodingError("\"fixes\" must be a list of one or more locations");
    }
    std::vector<LocationFix> fixes;
    for (const json::Value& item : list) {
        const MachineState::Location location = MachineState::Location::fromJSON(item);
        std::int64_t time = step.at;
        if (item.contains("time") && !item.at("time").is_null()) {
            if (!item.at("time").is_number_integer()) {
                throw json::DecodingError("a fix's \"time\" must be milliseconds since 1970, an integer");
            }
            time = item.at("time").get<std::int64_t>();
        }
        fixes.push_back({location.latitude, location.longitude, location.accuracy, static_cast<Date>(time) / 1000.0});
    }
    return fixes;
}

std::optional<std::string> optionalText(const json::Value& fields, const char* key) {
    if (!fields.contains(key) || fields.at(key).is_null()) {
        return std::nullopt;
    }
    return fields.at(key).get<std::string>();
}

} // namespace

MachineScript MachineScript::parse(const std::string& text, const CallerSteps& callerSteps) {
    MachineScript script;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    while (std::getline(lines, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        json::Value value;
        try {
            value = json::parse(line);
        } catch (const json::DecodingError& error) {
            throw Error(number, error.what());
        }
        if (!value.is_object()) {
            throw Error(number, "a step is a JSON object");
        }
        if (!value.contains("at") || !value.at("at").is_number_integer()) {
            throw Error(number, "\"at\" must be milliseconds since 1970, an integer");
        }
        if (!value.contains("step") || !value.at("step").is_string()) {
            throw Error(number, "\"step\" must name a step");
        }
        Step step{number, value.at("at").get<std::int64_t>(), value.at("step").get<std::string>(), value};
        if (const auto own = callerSteps.find(step.name); own != callerSteps.end()) {
            try {
                own->second(value);
            } catch (const std::exception& error) {
                throw Error(number, error.what());
            }
            if (step.at < last) {
                throw Error(number, "\"at\" goes back in time");
            }
            last = step.at;
            script.callerSteps_.insert(step.name);
            script.steps_.push_back(std::move(step));
            continue;
        }
        const auto shape = requiredFields().find(step.name);
        if (shape == requiredFields().end()) {
            throw Error(number, "unknown step \"" + step.name + "\"");
        }
        for (const char* field : shape->second) {
            if (!value.contains(field) || value.at(field).is_null()) {
                throw Error(number, step.name + " needs \"" + field + "\"");
            }
        }
        for (const auto& [key, field] : value.items()) {
            if (field.is_null()) {
                continue;
            }
            if (numberFields.count(key) != 0 && !field.is_number()) {
                throw Error(number, "\"" + key + "\" must be a number");
            }
            if (textFields.count(key) != 0 && !field.is_string()) {
                throw Error(number, "\"" + key + "\" must be text");
            }
        }
        for (const char* flag : {"trusted", "muted", "awake", "private"}) {
            if (value.contains(flag) && !value.at(flag).is_boolean()) {
                throw Error(number, std::string("\"") + flag + "\" must be true or false");
            }
        }
        if (value.contains("scriptError") && !value.at("scriptError").is_null()) {
            const auto& error = value.at("scriptError");
            if (!error.is_number_integer() || error.get<std::int64_t>() < std::numeric_limits<int>::min() ||
                error.get<std::int64_t>() > std::numeric_limits<int>::max()) {
                throw Error(number, "\"scriptError\" must be an error number, an integer");
            }
        }
        // The machine's own forms, as in the state file, are checked by decoding them now.
        try {
            if (step.name == "connectDisplay") {
                MachineState::Display::fromJSON(value.at("display"));
            } else if (step.name == "addAudioDevice") {
                MachineState::AudioDevice::fromJSON(value.at("device"));
            } else if (step.name == "setPower") {
                MachineState::Power::fromJSON(value.at("power"));
            } else if (step.name == "moveTo" && value.contains("location") &&
                       !value.at("location").is_null()) {
                MachineState::Location::fromJSON(value.at("location"));
            } else if (step.name == "setLocationAuthorization") {
                authorization(value.at("status").get<std::string>());
            } else if (step.name == "queueLocationFixes") {
                locationFixes(step);
            } else if (step.name == "setAutomation") {
                automation(value);
            } else if (step.name == "setCalendarAccess" || step.name == "setCalendarAnswer") {
                permission(value.at("status").get<std::string>(), "status");
            } else if (step.name == "addCalendar") {
                MachineState::Calendar::fromJSON(value.at("calendar"));
            } else if (step.name == "addCalendarEvent" || step.name == "changeCalendarEvent") {
                MachineState::CalendarEvent::fromJSON(value.at("event"));
            }
        } catch (const json::DecodingError& error) {
            throw Error(number, error.what());
        }
        if (value.contains("frame") && !value.at("frame").is_null()) {
            const auto& frame = value.at("frame");
            if (!frame.is_array() || frame.size() != 4 ||
                !std::all_of(frame.begin(), frame.end(),
                             [](const json::Value& each) { return each.is_number(); })) {
                throw Error(number, "\"frame\" must be [x, y, width, height]");
            }
        }
        if (step.at < last) {
            throw Error(number, "\"at\" goes back in time");
        }
        last = step.at;
        script.steps_.push_back(std::move(step));
    }
    return script;
}

int MachineScript::pid(const Step& step, SimulatedMachine& machine) const {
    const std::string id = step.fields.at("app").get<std::string>();
    const MachineState state = machine.state();
    if (const auto* app = state.findAppByID(id)) {
        return app->pid;
    }
    throw Error(step.line, "no running app \"" + id + "\"");
}

WindowElement MachineScript::window(const Step& step, SimulatedMachine& machine,
                                    const std::string& key) const {
    const std::string name = step.fields.at(key).get<std::string>();
    if (const auto found = named_.find(name); found != named_.end()) {
        return found->second;
    }
    const MachineState state = machine.state();
    if (const auto* app = state.findAppByID(name); app != nullptr && app->focusedWindow) {
        return {app->pid, *app->focusedWindow};
    }
    throw Error(step.line, "no window \"" + name + "\"");
}

void MachineScript::play(const Step& step, SimulatedMachine& machine) {
    if (callerSteps_.count(step.name) != 0) {
        return;
    }
    const json::Value& f = step.fields;
    const auto number = [&](const char* key) { return f.at(key).get<double>(); };
    try {
        const std::string& name = step.name;
        if (name == "launch") {
            machine.launch(f.at("app").get<std::string>());
        } else if (name == "launchHidden") {
            machine.launchHidden(f.at("app").get<std::string>());
        } else if (name == "activate") {
            machine.activate(pid(step, machine));
        } else if (name == "hide") {
            machine.hide(pid(step, machine));
        } else if (name == "unhide") {
            machine.unhide(pid(step, machine));
        } else if (name == "quit") {
            machine.quit(pid(step, machine));
        } else if (name == "openWindow") {
            MachineState::Window made;
            made.title = optionalText(f, "title");
            made.document = optionalText(f, "document");
            if (const auto subrole = optionalText(f, "subrole")) {
                made.subrole = *subrole;
            }
            if (f.contains("frame") && !f.at("frame").is_null()) {
                const auto& frame = f.at("frame");
                made.frame = Rect{frame[0].get<double>(), frame[1].get<double>(), frame[2].get<double>(),
                                  frame[3].get<double>()};
            }
            const WindowElement opened = machine.openWindow(pid(step, machine), made);
            if (const auto as = optionalText(f, "as")) {
                named_[*as] = opened;
            }
        } else if (name == "closeWindow") {
            machine.closeWindow(window(step, machine, "window"));
        } else if (name == "focusWindow") {
            machine.focusWindow(window(step, machine, "window"));
        } else if (name == "minimizeWindow") {
            machine.minimizeWindow(window(step, machine, "window"));
        } else if (name == "unminimizeWindow") {
            machine.unminimizeWindow(window(step, machine, "window"));
        } else if (name == "moveWindow") {
            machine.moveWindow(window(step, machine, "window"), number("x"), number("y"));
        } else if (name == "resizeWindow") {
            machine.resizeWindow(window(step, machine, "window"), number("width"), number("height"));
        } else if (name == "retitleWindow") {
            machine.retitleWindow(window(step, machine, "window"), optionalText(f, "title"));
        } else if (name == "changeDocument") {
            machine.changeDocument(window(step, machine, "window"), optionalText(f, "document"),
                                   optionalText(f, "title"));
        } else if (name == "sleep") {
            machine.sleep(number("seconds"));
        } else if (name == "lock") {
            machine.lock();
        } else if (name == "unlock") {
            machine.unlock();
        } else if (name == "setIdle") {
            machine.setIdle(f.contains("seconds") && !f.at("seconds").is_null()
                                ? std::optional(number("seconds"))
                                : std::nullopt);
        } else if (name == "setTrusted") {
            machine.setTrusted(f.at("trusted").get<bool>());
        } else if (name == "joinWiFi") {
            machine.joinWiFi(f.at("network").get<std::string>());
        } else if (name == "leaveWiFi") {
            machine.leaveWiFi();
        } else if (name == "setLocationAuthorization") {
            machine.setLocationAuthorization(authorization(f.at("status").get<std::string>()));
        } else if (name == "queueLocationFixes") {
            machine.queueLocationFixes(locationFixes(step));
        } else if (name == "failNextLocation") {
            if (f.contains("error")) {
                machine.failNextLocation(f.at("error").get<std::string>());
            } else {
                machine.failNextLocation();
            }
        } else if (name == "moveTo") {
            machine.moveTo(f.contains("location") && !f.at("location").is_null()
                               ? std::optional(MachineState::Location::fromJSON(f.at("location")))
                               : std::nullopt);
        } else if (name == "connectDisplay") {
            machine.connectDisplay(MachineState::Display::fromJSON(f.at("display")));
        } else if (name == "disconnectDisplay") {
            machine.disconnectDisplay(f.at("id").get<std::string>());
        } else if (name == "setMainDisplay") {
            machine.setMainDisplay(f.at("id").get<std::string>());
        } else if (name == "addAudioDevice") {
            machine.addAudioDevice(MachineState::AudioDevice::fromJSON(f.at("device")));
        } else if (name == "removeAudioDevice") {
            machine.removeAudioDevice(f.at("id").get<std::string>());
        } else if (name == "setDefaultOutput") {
            machine.setDefaultOutput(optionalText(f, "id"));
        } else if (name == "setVolume") {
            machine.setVolume(number("volume"));
        } else if (name == "setMuted") {
            machine.setMuted(f.at("muted").get<bool>());
        } else if (name == "setPower") {
            machine.setPower(MachineState::Power::fromJSON(f.at("power")));
        } else if (name == "setDataSource") {
            machine.setDataSource(f.at("id").get<std::string>(), f.at("source").get<std::string>());
        } else if (name == "setDisplayKeptAwake") {
            machine.setDisplayKeptAwake(f.at("awake").get<bool>());
        } else if (name == "showTab") {
            machine.showTab(
                f.at("app").get<std::string>(),
                {f.at("url").get<std::string>(), optionalText(f, "title"),
                 f.contains("private") && !f.at("private").is_null() && f.at("private").get<bool>()});
        } else if (name == "closeTabs") {
            machine.closeTabs(f.at("app").get<std::string>());
        } else if (name == "setAutomation") {
            machine.setAutomation(f.at("app").get<std::string>(), automation(f));
        } else if (name == "setCalendarAccess") {
            machine.setPermission("calendar", permission(f.at("status").get<std::string>(), "status"));
        } else if (name == "setCalendarAnswer") {
            machine.setCalendarAnswer(permission(f.at("status").get<std::string>(), "status"));
        } else if (name == "addCalendar") {
            machine.addCalendar(MachineState::Calendar::fromJSON(f.at("calendar")));
        } else if (name == "addCalendarEvent") {
            machine.addCalendarEvent(MachineState::CalendarEvent::fromJSON(f.at("event")));
        } else if (name == "changeCalendarEvent") {
            machine.changeCalendarEvent(MachineState::CalendarEvent::fromJSON(f.at("event")));
        } else if (name == "removeCalendarEvent") {
            machine.removeCalendarEvent(f.at("id").get<std::string>());
        } else if (name == "calendarChanged") {
            machine.notifyCalendarChanged();
        }
        // requestCalendarAccess is the application's own act: the caller plays it.
    } catch (const OperationError& error) {
        throw Error(step.line, error.what());
    }
}

Date MachineScript::start() const {
    return steps_.empty() ? 1'757'916'000.0 : static_cast<Date>(steps_.front().at) / 1000.0;
}

} // namespace ostrel::dev
