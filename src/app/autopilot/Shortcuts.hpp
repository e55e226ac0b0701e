#pragma once

#include "core/foundation/Logger.hpp"
#include "platform/CommandRunner.hpp"

#include <string>
#include <vector>

namespace ostrel {

// The user's shortcuts through the shortcuts tool: their names for the routine editor's picker,
// and starting one by name for a routine's step.
class Shortcuts {
public:
    // How long the tool may take before it is killed, in seconds.
    struct Limits {
        double list = 10;
        double run = 5 * 60;
    };

    explicit Shortcuts(CommandRunner& runner) : Shortcuts(runner, Limits{}) {}
    Shortcuts(CommandRunner& runner, Limits limits) : runner_(runner), limits_(limits) {}

    // The names `TOOL list` prints, one a line, empty lines dropped and nothing trimmed, sorted by
    // code point. Blocks while the tool runs: call it off the main executor. Empty when the tool is
    // missing, fails to start or overruns its limit.
    std::vector<std::string> names();

    // Starts `TOOL run NAME` and returns at once. A name that is empty or starts with "-" is
    // refused (the tool would read it as an option) and logged.
    void run(const std::string& name);

    // The names in `output`: lossy UTF-8, split at line feeds, empties dropped, sorted.
    static std::vector<std::string> parseNames(const std::string& output);

private:
    bool available();

    CommandRunner& runner_;
    Limits limits_;
    Logger logger_{"shortcuts"};
};

} // namespace ostrel
