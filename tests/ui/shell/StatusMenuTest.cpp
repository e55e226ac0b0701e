// The status menu on the offscreen desktop with a fake tray icon and a manual clock: a click opens
// and closes the panel, Escape, a row or a lost focus close it, a tray click just after a close by
// focus loss does not reopen it, and a change of the status while it is open rebuilds it.

#include "ui/shell/StatusMenu.hpp"

#include "platform/sim/VirtualTime.hpp"
#include "ui/cloud/CloudScene.hpp"
#include "ui/shell/MenuPanel.hpp"
#include "ui/shell/MenuRow.hpp"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::ui {
namespace {

class FakeStatusItem final : public StatusItem {
public:
    Availability availability() const override { return Availability::yes(); }
    void setIcon(const std::string& bytes) override { icon = bytes; }
    void setToolTip(const std::string& text) override { toolTip = text; }
    void setAccessibleName(const std::string& name) override { accessibleName = name; }
    void setOnClick(OnClick callback) override { onClick = std::move(callback); }
    void show() override { shown = true; }

    // A click on the icon at the top of the primary screen.
    void click() {
        ASSERT_TRUE(onClick);
        onClick(Click{Rect{700, 2, 24, 24}, Rect{712, 14, 0, 0}});
    }

    std::string icon;
    std::string toolTip;
    std::string accessibleName;
    OnClick onClick;
    bool shown = false;
};

class StillMotion final : public Appearance {
public:
    bool reduceMotion() const override { return false; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

class StatusMenuTest : public ::testing::Test {
protected:
    std::unique_ptr<StatusMenu> makeMenu() {
        MenuHost host;
        host.refresh = [this] { log.push_back("refresh"); };
        host.status = [this] { return status; };
        host.perform = [this](MenuAction action) {
            log.push_back(std::string("perform ") + std::string(toString(action)) +
                          (menu && menu->isOpen() ? " (open)" : " (closed)"));
            if (action == MenuAction::quit) menu.reset();
        };
        return std::make_unique<StatusMenu>(item, std::move(host), time.clock(), motion);
    }

    void SetUp() override { menu = makeMenu(); }

    void TearDown() override {
        menu.reset();
        // Closed panels go at the next turn of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The panel losing the focus to another window, as the window system reports it.
    void loseFocus() {
        ASSERT_NE(menu->panel(), nullptr);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(menu->panel(), &activate);
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(menu->panel(), &deactivate);
    }

    VirtualTime time;
    StillMotion motion;
    FakeStatusItem item;
    MenuStatus status;
    std::vector<std::string> log;
    std::unique_ptr<StatusMenu> menu;
};

TEST_F(StatusMenuTest, ShowsTheIconWithItsNameAndToolTipAtOnce) {
    EXPECT_TRUE(item.shown);
    EXPECT_EQ(item.accessibleName, "Ostrel");
    EXPECT_EQ(item.toolTip, "Ostrel");
    EXPECT_NE(item.icon.find("<svg"), std::string::npos);
    EXPECT_FALSE(menu->isOpen());
}

TEST_F(StatusMenuTest, AClickRefreshesThenOpensThePanelUnderTheIcon) {
    status.setupRemaining = 2;
    item.click();
    ASSERT_TRUE(menu->isOpen());
    EXPECT_EQ(log, std::vector<std::string>{"refresh"});
    EXPECT_EQ(item.toolTip, "Ostrel \u2014 finish setting up");

    MenuPanel& panel = *menu->panel();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.geometry(), QRect(712 - 190, 2 + 24 - 14, 380, 470));
    EXPECT_EQ(panel.scene().art(), "menu-6");
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(panel.rows().size(), 6u);
    EXPECT_EQ(panel.rows().front()->item().badge, "2 left");
}

TEST_F(StatusMenuTest, EachWayOfClosingHidesThePanel) {
    struct Case {
        const char* name;
        std::function<void()> close;
    };
    const std::vector<Case> cases = {
        {"a second click", [this] { item.click(); }},
        {"Escape", [this] { QTest::keyClick(menu->panel(), Qt::Key_Escape); }},
        {"focus loss", [this] { loseFocus(); }},
        {"another window taking the focus",
         [this] {
             QWidget other;
             other.resize(100, 100);
             other.show();
             other.activateWindow();
         }},
        {"a press in another of our windows",
         [this] {
             QWidget other;
             other.resize(100, 100);
             other.show();
             QTest::mouseClick(&other, Qt::LeftButton);
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        item.click();
        ASSERT_TRUE(menu->isOpen());
        const QPointer<MenuPanel> panel = menu->panel();
        test.close();
        EXPECT_FALSE(menu->isOpen());
        ASSERT_FALSE(panel.isNull());
        EXPECT_FALSE(panel->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(panel.isNull());
        time.advance(1); // past the reopening guard
    }
}

TEST_F(StatusMenuTest, ARowClosesThePanelThenPerformsItsAction) {
    status.lastRunName = "Calculus";
    for (const MenuAction action : {MenuAction::undo, MenuAction::pause, MenuAction::settings}) {
        log.clear();
        item.click();
        ASSERT_TRUE(menu->isOpen());
        MenuRow* row = menu->panel()->row(action);
        ASSERT_NE(row, nullptr) << toString(action);
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 3, row->height() / 2));
        EXPECT_EQ(log, (std::vector<std::string>{"refresh", "perform " + std::string(toString(action)) + " (closed)"}));
        EXPECT_FALSE(menu->isOpen());
    }
}

TEST_F(StatusMenuTest, QuitMayEndTheMenuFromInsideTheClick) {
    item.click();
    MenuRow* quit = menu->panel()->row(MenuAction::quit);
    ASSERT_NE(quit, nullptr);
    QTest::mouseClick(quit, Qt::LeftButton);
    EXPECT_EQ(menu, nullptr);
    EXPECT_EQ(log.back(), "perform quit (closed)");
}

TEST_F(StatusMenuTest, ATrayClickRightAfterAFocusLossCloseDoesNotReopen) {
    struct Case {
        double after; // seconds from the close to the tray click
        bool reopens;
    };
    const std::vector<Case> cases = {{0, false}, {0.1, false}, {0.299, false}, {0.3, true}, {2, true}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.after);
        item.click();
        ASSERT_TRUE(menu->isOpen());
        loseFocus();
        ASSERT_FALSE(menu->isOpen());
        time.advance(test.after);
        item.click();
        EXPECT_EQ(menu->isOpen(), test.reopens);
        // The swallowed click is spent: the next one opens whatever the time.
        if (!test.reopens) {
            item.click();
            EXPECT_TRUE(menu->isOpen());
        }
        menu->close();
    }
}

TEST_F(StatusMenuTest, OnlyAFocusLossGuardsTheNextClick) {
    item.click();
    QTest::keyClick(menu->panel(), Qt::Key_Escape);
    item.click();
    EXPECT_TRUE(menu->isOpen());

    // Nor does a row.
    menu->panel()->row(MenuAction::routines)->click();
    item.click();
    EXPECT_TRUE(menu->isOpen());
}

TEST_F(StatusMenuTest, AChangeOfRowCountWhileOpenRebuildsThePanel) {
    item.click();
    ASSERT_TRUE(menu->isOpen());
    const QPointer<MenuPanel> first = menu->panel();
    EXPECT_EQ(first->height(), 435);

    // The same rows: the panel stays.
    status.calendarReadable = true;
    menu->statusChanged();
    EXPECT_EQ(menu->panel(), first.data());

    status.setupRemaining = 1;
    status.lastRunName = "Calculus";
    menu->statusChanged();
    ASSERT_TRUE(menu->isOpen());
    EXPECT_NE(menu->panel(), first.data());
    EXPECT_EQ(menu->panel()->size(), QSize(380, 505));
    EXPECT_EQ(menu->panel()->scene().art(), "menu-7");
    EXPECT_EQ(menu->panel()->pos(), QPoint(522, 12));
    EXPECT_TRUE(menu->panel()->isVisible());
    EXPECT_EQ(item.toolTip, "Ostrel \u2014 finish setting up");
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(std::count(log.begin(), log.end(), "refresh"), 1) << "a rebuild reads the status, not the model";

    // Closed, a change only moves the tooltip.
    menu->close();
    status.setupRemaining = 0;
    menu->statusChanged();
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(item.toolTip, "Ostrel");
}

} // namespace
} // namespace ostrel::ui
