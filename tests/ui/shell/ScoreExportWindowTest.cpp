// The score export window over a real store in virtual time: the export built off main and shown,
// one window at a time, no store keeping "Scoring…", the actions marking the scores as sent, the
// reminder opening it through the application's windows, and closing it while it builds.

#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "app/shell/ScoreExportBuild.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/RecordingSurface.hpp"
#include "support/TempDir.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/shell/PlaceholderWindows.hpp"
#include "ui/shell/ScoreExportView.hpp"
#include "ui/shell/ScoreExportWindow.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPointer>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

MachineState withMail() {
    MachineState state = MachineState::withOwnApp();
    MachineState::InstalledApp mail;
    mail.appID = "org.example.Mail";
    state.installed.push_back(mail);
    state.defaultHandlers["mailto"] = "org.example.Mail";
    return state;
}

class ScoreExportWindowTest : public ::testing::Test {
protected:
    ScoreExportWindowTest() {
        test::ClassHistory classes(store);
        for (int n = 0; n < 3; ++n) {
            classes.classHeld(n);
            classes.broughtUp(n, {test::app("org.gnome.gedit")});
        }
    }
    ~ScoreExportWindowTest() override { ScoreExportWindow::discard(); }

    ScoreExportWindow::Sources sources(Store* with, std::optional<std::string> recipient = "scores@example.org") {
        return {with,     runtime,        calendar, settings, machine.workspace(), machine.appearance(), "1.2",
                {{"calendar", true}}, std::move(recipient)};
    }
    void settle() {
        time.settle();
        QApplication::processEvents();
    }

    test::TempDir dir;
    Store store{dir.path() / "quev.sqlite"};
    VirtualTime time{static_cast<Date>(test::ClassHistory::firstClass + 3 * test::ClassHistory::week) / 1000};
    VirtualRuntime runtime{time};
    SimulatedMachine machine{withMail(), &time};
    Settings settings{Settings::inMemory};
    const Calendar calendar{"Europe/Berlin", "en_US"};
};

TEST_F(ScoreExportWindowTest, TheExportIsBuiltOffMainThenShownWithItsButtons) {
    ScoreExportWindow::open(sources(&store), false);
    CloudPanel* window = ScoreExportWindow::window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Export my scores");
    EXPECT_EQ(window->size(), QSize(600, 700));
    ScoreExportView* view = ScoreExportWindow::view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->title()->text(), "Your scores");
    EXPECT_FALSE(view->text()) << "built on the worker, not inside open()";
    EXPECT_TRUE(view->scoringLabel()->isVisible());

    settle();
    ASSERT_TRUE(view->text());
    EXPECT_TRUE(view->text()->startsWith("{"));
    EXPECT_TRUE(view->text()->contains("\"version\" : \"1.2\"")) << view->text()->left(400).toStdString();
    EXPECT_TRUE(view->copyButton()->isVisible());
    ASSERT_NE(view->emailButton(), nullptr);

    // Mailing hands the URL to the desktop's mail application and marks the scores as sent.
    view->emailButton()->click();
    EXPECT_EQ(settings.boolean(settingsKeys::scoresSent), true);
}

TEST_F(ScoreExportWindowTest, CopyPutsTheWholeTextOnTheClipboard) {
    ScoreExportWindow::open(sources(&store, std::nullopt), true);
    settle();
    ScoreExportView* view = ScoreExportWindow::view();
    ASSERT_TRUE(view->text());
    EXPECT_EQ(view->emailButton(), nullptr) << "no recipient, no mail";
    view->copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text(), *view->text());
    EXPECT_EQ(settings.boolean(settingsKeys::scoresSent), true);
}

TEST_F(ScoreExportWindowTest, OneWindowAtATimeAndWithoutAStoreItKeepsScoring) {
    ScoreExportWindow::open(sources(&store), true);
    QPointer<CloudPanel> first = ScoreExportWindow::window();
    ScoreExportWindow::open(sources(nullptr), false); // from the settings, over the reminder
    EXPECT_TRUE(first.isNull()) << "the open window is closed, not reused";
    settle();
    ScoreExportView* view = ScoreExportWindow::view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->title()->text(), "Your scores");
    EXPECT_FALSE(view->text());
    EXPECT_TRUE(view->scoringLabel()->isVisible());
    EXPECT_FALSE(view->copyButton()->isVisible());
}

TEST_F(ScoreExportWindowTest, ClosingWhileItBuildsIsSafe) {
    ScoreExportWindow::open(sources(&store), false);
    EXPECT_GT(time.pending(), 0U) << "the build is under way";
    ScoreExportWindow::window()->close(); // destroyed on close
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settle(); // the build ends with nobody to hand its text to (the sanitizers watch)
    EXPECT_EQ(ScoreExportWindow::window(), nullptr);
}

TEST_F(ScoreExportWindowTest, TheApplicationsReminderOpensItThreeWeeksAfterTheFirstLaunch) {
    SecureRandom random(1);
    std::vector<std::string> log;
    test::RecordingSurface surface(log);
    RecordedWindows recorded;
    Platform platform = machine.platform();
    AppModel model(AppModel::Services{runtime, platform, machine.loginItems(), machine.commands(), settings,
                                      random, surface, recorded, calendar, "en_US", dir.path() / "app.sqlite", ""});
    PlaceholderWindows windows(time.clock(), machine.appearance(), "scores@example.org");

    windows.showScoresReminderIfDue(model); // the first start: only the first launch is kept
    EXPECT_EQ(ScoreExportWindow::window(), nullptr);
    time.advance(21 * 86'400 + 1);
    windows.showScoresReminderIfDue(model);
    ASSERT_NE(ScoreExportWindow::view(), nullptr);
    EXPECT_EQ(ScoreExportWindow::view()->title()->text(), "It's been 3 weeks!");
    EXPECT_NE(ScoreExportWindow::view()->emailButton(), nullptr);
    settle();
    ASSERT_TRUE(ScoreExportWindow::view()->text());
    EXPECT_TRUE(ScoreExportWindow::view()->text()->contains("\"version\" : \"dev\""));
}

} // namespace
} // namespace ostrel::ui
