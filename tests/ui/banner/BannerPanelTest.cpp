// The banner on the offscreen desktop: where the panel sits on two screens, what it shows for a
// question and a result, and that its buttons answer through the banner's rules.

#include "ui/banner/BannerCard.hpp"
#include "ui/banner/BannerPanel.hpp"

#include "platform/sim/VirtualTime.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SunButton.hpp"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ostrel::ui {
namespace {

class BannerPanelTest : public ::testing::Test {
protected:
    BannerCard& card() { return static_cast<BannerCard&>(panel.window()); }

    void ask(const std::string& title, const std::string& detail = "Opens Notes and the class page") {
        Banner::View view;
        view.title = title;
        view.detail = detail;
        view.primary = Banner::Button{"Set up", banner.answered([this, title] { log.push_back("yes " + title); })};
        view.secondary = Banner::Button{"Not now", banner.answered([this, title] { log.push_back("no " + title); })};
        banner.show(std::move(view), 30, [this, title] { log.push_back("unanswered " + title); });
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    std::vector<std::string> log;
    Banner* target = nullptr;
    BannerPanel panel{[this](Banner::Which which) { target->press(which); }};
    Banner banner{panel, main};

    void SetUp() override { target = &banner; }
};

TEST_F(BannerPanelTest, SitsAtTheTopRightOfThePrimaryScreenWhateverTheOtherScreens) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "the tests' screen layout has two screens";
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1440, 900));

    ask("Set up Calculus?");
    QWidget& window = panel.window();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(1440 - 426, -8, 420, 150));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));

    // Placement is the available area's, wherever that screen lies.
    EXPECT_EQ(BannerPanel::origin(QRect(1440, -200, 1920, 1160)), QPoint(1440 + 1920 - 426, -208));
}

TEST_F(BannerPanelTest, AQuestionHasASunButtonAndALinkAndAResultItsOneSunButton) {
    ask("Set up Calculus?");
    ASSERT_NE(dynamic_cast<SunButton*>(card().primaryButton()), nullptr);
    EXPECT_EQ(card().primaryButton()->text(), "Set up");
    ASSERT_NE(dynamic_cast<SkyLink*>(card().secondaryButton()), nullptr);
    EXPECT_EQ(card().secondaryButton()->text(), "Not now");
    EXPECT_EQ(card().titleLabel()->text(), "Set up Calculus?");

    Banner::View result;
    result.title = "Calculus is set up";
    result.detail = "Opened Notes";
    result.secondary = Banner::Button{"Undo", [this] { log.push_back("undo"); }};
    banner.show(std::move(result), 10);
    EXPECT_EQ(card().primaryButton(), nullptr);
    ASSERT_NE(dynamic_cast<SunButton*>(card().secondaryButton()), nullptr);
    EXPECT_EQ(card().secondaryButton()->text(), "Undo");
    EXPECT_EQ(log, std::vector<std::string>{"unanswered Set up Calculus?"});
}

TEST_F(BannerPanelTest, PressingAButtonAnswersOnceAndTakesThePanelDown) {
    ask("Set up Calculus?");
    QTest::mouseClick(card().primaryButton(), Qt::LeftButton);
    EXPECT_EQ(log, std::vector<std::string>{"yes Set up Calculus?"});
    EXPECT_FALSE(panel.window().isVisible());

    // The time-out of the answered question finds nothing left to report.
    time.advance(60);
    EXPECT_EQ(log, std::vector<std::string>{"yes Set up Calculus?"});
}

TEST_F(BannerPanelTest, TheTimeOutClosesThePanelThenCallsTheQuestionUnanswered) {
    ask("Set up Calculus?");
    time.advance(30);
    EXPECT_FALSE(panel.window().isVisible());
    EXPECT_EQ(log, std::vector<std::string>{"unanswered Set up Calculus?"});
}

TEST_F(BannerPanelTest, LongTextsKeepToTwoLinesEndingInAnEllipsis) {
    ask("Set up Introduction to Computational Linear Algebra and Numerical Methods for Engineers?",
        "Opens Notes, Firefox, the class page, the lecture slides, the problem set and the reading list");
    for (const QLabel* label : {card().titleLabel(), card().detailLabel()}) {
        const QStringList lines = label->text().split('\n');
        EXPECT_EQ(lines.size(), 2) << label->text().toStdString();
        EXPECT_TRUE(lines.back().endsWith(QChar(0x2026))) << label->text().toStdString();
    }
}

TEST_F(BannerPanelTest, TheSunIsASunColouredDiscLeftOfTheTexts) {
    ask("Set up Calculus?");
    const QImage image = panel.window().grab().toImage();
    // The sun's frame starts at the side padding, vertically centred: its disc's centre.
    const QPoint centre(BannerCard::sidePadding + 22, 75);
    EXPECT_EQ(image.pixelColor(centre).rgb(), Sky::sun().rgb());
}

} // namespace
} // namespace ostrel::ui
