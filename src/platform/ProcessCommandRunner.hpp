#pragma once

#include "platform/AppInfo.hpp"
#include "platform/CommandRunner.hpp"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>
#include <sys/types.h>

namespace ostrel {

class Settings;

// The shortcuts tool as a child process. The tool is the file named by the setting
// "shortcutsTool" when that is set, otherwise an executable "shortcuts" on the PATH; both are looked
// up at every call, so a changed setting counts at once.
//
// Each run is started with posix_spawn from an argument vector (never a shell), standard input
// /dev/null, standard error dropped, in a process group of its own so that killing the group at
// the limit also ends what the tool started. Standard output is read to its end, at most
// outputCap bytes: a tool that writes more is killed. Every child is reaped.
//
// start() hands its children to one reaper thread, made on first use; destroying the runner kills
// the groups of tools still running and reaps them.
class ProcessCommandRunner final : public CommandRunner {
public:
    static constexpr std::size_t defaultOutputCap = 1 << 20;

    // settings: not owned, must outlive this object. environment: where PATH is read.
    explicit ProcessCommandRunner(const Settings& settings,
                                  AppInfo::Environment environment = AppInfo::processEnvironment(),
                                  std::size_t outputCap = defaultOutputCap);
    ~ProcessCommandRunner() override;

    ProcessCommandRunner(const ProcessCommandRunner&) = delete;
    ProcessCommandRunner& operator=(const ProcessCommandRunner&) = delete;

    Availability availability() const override;
    std::optional<CommandResult> run(const std::vector<std::string>& arguments, double timeLimit) override;
    void start(const std::vector<std::string>& arguments, double timeLimit) override;

    // Waits until every tool start() began has ended and been reaped, at most timeLimit seconds;
    // true when none is left. For a short-lived caller (a command-line tool) that must not end
    // the tools it started by going away.
    bool waitForStarted(double timeLimit);

    // The tool to run, or the reason there is none.
    struct Tool {
        std::string path;
        std::string reason; // why there is no tool; empty when path is set
    };
    Tool tool() const;

private:
    struct Started;
    void reap();

    const Settings& settings_;
    AppInfo::Environment environment_;
    std::size_t outputCap_;

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Started> started_; // children of start() not yet reaped
    bool stopping_ = false;
    std::thread reaper_;
};

} // namespace ostrel
