#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"
#include "CommandDatabase.hpp"
#include "ScratchFolder.hpp"
#include "app/autopilot/RunLedger.hpp"
#include "app/autopilot/SetupRunner.hpp"
#include "app/autopilot/Shortcuts.hpp"
#include "core/foundation/Json.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/sim/MachineState.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel::dev {

namespace {

// Seconds: a finite decimal number, 0 or more; absent gives 0.
double seconds(const Options& options, const std::string& name) {
    const auto text = options.text(name);
    if (!text) {
        return 0;
    }
    double value = 0;
    const auto [end, failure] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || failure != std::errc() || end != text->data() + text->size() || !std::isfinite(value) ||
        value < 0 || value > 86'400) {
        throw options.error(name + " expects seconds from 0 to 86400, not \"" + *text + "\"");
    }
    return value;
}

struct RoutineFile {
    Routine routine;
    std::string name;
    bool automatic = false;
};

// {"key": "made:R1", "name": "Maths", "items": ["app:…", "page:…"], "edits": {…}, "automatic": false};
// only items is required.
RoutineFile routineFile(const json::Value& value) {
    const json::ObjectReader reader(value);
    const std::string keyText = reader.value<std::string>("key", "made:setup");
    const std::optional<ContextKey> key = ContextKey::fromId(keyText);
    if (!key) {
        throw json::DecodingError("\"key\": not a routine key: " + keyText);
    }
    RoutineFile file{Routine{*key}, reader.value<std::string>("name", "Routine"), reader.value("automatic", false)};
    file.routine.items = reader.required<std::vector<Item>>("items");
    if (const auto found = value.find("edits"); found != value.end() && !found->is_null()) {
        file.routine.edits = RoutineEdits::fromJSON(*found);
    }
    return file;
}

json::Value instanceJSON(const AppInstance& app) {
    return json::Value{{"pid", app.pid}, {"appID", app.appID}, {"serial", app.serial}};
}

json::Value rectJSON(const std::optional<Rect>& rect) {
    if (!rect) {
        return nullptr;
    }
    return json::Value{{"x", rect->x}, {"y", rect->y}, {"width", rect->width}, {"height", rect->height}};
}

void printRun(const SetupRunner::Run& run) {
    json::Value opened = json::Value::array();
    for (const Item& item : run.opened) {
        opened.push_back(item.id());
    }
    json::Value hid = json::Value::array();
    for (const AppInstance& app : run.hid) {
        hid.push_back(instanceJSON(app));
    }
    json::Value record{{"id", run.id},       {"routine", run.routine.key.id()}, {"name", run.name},
                       {"opened", opened},   {"hid", hid},
                       {"placementStarted", run.placementStarted}};
    record["wasMuted"] = run.wasMuted ? json::Value(*run.wasMuted) : json::Value(nullptr);
    record["mutedDevice"] = run.mutedDevice ? json::Value(*run.mutedDevice) : json::Value(nullptr);
    std::cout << json::encode(json::Value{{"run", record}}) << '\n';
}

void printMachine(const SimulatedMachine& machine, const RunLedger& ledger, const std::string& runID) {
    const MachineState state = machine.state();
    json::Value running = json::Value::array();
    json::Value hidden = json::Value::array();
    json::Value frames = json::Value::array();
    for (const MachineState::App& app : state.apps) {
        if (app.pid == state.ownPid) {
            continue;
        }
        const json::Value id = app.bundleID ? json::Value(*app.bundleID) : json::Value(nullptr);
        running.push_back(id);
        if (app.hidden) {
            hidden.push_back(id);
        }
        for (const MachineState::Window& window : app.windows) {
            frames.push_back(json::Value{{"app", id}, {"window", window.id}, {"frame", rectJSON(window.frame)}});
        }
    }
    const MachineState::App* front = state.frontPid ? state.findApp(*state.frontPid) : nullptr;
    json::Value mute = json::Value::object();
    for (const MachineState::AudioDevice& device : state.audioDevices) {
        mute[device.id] = device.muted ? json::Value(*device.muted) : json::Value(nullptr);
    }
    json::Value launched = json::Value::array();
    for (const AppInstance& app : ledger.apps(runID)) {
        launched.push_back(instanceJSON(app));
    }
    json::Value moved = json::Value::array();
    for (const RunLedger::Move& move : ledger.moves(runID)) {
        moved.push_back(json::Value{{"pid", move.window.pid}, {"window", move.window.id}, {"from", rectJSON(move.frame)}});
    }
    json::Value machineJSON{{"running", running}, {"hidden", hidden}, {"mute", mute}, {"frames", frames},
                            {"launched", launched}, {"moved", moved}};
    machineJSON["front"] = front != nullptr && front->bundleID ? json::Value(*front->bundleID) : json::Value(nullptr);
    std::cout << json::encode(json::Value{{"machine", machineJSON}}) << '\n';
}

} // namespace

// Runs a routine's setup on a simulated machine in virtual time and prints, as JSON lines, the run
// record, each observation written and the machine afterwards; with --then, the same after the
// tidy-up or undo.
int setupCommand(const Arguments& arguments) {
    const Options options("setup", arguments, {"--open", "--ago", "--wait", "--then", "--db"}, {"--front"});
    if (options.positional().size() != 2) {
        throw options.error("needs MACHINE and ROUTINE files");
    }
    const std::string& machinePath = options.positional()[0];
    const std::string& routinePath = options.positional()[1];
    const double ago = seconds(options, "--ago");
    const double wait = seconds(options, "--wait");
    const auto then = options.text("--then");
    if (then && *then != "undo" && *then != "tidy") {
        throw options.error("--then expects undo or tidy, not \"" + *then + "\"");
    }
    std::vector<Item> open;
    if (const auto openText = options.text("--open")) {
        try {
            open = json::Decoder<std::vector<Item>>::decode(json::parse(*openText));
        } catch (const std::exception& failure) {
            throw options.error(std::string("--open expects a JSON array of item ids: ") + failure.what());
        }
    }

    MachineState state = readMachineState(options, machinePath);
    RoutineFile routine;
    try {
        routine = routineFile(json::parse(options.readFile(routinePath, "routine")));
    } catch (const json::DecodingError& failure) {
        throw options.error("routine " + routinePath + ": " + failure.what());
    }

    const CommandDatabase commandDatabase(options.text("--db"), "ostrel-setup-");
    const std::filesystem::path& database = commandDatabase.path();
    const LogToStderr logToStderr;

    VirtualTime time;
    VirtualRuntime runtime(time);
    SimulatedMachine machine(std::move(state), &time);
    Store store(database);
    std::mutex seenLock;
    std::vector<SignalObservation> seen;
    const auto printSeen = [&] {
        std::lock_guard guard(seenLock);
        for (const SignalObservation& observation : seen) {
            json::Value payload;
            try {
                payload = json::parse(observation.payload);
            } catch (const json::DecodingError&) {
                payload = observation.payload;
            }
            std::cout << json::encode(json::Value{
                             {"observation", {{"ts", observation.ts}, {"signal", observation.signal.rawValue}, {"payload", payload}}}})
                      << '\n';
        }
        seen.clear();
    };
    {
        ObservationWriter writer(store);
        writer.watch([&](const SignalObservation& observation) {
            std::lock_guard guard(seenLock);
            seen.push_back(observation);
        });
        time.addFlusher([&writer] { writer.flush(); });
        RunLedger ledger;
        Shortcuts shortcuts(machine.commands());
        SecureRandom random;
        SetupRunner runner(writer, ledger,
                           {machine.workspace(), machine.audio(), machine.accessibility(), machine.displays(), shortcuts},
                           runtime.main(), random);
        SetupRunner::Run run =
            runner.run(routine.routine, routine.name, open, time.clock().now() - ago, routine.automatic, options.flag("--front"));
        time.settle();
        writer.flush();
        printRun(run);
        printSeen();
        time.advance(wait);
        writer.flush();
        printMachine(machine, ledger, run.id);
        if (then) {
            run.launched = ledger.apps(run.id);
            if (*then == "undo") {
                runner.undo(run);
            } else {
                runner.tidyUp(run);
            }
            time.settle();
            writer.flush();
            printSeen();
            time.advance(wait);
            writer.flush();
            printMachine(machine, ledger, run.id);
        }
    }
    return 0;
}

} // namespace ostrel::dev
