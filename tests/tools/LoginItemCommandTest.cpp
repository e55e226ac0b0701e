#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::ProgramResult;
using test::runProgram;

const std::string entryName = "org.ostrel.Ostrel.desktop";

// Every call names a folder: without --folder the tool would use the autostart folder of whatever
// HOME the test runs under.
ProgramResult loginItem(const fs::path& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--folder", folder.string()});
    arguments.insert(arguments.begin(), "login-item");
    return runProgram(OSTREL_DEV_PATH, arguments);
}

std::string execLine(const fs::path& entry) {
    std::ifstream input(entry);
    std::string line;
    while (std::getline(input, line)) {
        if (line.starts_with("Exec=")) {
            return line.substr(5);
        }
    }
    return {};
}

TEST(LoginItemCommand, OnAndOffChangeTheEntryAndEachLinePrintsTheStatusNow) {
    test::TempDir dir;
    const fs::path folder = dir / "autostart";
    struct Step {
        const char* action;
        const char* status;
        bool entry;
    };
    const std::vector<Step> steps = {
        {"status", "notRegistered", false}, {"on", "enabled", true},  {"status", "enabled", true},
        {"on", "enabled", true},            {"off", "notRegistered", false}, {"off", "notRegistered", false},
        {"status", "notRegistered", false},
    };
    for (const Step& step : steps) {
        const auto result = loginItem(folder, {step.action, "--exe", "/opt/My Apps/ostrel"});
        ASSERT_EQ(result.status, 0) << step.action << ": " << result.err;
        EXPECT_EQ(result.err, "") << step.action;
        EXPECT_EQ(std::ranges::count(result.out, '\n'), 1) << step.action << ": " << result.out;
        EXPECT_EQ(json::parse(result.out), json::Value({{"status", step.status}, {"lastError", nullptr}}))
            << step.action;
        EXPECT_EQ(fs::exists(folder / entryName), step.entry) << step.action;
        if (step.entry) {
            EXPECT_EQ(execLine(folder / entryName), R"("/opt/My Apps/ostrel")") << step.action;
        }
    }
}

TEST(LoginItemCommand, WithoutExeTheEntryStartsTheToolItself) {
    test::TempDir dir;
    const auto result = loginItem(dir.path(), {"on"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(json::parse(result.out)["status"], "enabled");
    EXPECT_EQ(execLine(dir / entryName), fs::canonical(OSTREL_DEV_PATH).string());
}

TEST(LoginItemCommand, AFailureIsTheLastErrorNotTheExitStatus) {
    test::TempDir dir;
    const std::string file = dir.write("autostart", "not a folder");
    const auto result = loginItem(file, {"on", "--exe", "/usr/bin/ostrel"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const json::Value line = json::parse(result.out);
    EXPECT_EQ(line["status"], "notRegistered");
    ASSERT_TRUE(line["lastError"].is_string()) << result.out;
    EXPECT_TRUE(line["lastError"].get<std::string>().starts_with("Couldn't add Ostrel to the apps that start at login: "))
        << result.out;
}

TEST(LoginItemCommand, ABadArgumentIsOneLineOnStderrAndChangesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"maybe"},
        {"on", "off"},
        {"on", "--bogus", "x"},
        {"on", "--exe", ""},
        {"on", "--exe"},
    };
    for (const auto& arguments : cases) {
        test::TempDir dir;
        const auto result = loginItem(dir / "autostart", arguments);
        std::string shown;
        for (const auto& argument : arguments) {
            shown += argument + " ";
        }
        EXPECT_EQ(result.status, 1) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_TRUE(result.err.starts_with("ostrel-dev login-item: ")) << shown << result.err;
        EXPECT_EQ(std::ranges::count(result.err, '\n'), 1) << shown << result.err;
        EXPECT_TRUE(test::namesIn(dir.path()).empty()) << shown;
    }
}

} // namespace
} // namespace ostrel
