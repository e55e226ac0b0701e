#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/RecordingSurface.hpp"
#include "support/TempDir.hpp"
#include "ui/shell/PlaceholderWindows.hpp"
#include "ui/home/HomeWindow.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace ostrel::ui {
namespace {

TEST(PlaceholderWindowsTest, EachWindowIsMadeOnceAtItsSizeWithItsTitleAndShownAgainOnEveryCall) {
    test::TempDir dir;
    std::ofstream(dir / "blocker") << "a file"; // the model needs no store here
    VirtualTime time;
    VirtualRuntime runtime(time);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    Platform platform = machine.platform();
    Settings settings(Settings::inMemory);
    SecureRandom random(1);
    std::vector<std::string> log;
    test::RecordingSurface surface(log);
    RecordedWindows recorded;
    const Calendar calendar("UTC", "en_US");
    AppModel model(AppModel::Services{runtime, platform, machine.loginItems(), machine.commands(), settings, random,
                                      surface, recorded, calendar, "en_US", dir / "blocker" / "quev.sqlite", "test"});

    PlaceholderWindows windows(time.clock(), machine.appearance());
    EXPECT_EQ(windows.home(), nullptr);
    windows.showOnboardingIfNeeded(model); // its showing rules are not built: nothing shows
    windows.showScoresReminderIfDue(model);
    EXPECT_EQ(windows.onboarding(), nullptr);

    struct Case {
        const char* title;
        QSize size;
        std::function<void()> show;
        std::function<CloudPanel*()> window;
    };
    const std::vector<Case> cases{
        {"Ostrel", {880, 700}, [&] { windows.showHome(model, HomeTab::time); }, [&] { return windows.home(); }},
        {"Set up Ostrel", {660, 720}, [&] { windows.showOnboarding(model); }, [&] { return windows.onboarding(); }},
        {"Ostrel Settings", {760, 620}, [&] { windows.showSettings(model, std::nullopt); }, [&] { return windows.settings(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        c.show();
        CloudPanel* first = c.window();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->windowTitle().toStdString(), c.title);
        EXPECT_EQ(first->size(), c.size);
        EXPECT_TRUE(first->isVisible());
        first->hide(); // closed by the user: kept, and shown again
        c.show();
        EXPECT_EQ(c.window(), first);
        EXPECT_TRUE(first->isVisible());
    }
    HomeWindow::discard(); // its context goes with this test's model
}

} // namespace
} // namespace ostrel::ui
