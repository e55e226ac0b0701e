// The workspace source through the observer, from a machine operation to the stored row.

#include "support/ObserverWorld.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ObserverWorld;

MachineState::InstalledApp app(std::string id, std::string name, bool regular = true) {
    MachineState::InstalledApp installed;
    installed.appID = std::move(id);
    installed.name = std::move(name);
    installed.path = "/usr/share/applications/" + installed.appID + ".desktop";
    installed.regular = regular;
    return installed;
}

const std::set<Signal> appSignals{Signal::appLaunch, Signal::appActivate, Signal::appHide,
                                  Signal::appUnhide, Signal::appQuit,     Signal::appsRunning};

class WorkspaceSignalsTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.machine.installApp(app("org.example.Editor", "Editor"));
        world.machine.installApp(app("com.apple.mail", "Mail")); // on the default exclusion list
        world.machine.installApp(app("org.example.Helper", "Helper", false));
    }

    ObserverWorld world;
};

TEST_F(WorkspaceSignalsTest, AppEventsAreRecordedOnlyForRegularAppsOtherThanThisOne) {
    world.startObserver();
    const int editor = world.machine.launch("org.example.Editor");
    world.machine.launch("org.example.Helper");
    world.machine.activate(world.machine.workspace().ownPid());
    world.machine.hide(editor);
    world.machine.unhide(editor);
    world.machine.quit(editor);

    const std::string editorPayload =
        R"({"bundleID":"org.example.Editor","name":"Editor","path":"/usr/share/applications/org.example.Editor.desktop"})";
    EXPECT_EQ(world.rows(appSignals), (std::vector<std::string>{
                                          R"(apps.running {"apps":[]})",
                                          "app.launch " + editorPayload,
                                          "app.activate " + editorPayload,
                                          "app.hide " + editorPayload,
                                          "app.unhide " + editorPayload,
                                          "app.quit " + editorPayload,
                                      }));
}

TEST_F(WorkspaceSignalsTest, AnExcludedAppLeavesOnlyAnAnonymousActivation) {
    world.startObserver();
    world.machine.resetCalls();
    const int mail = world.machine.launch("com.apple.mail");
    world.machine.hide(mail);
    world.machine.unhide(mail);
    world.machine.activate(mail);
    world.machine.sleep(60); // the wake snapshots the running apps while mail is in front
    world.machine.quit(mail);

    const auto rows = world.rows(appSignals);
    ASSERT_EQ(rows.size(), 4u) << testing::PrintToString(rows);
    EXPECT_EQ(rows[1], R"(app.activate {"excluded":true})");
    EXPECT_EQ(rows[2], R"(app.activate {"excluded":true})");
    EXPECT_EQ(rows[3], R"(apps.running {"apps":[]})");
    // The window source never asked anything about it.
    for (const char* call :
         {"windows", "focusedWindow", "subrole", "title", "document", "frame", "minimized"}) {
        EXPECT_EQ(world.machine.calls(call), 0) << call;
    }
}

TEST_F(WorkspaceSignalsTest, ArrivalsRecordTheRunningAppsThenRunTheArrival) {
    world.startObserver();
    const int editor = world.machine.launch("org.example.Editor");
    world.machine.launchHidden("com.apple.mail");
    world.machine.activate(editor);
    world.machine.lock();
    world.machine.unlock();
    world.machine.sleep(600);

    const std::string snapshot =
        R"(apps.running {"apps":[{"bundleID":"org.example.Editor","hidden":false,"name":"Editor","path":"/usr/share/applications/org.example.Editor.desktop"}],"front":"org.example.Editor"})";
    EXPECT_EQ(world.rows({Signal::appsRunning, Signal::lock, Signal::unlock, Signal::sleep, Signal::wake}),
              (std::vector<std::string>{R"(apps.running {"apps":[]})", "screen.lock {}", "screen.unlock {}",
                                        snapshot, "system.sleep {}", "system.wake {}", snapshot}));
    // Each arrival ran the trigger recorder: the unlock and the wake were handed over (the start
    // is no trigger without a console login before it).
    std::vector<Trigger::Kind> kinds;
    for (const auto& batch : world.handed) {
        for (const Trigger& trigger : batch) {
            kinds.push_back(trigger.kind);
        }
    }
    EXPECT_EQ(kinds, (std::vector<Trigger::Kind>{Trigger::Kind::unlock, Trigger::Kind::wake}));
}

} // namespace
} // namespace ostrel
