#pragma once

#include "platform/Availability.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// How one run of the tool ended.
struct CommandResult {
    // Standard output as read, up to the runner's size cap.
    std::string output;
    // The exit code, or 128 + the signal's number when a signal ended the tool.
    int exitStatus = 0;
    // The runner ended it: the time limit passed or the output went over the cap.
    bool killed = false;

    friend bool operator==(const CommandResult&, const CommandResult&) = default;
};

// Runs the shortcuts tool (`TOOL list`, `TOOL run NAME`). The arguments follow the tool's own
// path and are passed as they are, one each, never through a shell. A tool that outlives its
// time limit is killed with every process it started in its group; every child is reaped.
//
// Threading: every member may be called from any thread; run() blocks its caller.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    // "not available" with the reason when there is no tool to run.
    virtual Availability availability() const = 0;

    // Runs the tool and waits for it to exit, at most timeLimit seconds. Nothing when it is not
    // available or cannot be started.
    virtual std::optional<CommandResult> run(const std::vector<std::string>& arguments, double timeLimit) = 0;

    // Starts the tool and returns at once; its output is dropped, and it is killed when still
    // running after timeLimit seconds. Failures to start are logged, never thrown.
    virtual void start(const std::vector<std::string>& arguments, double timeLimit) = 0;
};

} // namespace ostrel
