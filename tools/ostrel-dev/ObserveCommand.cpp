#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "MachineScript.hpp"
#include "Options.hpp"
#include "CommandDatabase.hpp"
#include "ScratchFolder.hpp"
#include "app/signals/Observer.hpp"
#include "core/foundation/Logger.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>

namespace ostrel::dev {

namespace {

// Virtual seconds the machine keeps running after the last step, so settle timers and the
// launch watches it started come to an end.
constexpr double tail = 5.0;

// Observations and triggers in store order, merged by time (an observation before a trigger of
// the same moment, since triggers are found from observations).
void printRows(Store& store) {
    constexpr auto first = std::numeric_limits<std::int64_t>::min();
    constexpr auto last = std::numeric_limits<std::int64_t>::max();
    const auto observations = store.observations(first, last);
    const auto triggers = store.triggers(first, last);
    std::size_t o = 0;
    std::size_t t = 0;
    while (o < observations.size() || t < triggers.size()) {
        if (t == triggers.size() || (o < observations.size() && observations[o].ts <= triggers[t].ts)) {
            const SignalObservation& row = observations[o++];
            json::Value payload;
            try {
                payload = json::parse(row.payload);
            } catch (const json::DecodingError&) {
                payload = row.payload; // shown as stored
            }
            std::cout << json::encode(json::Value{
                             {"ts", row.ts}, {"signal", row.signal.rawValue}, {"payload", payload}})
                      << '\n';
        } else {
            const Trigger& trigger = triggers[t++];
            std::cout << json::encode(json::Value{
                             {"trigger", json::Value{{"ts", trigger.ts},
                                                     {"kind", std::string(toString(trigger.kind))}}}})
                      << '\n';
        }
    }
}

} // namespace

// Plays a script of machine operations through the observer in virtual time and prints every
// stored row.
int observeCommand(const Arguments& arguments) {
    const Options options("observe", arguments,
                          {"--machine", "--script", "--tz", "--db", "--config", "--google", "--token"});
    if (!options.positional().empty()) {
        throw options.error("takes no database path; use --db");
    }
    const auto machinePath = options.text("--machine");
    const auto scriptPath = options.text("--script");
    if (!machinePath || !scriptPath) {
        throw options.error("needs --machine STATE and --script FILE");
    }
    // The Google path: the client talks to a local server (a fake Google) with a refresh token
    // seeded into the machine's keychain. Never the real service: the token would leave.
    const auto googleBase = options.text("--google");
    const auto googleToken = options.text("--token");
    if (googleBase.has_value() != googleToken.has_value()) {
        throw options.error("--google URL and --token T go together");
    }
    if (googleBase && googleBase->rfind("http://127.0.0.1:", 0) != 0) {
        throw options.error("--google must be http://127.0.0.1:PORT");
    }
    GoogleCalendar::Configuration google;
    if (googleBase) {
        google.endpoints = GoogleEndpoints::local(*googleBase);
        google.clientID = "ostrel-dev";
    }
    const Calendar calendar = options.calendar();
    (void)calendar; // checked now; the calendar source will read it
    const std::unique_ptr<Settings> settings = commandSettings(options);
    SecureRandom random;

    MachineState state = readMachineState(options, *machinePath);
    MachineScript script;
    try {
        script = MachineScript::parse(options.readFile(*scriptPath, "script"));
    } catch (const MachineScript::Error& failure) {
        throw options.error(*scriptPath + " " + failure.what());
    }

    const CommandDatabase commandDatabase(options.text("--db"), "ostrel-observe-");
    const std::filesystem::path& database = commandDatabase.path();
    const LogToStderr logToStderr;

    VirtualTime time(script.start());
    VirtualRuntime runtime(time);
    SimulatedMachine machine(std::move(state), &time);
    if (googleToken) {
        machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, *googleToken});
    }
    Platform platform = machine.platform();
    Store store(database);
    {
        Observer observer(store, runtime, platform, *settings, random, "", ExclusionList::defaultList(), {},
                          std::move(google));
        time.addFlusher([&observer] { observer.writer().flush(); });
        observer.start();
        time.settle();
        for (const auto& step : script.steps()) {
            time.advanceTo(static_cast<Date>(step.at) / 1000.0);
            try {
                script.play(step, machine);
            } catch (const MachineScript::Error& failure) {
                throw options.error(*scriptPath + " " + failure.what());
            }
            // The application's side of calendar access: it asks, and it starts the calendar
            // source again when the user changed the permission, as the app model does.
            if (step.name == "requestCalendarAccess") {
                observer.calendar().requestAccess({});
            } else if (step.name == "setCalendarAccess") {
                observer.calendar().start();
            }
            time.settle();
        }
        time.advance(tail);
        time.settle();
    }
    printRows(store);
    return 0;
}

} // namespace ostrel::dev
