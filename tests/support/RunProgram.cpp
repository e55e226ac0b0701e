#include "support/RunProgram.hpp"

#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ostrel::test {

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments) {
    TempDir dir;
    const std::string outPath = (dir / "out").string();
    const std::string errPath = (dir / "err").string();

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
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("couldn't start " + program);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);

    ProgramResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

std::vector<json::Value> jsonLines(const std::string& out) {
    std::vector<json::Value> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(json::parse(line));
    }
    return lines;
}

::testing::AssertionResult refusedInOneLine(const ProgramResult& result, const std::string& command,
                                            const std::string& said) {
    const bool oneLine = !result.err.empty() && result.err.find('\n') == result.err.size() - 1;
    if (result.status == 1 && result.out.empty() && oneLine &&
        result.err.rfind("ostrel-dev " + command + ": ", 0) == 0 &&
        result.err.find(said) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "status " << result.status << ", stdout \"" << result.out << "\", stderr \"" << result.err
           << "\" (expected it to name \"" << said << "\")";
}

} // namespace ostrel::test
