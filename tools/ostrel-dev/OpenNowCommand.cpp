#include "CommandMachine.hpp"
#include "Commands.hpp"
#include "Options.hpp"
#include "app/editor/OpenNow.hpp"
#include "core/foundation/Json.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <iostream>

namespace ostrel::dev {

// What is open on the simulated machine as the routine editor takes it: the edits of "everything
// open now" as the store writes them, or with --placement the present place of that app's front
// window (null when it has none).
int openNowCommand(const Arguments& arguments) {
    const Options options("open-now", arguments, {"--machine", "--placement"});
    if (!options.positional().empty()) {
        throw options.error("takes no arguments, not \"" + options.positional().front() + "\"");
    }
    const auto path = options.text("--machine");
    if (!path) {
        throw options.error("expects --machine MACHINE");
    }
    SimulatedMachine machine(readMachineState(options, *path));
    if (const auto bundleID = options.text("--placement")) {
        const auto placement = OpenNow::placement(*bundleID, machine.workspace(), machine.accessibility());
        std::cout << json::encode(placement ? placement->toJSON() : json::Value(nullptr)) << '\n';
        return 0;
    }
    std::cout << json::encode(OpenNow::edits(machine.workspace(), machine.accessibility()).toJSON()) << '\n';
    return 0;
}

} // namespace ostrel::dev
