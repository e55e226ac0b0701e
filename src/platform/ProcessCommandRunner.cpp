#include "platform/ProcessCommandRunner.hpp"

#include "core/foundation/FileDescriptor.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ostrel {

namespace {

using Deadline = std::chrono::steady_clock::time_point;

const Logger logger("commands");

// How often the reaper looks at the children it holds.
constexpr auto reaperInterval = std::chrono::milliseconds(25);

Deadline deadlineAfter(double seconds) {
    // A limit that is not a number or not positive ends the tool at once; a huge one is a day.
    const double clamped = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 86400.0) : (seconds > 0 ? 86400.0 : 0.0);
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(clamped));
}

// Milliseconds left until the deadline for poll(), rounded up so that it never wakes early.
int millisecondsUntil(Deadline deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, 60'000));
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Whether the child has exited, without reaping it: its pid, and so its group, stay ours.
bool hasExited(pid_t pid) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != EINTR) {
            return true; // not our child any more: nothing left to wait for
        }
    }
    return info.si_pid != 0;
}

// Waits until the child exits or the deadline passes; true when it exited.
bool waitForExit(pid_t pid, Deadline deadline) {
    while (!hasExited(pid)) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        const auto step = std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(5));
        ::poll(nullptr, 0, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(step).count()));
    }
    return true;
}

// Reaps the child and gives its status in the shell's form (128 + signal for a signal).
int reapChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

// Kills the child's whole group. The leader is not reaped yet, so the group id cannot have been
// given to anyone else.
void killGroup(pid_t pid) {
    ::kill(-pid, SIGKILL);
}

// Starts tool with arguments in a process group of its own; stdin and stderr are /dev/null, stdout
// is outputFd or /dev/null when it is -1. Gives the pid, or -1 with errno set.
pid_t spawnTool(const std::string& tool, const std::vector<std::string>& arguments, int outputFd) {
    std::vector<std::string> texts;
    texts.reserve(arguments.size() + 1);
    texts.push_back(tool);
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    // Its own group, so that the limit ends everything it started; signals as a fresh process has
    // them, whatever this one ignores or blocks.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, tool.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return pid;
}

} // namespace

struct ProcessCommandRunner::Started {
    pid_t pid = -1;
    Deadline deadline;
};

ProcessCommandRunner::ProcessCommandRunner(const Settings& settings, AppInfo::Environment environment,
                                           std::size_t outputCap)
    : settings_(settings), environment_(std::move(environment)), outputCap_(outputCap) {}

ProcessCommandRunner::~ProcessCommandRunner() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (reaper_.joinable()) {
        reaper_.join();
    }
}

ProcessCommandRunner::Tool ProcessCommandRunner::tool() const {
    if (const auto configured = settings_.text(settingsKeys::shortcutsTool); configured && !configured->empty()) {
        if (isExecutableFile(*configured)) {
            return {*configured, {}};
        }
        return {{}, "the setting shortcutsTool names no executable file: " + *configured};
    }
    const auto path = environment_ ? environment_("PATH") : std::nullopt;
    if (path) {
        std::size_t begin = 0;
        while (begin <= path->size()) {
            const std::size_t end = std::min(path->find(':', begin), path->size());
            // An empty entry would mean the working folder, which is nobody's choice of tool.
            if (end > begin) {
                const std::string candidate = path->substr(begin, end - begin) + "/shortcuts";
                if (isExecutableFile(candidate)) {
                    return {candidate, {}};
                }
            }
            begin = end + 1;
        }
    }
    return {{}, "no executable \"shortcuts\" on the PATH and no shortcutsTool setting"};
}

Availability ProcessCommandRunner::availability() const {
    Tool found = tool();
    return found.path.empty() ? Availability::no(std::move(found.reason)) : Availability::yes();
}

std::optional<CommandResult> ProcessCommandRunner::run(const std::vector<std::string>& arguments, double timeLimit) {
    const Tool found = tool();
    if (found.path.empty()) {
        return std::nullopt;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        logger.error("Couldn't make a pipe for the shortcuts tool: %{public}s", std::strerror(errno));
        return std::nullopt;
    }
    const FileDescriptor reading(ends[0]);
    pid_t pid = -1;
    {
        const FileDescriptor writing(ends[1]); // closed here, so that the child's exit ends the output
        pid = spawnTool(found.path, arguments, writing.get());
    }
    if (pid < 0) {
        logger.error("Couldn't start the shortcuts tool: %{public}s", std::strerror(errno));
        return std::nullopt;
    }

    const Deadline deadline = deadlineAfter(timeLimit);
    CommandResult result;
    bool overrun = false;
    char buffer[16384];
    for (;;) {
        const int wait = millisecondsUntil(deadline);
        if (wait == 0) {
            overrun = true;
            break;
        }
        pollfd entry{reading.get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, wait);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        // One byte past the cap tells a tool that wrote exactly the cap from one that wrote more.
        const std::size_t room = outputCap_ + 1 - result.output.size();
        const ssize_t count = ::read(reading.get(), buffer, std::min(sizeof buffer, room));
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (count <= 0) {
            break; // the end of the output (or a broken pipe, which ends it just the same)
        }
        result.output.append(buffer, static_cast<std::size_t>(count));
        if (result.output.size() > outputCap_) {
            result.output.resize(outputCap_);
            overrun = true;
            break;
        }
    }
    if (!overrun && !waitForExit(pid, deadline)) {
        overrun = true;
    }
    if (overrun) {
        killGroup(pid);
        result.killed = true;
    }
    result.exitStatus = reapChild(pid);
    return result;
}

void ProcessCommandRunner::start(const std::vector<std::string>& arguments, double timeLimit) {
    const Tool found = tool();
    if (found.path.empty()) {
        return;
    }
    const pid_t pid = spawnTool(found.path, arguments, -1);
    if (pid < 0) {
        logger.error("Couldn't start the shortcuts tool: %{public}s", std::strerror(errno));
        return;
    }
    {
        std::lock_guard guard(lock_);
        started_.push_back({pid, deadlineAfter(timeLimit)});
        if (!reaper_.joinable()) {
            reaper_ = std::thread([this] { reap(); });
        }
    }
    changed_.notify_all();
}

bool ProcessCommandRunner::waitForStarted(double timeLimit) {
    std::unique_lock guard(lock_);
    return changed_.wait_until(guard, deadlineAfter(timeLimit), [this] { return started_.empty(); });
}

// The reaper: reaps children of start() as they exit, kills the groups of those past their limit,
// and on shutdown kills and reaps whatever is left.
void ProcessCommandRunner::reap() {
    std::unique_lock guard(lock_);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        const std::size_t before = started_.size();
        std::erase_if(started_, [&](const Started& child) {
            if (hasExited(child.pid)) {
                reapChild(child.pid);
                return true;
            }
            if (stopping_ || now >= child.deadline) {
                killGroup(child.pid);
                reapChild(child.pid);
                return true;
            }
            return false;
        });
        if (started_.size() != before) {
            changed_.notify_all();
        }
        if (stopping_) {
            return;
        }
        if (started_.empty()) {
            changed_.wait(guard, [this] { return stopping_ || !started_.empty(); });
            continue;
        }
        Deadline next = now + reaperInterval;
        for (const Started& child : started_) {
            next = std::min(next, child.deadline);
        }
        changed_.wait_until(guard, next);
    }
}

} // namespace ostrel
