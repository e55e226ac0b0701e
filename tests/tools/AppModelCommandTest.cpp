#include "core/foundation/Json.hpp"
#include "platform/sim/MachineState.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

// A machine with its own app listed at login, Chrome as the default browser, calendars readable,
// location allowed and windows watched: only the browser step is open.
MachineState readyMachine() {
    MachineState state = MachineState::withOwnApp();
    MachineState::InstalledApp chrome;
    chrome.appID = "com.google.Chrome";
    chrome.name = "Google Chrome";
    state.installed.push_back(chrome);
    state.defaultHandlers["https"] = "com.google.Chrome";
    state.loginItems.push_back("org.ostrel.Ostrel");
    state.permissions["calendar"] = MachineState::Permission::granted;
    state.locationAuthorization = MachineState::LocationAuthorization::always;
    return state;
}

TEST(AppModelCommand, PrintsTheRefreshedModelOfTheMachine) {
    test::TempDir dir;
    const auto machine = dir.write("machine.json", readyMachine().toJSON().dump());
    const auto result = runProgram(OSTREL_DEV_PATH, {"app-model", "--machine", machine, "--tz", "Europe/Berlin"});
    ASSERT_EQ(result.status, 0) << result.err;
    const json::Value model = json::parse(result.out);
    EXPECT_EQ(model.at("storeError"), nullptr);
    EXPECT_EQ(model.at("calendarStatus"), "fullAccess");
    EXPECT_EQ(model.at("calendarReadable"), true);
    EXPECT_EQ(model.at("locationAuthorized"), true);
    EXPECT_EQ(model.at("launchAtLogin").at("status"), "enabled");
    EXPECT_EQ(model.at("setupRemaining"), 1);
    EXPECT_EQ(model.at("onboarding").at("defaultBrowser").at("appID"), "com.google.Chrome");
    EXPECT_GE(model.at("observationsToday").get<int>(), 1); // "quev.start" at least
    EXPECT_EQ(model.at("built").at("autopilot"), true);
    EXPECT_EQ(model.at("windows"), json::parse(R"(["nuvo","onboardingIfNeeded","scoresReminderIfDue"])"));
}

TEST(AppModelCommand, RefusesWhatItCannotRun) {
    test::TempDir dir;
    const auto broken = dir.write("broken.json", "{not json");
    const auto machine = dir.write("machine.json", "{}");
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"app-model"},
                                               {"app-model", "--machine", broken},
                                               {"app-model", "--machine", (dir / "missing.json").string()},
                                               {"app-model", "--machine", machine, "--tz", "Mars/Olympus"},
                                               {"app-model", "--machine", machine, "extra"}}) {
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_NE(result.status, 0) << arguments.back();
        EXPECT_EQ(result.out, "") << arguments.back();
        EXPECT_NE(result.err, "") << arguments.back();
    }
}

} // namespace
} // namespace ostrel
