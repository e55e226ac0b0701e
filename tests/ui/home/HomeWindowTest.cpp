// The Home window offscreen: one window for the process, the tab model that tells only of a real
// change, the header of each tab, the page area, and closing or switching while a page loads.

#include "app/home/TabSelection.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/TempDir.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/home/HomeView.hpp"
#include "ui/home/HomeWindow.hpp"
#include "ui/home/NewRoutineMenu.hpp"
#include "ui/home/RoutinesPage.hpp"
#include "ui/home/TimePage.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyTabs.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::ui {
namespace {

class HomeWindowTest : public ::testing::Test {
protected:
    ~HomeWindowTest() override { HomeWindow::discard(); }

    QImage picture(QWidget& widget) {
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    void settle() {
        time.settle();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    test::TempDir dir;
    Store store{dir.path() / "quev.sqlite"};
    VirtualTime time{1'796'814'000.0};
    VirtualRuntime runtime{time};
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    Platform platform{machine.platform()};
    Settings settings{Settings::inMemory};
    const Calendar calendar{"Europe/Berlin", "en_US"};
    int settingsShown = 0;
    int editorsOpened = 0;
    const HomeContext context{&store,
                              nullptr,
                              nullptr,
                              nullptr,
                              settings,
                              runtime,
                              platform,
                              calendar,
                              [this](std::unique_ptr<RoutineDraft>, bool) { ++editorsOpened; },
                              [](std::function<void()>) { return Subscription(); },
                              [this] { ++settingsShown; }};
};

TEST_F(HomeWindowTest, TheTabModelTellsOnlyOfARealChange) {
    TabSelection selection;
    int told = 0;
    const Subscription watching = selection.observe([&](TabSelection::Property) { ++told; });
    selection.setTab(HomeTab::routines);
    EXPECT_EQ(told, 0);
    selection.setTab(HomeTab::time);
    selection.setTab(HomeTab::time);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(TabSelection::label(HomeTab::routines), "Routines");
    EXPECT_EQ(TabSelection::label(HomeTab::time), "Your time");
}

TEST_F(HomeWindowTest, TheHeaderAndPageFollowTheSelectedTab) {
    TabSelection selection;
    HomeView view(context, selection, true);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show(); // the header's layout runs
    EXPECT_EQ(view.QWidget::size(), QSize(880, 700));
    EXPECT_EQ(view.pageArea()->geometry(), QRect(96, 232, 688, 424));
    const QPoint tabsAt = view.tabs()->mapTo(&view, QPoint(0, 0));
    EXPECT_EQ(tabsAt.x(), 106);
    EXPECT_NEAR(tabsAt.y() + view.tabs()->height() / 2, 98 + 18, 6) << "the header row sits at y 98";
    EXPECT_NE(qobject_cast<RoutinesPage*>(view.page()), nullptr);
    ASSERT_NE(view.newRoutineMenu(), nullptr);
    EXPECT_EQ(view.settingsButton()->toolTip(), "Settings");
    view.settingsButton()->click();
    EXPECT_EQ(settingsShown, 1);

    // Clicking the selected tab rebuilds nothing.
    QPointer<QWidget> routines = view.page();
    view.tabs()->tabs()[0]->click();
    EXPECT_EQ(view.page(), routines.data());

    view.tabs()->tabs()[1]->click();
    EXPECT_EQ(selection.tab(), HomeTab::time);
    EXPECT_NE(qobject_cast<TimePage*>(view.page()), nullptr);
    EXPECT_EQ(view.newRoutineMenu(), nullptr) << "the New routine menu is for the Routines tab";
    settle();
    EXPECT_TRUE(routines.isNull()) << "the other page goes with its state";

    // Back and forth again: a new time page, which loads again.
    QPointer<QWidget> firstTime = view.page();
    selection.setTab(HomeTab::routines);
    selection.setTab(HomeTab::time);
    settle();
    EXPECT_TRUE(firstTime.isNull());
    EXPECT_NE(qobject_cast<TimePage*>(view.page()), nullptr);
}

TEST_F(HomeWindowTest, ThePageLiesOnAPaleCardUnderTheTabsOnTheSky) {
    TabSelection selection;
    HomeView view(context, selection, false);
    settle();
    const QImage image = picture(view);
    EXPECT_GT(image.pixelColor(440, 645).lightnessF(), 0.9) << "the card under the page's bottom";
    // The selected tab is a white capsule with ink text.
    QAbstractButton* selected = view.tabs()->tabs()[0];
    const QPoint inside = selected->mapTo(&view, QPoint(6, selected->height() / 2));
    EXPECT_EQ(image.pixelColor(inside).name(), QColor(Qt::white).name());
}

TEST_F(HomeWindowTest, OneWindowForTheProcessShownAgainOnTheAskedTab) {
    HomeWindow::show(context, HomeTab::routines);
    CloudPanel* first = HomeWindow::window();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Ostrel");
    EXPECT_EQ(first->size(), QSize(880, 700));
    HomeWindow::show(context, HomeTab::routines);
    EXPECT_EQ(HomeWindow::window(), first);

    first->close(); // closed by the student: hidden, kept
    HomeWindow::show(context, HomeTab::time);
    EXPECT_EQ(HomeWindow::window(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_NE(qobject_cast<TimePage*>(HomeWindow::view()->page()), nullptr);
}

TEST_F(HomeWindowTest, ClosingOrSwitchingWhileAPageLoadsIsSafe) {
    {
        TabSelection selection;
        selection.setTab(HomeTab::time);
        HomeView view(context, selection, true);
        view.show(); // the time page starts its load
        selection.setTab(HomeTab::routines); // and goes before it ends; the routines page loads
        EXPECT_GT(time.pending(), 0U) << "the loads are under way when the window goes";
    }
    settle(); // both loads end with nobody to hand their rows to (the sanitizers watch)
    EXPECT_EQ(time.pending(), 0U);
}

} // namespace
} // namespace ostrel::ui
