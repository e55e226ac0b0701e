#include "support/StartedProgram.hpp"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace ostrel::test {

namespace {

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

} // namespace

StartedProgram::StartedProgram(const std::string& program, const std::vector<std::string>& arguments) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> argvStrings{program};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argvStrings) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
    if (spawned != 0) {
        ::close(out_);
        ::close(err_);
        throw std::runtime_error("couldn't start " + program);
    }
}

StartedProgram::~StartedProgram() {
    if (!reaped_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) {
        ::close(out_);
    }
    if (err_ >= 0) {
        ::close(err_);
    }
}

void StartedProgram::readAvailable(std::string& into, int fd, bool& open, int timeoutMs) {
    if (!open) {
        return;
    }
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0) {
        return;
    }
    char buffer[4096];
    const auto count = ::read(fd, buffer, sizeof buffer);
    if (count > 0) {
        into.append(buffer, static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
        open = false;
    }
}

std::optional<std::string> StartedProgram::readLine(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (const auto end = outBuffer_.find('\n'); end != std::string::npos) {
            std::string line = outBuffer_.substr(0, end);
            outBuffer_.erase(0, end + 1);
            return line;
        }
        if (!outOpen_ || std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        // Keep stderr drained too, so a chatty program never blocks on a full pipe.
        readAvailable(errBuffer_, err_, errOpen_, 0);
        readAvailable(outBuffer_, out_, outOpen_, std::min(remainingMs(deadline), 50));
    }
}

void StartedProgram::signal(int sig) {
    if (!reaped_) {
        ::kill(pid_, sig);
    }
}

bool StartedProgram::hasExited() {
    readAvailable(outBuffer_, out_, outOpen_, 0);
    readAvailable(errBuffer_, err_, errOpen_, 0);
    if (!reaped_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    return reaped_;
}

StartedProgram::Result StartedProgram::finish(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while ((outOpen_ || errOpen_) && std::chrono::steady_clock::now() < deadline) {
        readAvailable(outBuffer_, out_, outOpen_, std::min(remainingMs(deadline), 20));
        readAvailable(errBuffer_, err_, errOpen_, 0);
    }
    while (!reaped_) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            reaped_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        } else if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            reaped_ = true;
            status_ = -1;
        } else {
            ::poll(nullptr, 0, 10);
        }
    }
    return {status_, std::exchange(outBuffer_, {}), std::exchange(errBuffer_, {})};
}

} // namespace ostrel::test
