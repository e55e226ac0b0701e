#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ostrel::test {

// A program started in the background whose output is read while it runs: a test can answer what
// it prints (a URL to visit) before it ends. Standard input is /dev/null. Every wait is bounded;
// a program still running when this object goes is killed by its pid and reaped.
class StartedProgram {
public:
    // Throws std::runtime_error when the program cannot be started.
    StartedProgram(const std::string& program, const std::vector<std::string>& arguments);
    ~StartedProgram();

    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // The next line of standard output without its line feed; nothing when the program closed its
    // output or the time ran out first.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::seconds(10));

    pid_t pid() const { return pid_; }
    // Sends sig to the program while it runs; nothing once it has been reaped.
    void signal(int sig);
    // Whether the program has ended, without waiting (its output is drained meanwhile).
    bool hasExited();

    struct Result {
        int status = -1;        // exit status, or -1 when it did not exit normally (or was killed)
        std::string out;        // the standard output not read by readLine()
        std::string err;
    };
    // Waits for the program to end (killing it past the limit) and collects the rest of its output.
    Result finish(std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    void readAvailable(std::string& into, int fd, bool& open, int timeoutMs);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool outOpen_ = true;
    bool errOpen_ = true;
    std::string outBuffer_;
    std::string errBuffer_;
    bool reaped_ = false;
    int status_ = -1;
};

} // namespace ostrel::test
