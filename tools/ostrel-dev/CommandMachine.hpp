#pragma once

#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/MachineState.hpp"

#include <exception>
#include <memory>
#include <string>

namespace ostrel::dev {

// The simulated machine's state file at path, for the commands that play a machine; a file that
// cannot be read or decoded is the command's error.
inline MachineState readMachineState(const Options& options, const std::string& path) {
    try {
        return MachineState::fromJSON(json::parse(options.readFile(path, "machine state")));
    } catch (const CommandError&) {
        throw;
    } catch (const std::exception& failure) {
        throw options.error("machine state " + path + ": " + failure.what());
    }
}

// The preferences: in --config when given (so the network salt stays the same across runs), else
// held in memory for this run only.
inline std::unique_ptr<Settings> commandSettings(const Options& options) {
    try {
        const auto config = options.text("--config");
        return config ? std::make_unique<Settings>(*config) : std::make_unique<Settings>(Settings::inMemory);
    } catch (const std::exception& failure) {
        throw options.error(std::string("--config: ") + failure.what());
    }
}

} // namespace ostrel::dev
