#include "platform/ProcessCommandRunner.hpp"

#include "app/autopilot/Shortcuts.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/TempDir.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

// Polls condition until it holds or the limit passes; the result says which.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// No such process, not even a zombie: a child of ours that is gone was reaped.
bool reaped(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Gone or a zombie waiting for its new parent (an orphan's reaping is not ours).
bool ended(pid_t pid) {
    if (reaped(pid)) {
        return true;
    }
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

// Fake shortcuts tools are shell scripts written into a temporary folder; the runner gets the
// folder as its PATH or the script as the setting, never the real home or PATH.
class ProcessCommandRunnerTest : public ::testing::Test {
protected:
    // Writes an executable script named name whose body runs under /bin/sh; "$D" is the folder.
    std::string tool(const std::string& body, const std::string& name = "shortcuts") const {
        const std::string path =
            folder.write(name, "#!/bin/sh\nD='" + folder.path().string() + "'\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    // A runner reading PATH from this map only.
    std::unique_ptr<ProcessCommandRunner> runner(std::map<std::string, std::string> environment,
                                                 std::size_t cap = ProcessCommandRunner::defaultOutputCap) {
        return std::make_unique<ProcessCommandRunner>(
            settings,
            [environment](const std::string& name) -> std::optional<std::string> {
                const auto found = environment.find(name);
                return found == environment.end() ? std::nullopt : std::optional(found->second);
            },
            cap);
    }

    std::unique_ptr<ProcessCommandRunner> runnerOnFolder(std::size_t cap = ProcessCommandRunner::defaultOutputCap) {
        return runner({{"PATH", folder.path().string()}}, cap);
    }

    // The pid the tool wrote to file in the folder (written whole by a rename).
    pid_t pidIn(const std::string& file) const {
        const auto path = folder / file;
        if (!eventually([&] { return std::filesystem::exists(path); })) {
            ADD_FAILURE() << "the tool never wrote " << file;
            return -1;
        }
        return static_cast<pid_t>(std::stol(readFile(path)));
    }

    // A tool that never ends: it writes its own pid and those of two children holding its output.
    std::string hungTool() const {
        return tool("echo Partial\n"
                    "sleep 1000 & echo $! > \"$D/first.tmp\"; mv \"$D/first.tmp\" \"$D/first\"\n"
                    "sleep 1000 & echo $! > \"$D/second.tmp\"; mv \"$D/second.tmp\" \"$D/second\"\n"
                    "echo $$ > \"$D/leader.tmp\"; mv \"$D/leader.tmp\" \"$D/leader\"\n"
                    "wait");
    }

    void expectHungToolEnded() const {
        const pid_t leader = pidIn("leader");
        EXPECT_TRUE(eventually([&] { return reaped(leader); })) << "the tool itself is reaped";
        for (const char* child : {"first", "second"}) {
            const pid_t pid = pidIn(child);
            EXPECT_TRUE(eventually([&] { return ended(pid); })) << child << " child killed with its group";
        }
    }

    test::TempDir folder;
    Settings settings{Settings::inMemory};
};

TEST_F(ProcessCommandRunnerTest, RunCollectsOutputAndExitStatus) {
    struct Case {
        const char* name;
        std::string body;
        std::string output;
        int exitStatus;
        bool killed;
    };
    const std::vector<Case> cases = {
        {"lines", "printf 'B\\nA\\n\\nC\\n'", "B\nA\n\nC\n", 0, false},
        {"exit status; standard error dropped", "echo out; echo err >&2; exit 3", "out\n", 3, false},
        {"ended by a signal", "echo before; kill -TERM $$", "before\n", 128 + SIGTERM, false},
        {"standard input is empty", "cat; echo done", "done\n", 0, false},
        {"output of exactly the cap", "head -c 1000 /dev/zero", std::string(1000, '\0'), 0, false},
        {"output over the cap", "while :; do echo 0123456789; done", std::string(1000, ' '), 128 + SIGKILL, true},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        tool(item.body);
        const auto result = runnerOnFolder(1000)->run({"list"}, 60);
        ASSERT_TRUE(result.has_value());
        if (item.killed) {
            EXPECT_EQ(result->output.size(), 1000u);
            EXPECT_EQ(result->output.substr(0, 22), "0123456789\n0123456789\n");
        } else {
            EXPECT_EQ(result->output, item.output);
        }
        EXPECT_EQ(result->exitStatus, item.exitStatus);
        EXPECT_EQ(result->killed, item.killed);
    }
}

TEST_F(ProcessCommandRunnerTest, ShortcutsListsTheToolsNamesSorted) {
    tool("[ \"$1\" = list ] && printf 'B\\nA\\n\\nC\\n'");
    const auto commands = runnerOnFolder();
    EXPECT_THAT(Shortcuts(*commands).names(), ElementsAre("A", "B", "C"));
}

TEST_F(ProcessCommandRunnerTest, ANameWithSpacesAndQuotesArrivesAsOneArgument) {
    tool("printf '%s\\0' \"$@\" > \"$D/args.tmp\"; mv \"$D/args.tmp\" \"$D/args\"");
    const std::string name = "Focus \"Mode\" 'now' $HOME; rm -rf x \\ `id` *\nline two \xC3\xA9";
    const auto commands = runnerOnFolder();
    Shortcuts(*commands).run(name);
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(folder / "args"); }));
    EXPECT_EQ(readFile(folder / "args"), std::string("run") + '\0' + name + '\0');
}

TEST_F(ProcessCommandRunnerTest, AHungToolIsKilledWithItsChildrenAtTheLimit) {
    hungTool();
    const auto result = runnerOnFolder()->run({"list"}, 2);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->killed);
    EXPECT_EQ(result->output, "Partial\n");
    EXPECT_EQ(result->exitStatus, 128 + SIGKILL);
    expectHungToolEnded();
}

TEST_F(ProcessCommandRunnerTest, ShortcutsListsNothingFromAToolKilledAtTheLimit) {
    tool("echo A; exec sleep 1000");
    const auto commands = runnerOnFolder();
    EXPECT_THAT(Shortcuts(*commands, {.list = 0.3}).names(), IsEmpty());
}

TEST_F(ProcessCommandRunnerTest, AStartedToolIsReapedAndKilledWithItsChildrenAtTheLimit) {
    hungTool();
    const auto commands = runnerOnFolder();
    commands->start({"run", "Hang"}, 2);
    expectHungToolEnded();
}

TEST_F(ProcessCommandRunnerTest, AStartedToolThatEndsIsReaped) {
    tool("echo $$ > \"$D/leader.tmp\"; mv \"$D/leader.tmp\" \"$D/leader\"");
    const auto commands = runnerOnFolder();
    commands->start({"run", "Quick"}, 300);
    const pid_t leader = pidIn("leader");
    EXPECT_TRUE(eventually([&] { return reaped(leader); }));
}

TEST_F(ProcessCommandRunnerTest, DestroyingTheRunnerEndsTheToolsItStarted) {
    hungTool();
    auto commands = runnerOnFolder();
    commands->start({"run", "Hang"}, 1000);
    const pid_t leader = pidIn("leader");
    const pid_t first = pidIn("first");
    commands.reset();
    EXPECT_TRUE(reaped(leader)) << "reaped before the destructor returns";
    EXPECT_TRUE(eventually([&] { return ended(first); }));
}

TEST_F(ProcessCommandRunnerTest, TheToolIsTheSettingElseShortcutsOnThePath) {
    std::filesystem::create_directories(folder / "bin" / "shortcuts"); // a folder, not a tool
    std::filesystem::create_directories(folder / "plain");
    folder.write("plain/shortcuts", "#!/bin/sh\n"); // not executable
    std::filesystem::create_directories(folder / "empty");
    const std::string onPath = tool("exit 0");
    const std::string configured = tool("exit 0", "my-tool");
    const std::string bin = (folder / "bin").string();
    const std::string plain = (folder / "plain").string();
    const std::string home = folder.path().string();

    struct Case {
        const char* name;
        std::optional<std::string> setting;
        std::optional<std::string> path;
        std::string tool; // empty: not available
    };
    const std::vector<Case> cases = {
        {"found on the PATH, skipping what is no tool", std::nullopt, bin + ":" + plain + "::" + home, onPath},
        {"the setting wins over the PATH", configured, home, configured},
        {"an empty setting counts as none", "", home, onPath},
        {"nothing on the PATH", std::nullopt, (folder / "empty").string(), ""},
        {"no PATH", std::nullopt, std::nullopt, ""},
        {"a setting naming no file does not fall back", home + "/missing", home, ""},
        {"a setting naming a folder", bin, home, ""},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        if (item.setting) {
            settings.set(settingsKeys::shortcutsTool, *item.setting);
        } else {
            settings.remove(settingsKeys::shortcutsTool);
        }
        std::map<std::string, std::string> environment;
        if (item.path) {
            environment["PATH"] = *item.path;
        }
        auto commands = runner(environment);
        EXPECT_EQ(commands->tool().path, item.tool);
        const Availability availability = commands->availability();
        EXPECT_EQ(availability.available, !item.tool.empty());
        EXPECT_EQ(availability.reason.empty(), availability.available);
        if (item.tool.empty()) {
            EXPECT_EQ(commands->run({"list"}, 10), std::nullopt);
            commands->start({"run", "Anything"}, 10); // nothing to start, nothing to wait for
        }
    }
}

TEST_F(ProcessCommandRunnerTest, AToolThatCannotBeExecutedGivesNothing) {
    const std::string path = folder.write("broken", "#!/nonexistent/interpreter\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    settings.set(settingsKeys::shortcutsTool, path);
    const auto commands = runner({});
    EXPECT_TRUE(commands->availability().available);
    EXPECT_EQ(commands->run({"list"}, 10), std::nullopt);
    EXPECT_THAT(Shortcuts(*commands).names(), IsEmpty());
}

} // namespace
} // namespace ostrel
