#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"
#include "app/ai/RoutineIdea.hpp"
#include "app/signals/AudioSignal.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <algorithm>
#include <iostream>

namespace ostrel::dev {

namespace {

// The Wi-Fi network joined now, "NAME,HASH": the hash is the part after the last comma, so a name
// may hold commas.
PlaceSignal::Network network(const Options& options, const std::string& given) {
    const auto comma = given.rfind(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == given.size()) {
        throw options.error("--wifi expects NAME,HASH, not \"" + given + "\"");
    }
    return {given.substr(0, comma), given.substr(comma + 1)};
}

// What the routine editor would read of the machine: its named installed apps sorted by name as a
// scan sorts them, its external displays that have a UUID, and its audio outputs other than the
// built-in, virtual and aggregate ones, each in the machine's order.
void readMachine(const MachineState& state, RoutineIdea::Surroundings& surroundings) {
    for (const auto& app : state.installed) {
        if (app.name) {
            surroundings.apps.push_back({*app.name, app.appID});
        }
    }
    std::stable_sort(surroundings.apps.begin(), surroundings.apps.end(),
                     [](const InstalledApps::App& a, const InstalledApps::App& b) { return a.name < b.name; });

    SimulatedMachine machine(state);
    for (const Screen& screen : machine.displays().screens()) {
        if (screen.id && !screen.builtin && screen.uuid) {
            surroundings.displays.push_back({*screen.uuid, screen.name});
        }
    }
    for (auto& device : AudioSignal::connected(machine.audio())) {
        if (device.transport != "builtin" && device.transport != "virtual" && device.transport != "aggregate") {
            surroundings.audio.push_back(std::move(device));
        }
    }
}

} // namespace

// Prints the draft of the model's answer in FILE for the words, as {"edits", "notes"}, or
// {"error"} when the answer does not read as a routine idea (exit status 0 either way).
int ideaCommand(const Arguments& arguments) {
    const Options options("idea", arguments, {"--words", "--db", "--machine", "--wifi"});
    const std::string& file = options.single("one idea file");
    const auto words = options.text("--words");
    if (!words) {
        throw options.error("--words is required");
    }
    RoutineIdea::Surroundings surroundings;
    if (const auto wifi = options.text("--wifi")) {
        surroundings.network = network(options, *wifi);
    }
    const std::string answer = options.readFile(file, "idea");
    if (const auto machine = options.text("--machine")) {
        readMachine(readMachineState(options, *machine), surroundings);
    }
    if (const auto db = options.text("--db")) {
        const auto path = options.existingFile(*db);
        try {
            Store store(path, Store::Access::reader);
            surroundings.series = store.calendarSeries();
        } catch (const std::exception& failure) {
            throw options.error("cannot read " + *db + ": " + failure.what());
        }
    }

    json::Value result;
    try {
        const Described described = RoutineIdea::decode(answer).draft(*words, surroundings);
        result = {{"edits", described.edits.toJSON()}, {"notes", described.notes}};
    } catch (const IdeaDecodingError& error) {
        result = {{"error", error.what()}};
    }
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
