#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/RecordingSurface.hpp"
#include "support/TempDir.hpp"
#include "ui/shell/ModelMenuHost.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace ostrel::ui {
namespace {

// 2025-10-26 23:59 in Berlin, a 25-hour day (summer time ended at 03:00): the start of the day plus
// 24 hours would already have passed.
constexpr Date lateEvening = 1'761'519'540;
constexpr Date nextMidnight = 1'761'519'600;

struct World {
    explicit World(bool failStore = false) {
        time.addFlusher([this] {
            if (model && model->writer()) {
                model->writer()->flush();
            }
        });
        std::filesystem::path url = dir / "data" / "quev.sqlite";
        if (failStore) {
            std::ofstream(dir / "blocker") << "a file";
            url = dir / "blocker" / "quev.sqlite";
        }
        model = std::make_unique<AppModel>(AppModel::Services{runtime, platform, machine.loginItems(), machine.commands(),
                                                              settings, random, surface, windows, berlin, "en_US", url,
                                                              "test"});
        time.settle();
        host = modelMenuHost(*model, [this] { ++quits; });
    }

    test::TempDir dir;
    VirtualTime time{lateEvening};
    VirtualRuntime runtime{time};
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    Platform platform{machine.platform()};
    Settings settings{Settings::inMemory};
    SecureRandom random{5};
    std::vector<std::string> log;
    test::RecordingSurface surface{log};
    RecordedWindows windows;
    Calendar berlin{"Europe/Berlin", "en_US"};
    std::unique_ptr<AppModel> model;
    MenuHost host;
    int quits = 0;
};

TEST(ModelMenuHostTest, PauseLastsUntilTheNextMidnightAndResumeEndsIt) {
    World world;
    EXPECT_FALSE(world.host.status().paused);
    world.host.perform(MenuAction::pause);
    EXPECT_EQ(world.model->autopilot()->pausedUntil(), nextMidnight);
    EXPECT_TRUE(world.host.status().paused);
    world.host.perform(MenuAction::resume);
    EXPECT_FALSE(world.model->autopilot()->pausedUntil().has_value());
    EXPECT_FALSE(world.host.status().paused);
}

TEST(ModelMenuHostTest, RowsOpenTheirWindowsAndQuitEndsTheApplication) {
    World world;
    world.windows.clear();
    for (const MenuAction action :
         {MenuAction::finishSetup, MenuAction::routines, MenuAction::time, MenuAction::settings, MenuAction::quit}) {
        world.host.perform(action);
    }
    EXPECT_EQ(world.windows.calls(),
              (std::vector<std::string>{"onboarding", "home routines", "home time", "settings"}));
    EXPECT_EQ(world.quits, 1);
}

TEST(ModelMenuHostTest, StatusFollowsTheModel) {
    World world;
    world.machine.setLocationAuthorization(MachineState::LocationAuthorization::always);
    world.host.refresh();
    const MenuStatus status = world.host.status();
    EXPECT_EQ(status.setupRemaining, world.model->setupRemaining());
    EXPECT_FALSE(status.storeError.has_value());
    EXPECT_FALSE(status.lastRunName.has_value());
    EXPECT_EQ(status.calendarReadable, world.model->calendarReadable());
}

TEST(ModelMenuHostTest, WithAFailedStoreTheMenuShowsTheErrorAndPausingOnlyRefreshes) {
    World world(true);
    EXPECT_TRUE(world.host.status().storeError.has_value());
    world.host.perform(MenuAction::pause);
    world.host.perform(MenuAction::undo);
    EXPECT_FALSE(world.host.status().paused);
    EXPECT_FALSE(world.settings.get("pausedUntil").has_value());
}

} // namespace
} // namespace ostrel::ui
