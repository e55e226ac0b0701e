// The status menu's panel: where the header and rows sit, how a long title shrinks then elides,
// the line's two-line limit, and the colours a row shows at rest, under the pointer and with a
// badge.

#include "ui/shell/MenuPanel.hpp"

#include "platform/sim/VirtualTime.hpp"
#include "ui/shell/MenuIcon.hpp"
#include "ui/shell/MenuRow.hpp"
#include "ui/theme/Sky.hpp"

#include <QEnterEvent>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel::ui {
namespace {

class StillMotion final : public Appearance {
public:
    bool reduceMotion() const override { return false; }
    Subscription subscribe(Executor&, Callback) override { return {}; }
};

class MenuPanelTest : public ::testing::Test {
protected:
    MenuContent content(MenuStatus status) { return MenuContent::of(status); }

    VirtualTime time;
    StillMotion motion;
};

UpcomingEvent now(std::string title, std::string plan) {
    UpcomingEvent next;
    next.event.title = std::move(title);
    next.when = "Now";
    next.plan = std::move(plan);
    return next;
}

TEST_F(MenuPanelTest, LaysTheHeaderAndRowsOutOverTheSky) {
    MenuStatus status;
    status.setupRemaining = 3;
    status.lastRunName = "Calculus";
    MenuPanel panel(content(status), time.clock(), motion);
    panel.ensurePolished();

    EXPECT_EQ(panel.size(), QSize(380, 505));
    EXPECT_EQ(panel.captionLabel()->text(), "OSTREL");
    EXPECT_EQ(panel.titleLabel()->text(), "Nothing else today");
    EXPECT_EQ(panel.captionLabel()->mapTo(&panel, QPoint(0, 0)), MenuPanel::headerOrigin);
    ASSERT_EQ(panel.rows().size(), 7u);
    for (std::size_t i = 0; i < panel.rows().size(); ++i) {
        const MenuRow* row = panel.rows()[i];
        SCOPED_TRACE(row->text().toStdString());
        EXPECT_EQ(QRect(row->mapTo(&panel, QPoint(0, 0)), row->size()),
                  QRect(48, 200 + static_cast<int>(i) * (MenuRow::rowHeight + MenuPanel::rowSpacing), 284, MenuRow::rowHeight));
    }
    // The last row ends above the art's bottom edge, with the sky's inset to spare.
    const MenuRow* last = panel.rows().back();
    EXPECT_LE(last->mapTo(&panel, QPoint(0, last->height())).y(), panel.height() - 2 * MenuPanel::skyInset);
    // The header's texts end before the rows begin.
    const QLabel* line = panel.lineLabel();
    EXPECT_LE(line->mapTo(&panel, QPoint(0, line->sizeHint().height())).y(), MenuPanel::rowsOrigin.y());
}

TEST_F(MenuPanelTest, ALongTitleShrinksThenElidesOnOneLine) {
    struct Case {
        std::string title;
        int largest;
        int smallest;
        bool elided;
    };
    const std::vector<Case> cases = {
        {"Calculus", MenuPanel::titleSize, MenuPanel::titleSize, false},
        {"Introduction to Linear Algebra", MenuPanel::titleSize - 1, MenuPanel::minimumTitleSize, false},
        {"Introduction to Computational Linear Algebra and Numerical Methods", MenuPanel::minimumTitleSize,
         MenuPanel::minimumTitleSize, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.title);
        MenuStatus status;
        status.nextUp = now(test.title, "Opens Notes");
        MenuPanel panel(content(status), time.clock(), motion);
        const QLabel* title = panel.titleLabel();
        EXPECT_LE(title->font().pixelSize(), test.largest);
        EXPECT_GE(title->font().pixelSize(), test.smallest);
        EXPECT_FALSE(title->text().contains('\n'));
        EXPECT_EQ(title->text().endsWith(QChar(0x2026)), test.elided);
        QString shown = title->text();
        if (test.elided) shown.chop(1);
        EXPECT_TRUE(QString::fromStdString(test.title).startsWith(shown)) << shown.toStdString();
        EXPECT_LE(title->sizeHint().width(), MenuPanel::headerWidth);
    }
}

TEST_F(MenuPanelTest, TheLineKeepsToTwoLinesAndAnEmptyOneIsNotShown) {
    MenuStatus status;
    status.nextUp = now("Calculus", "Opens Notes, Firefox, the class page, the lecture slides, the problem set, the "
                                    "reading list and the group chat");
    MenuPanel wordy(content(status), time.clock(), motion);
    const QStringList lines = wordy.lineLabel()->text().split('\n');
    EXPECT_EQ(lines.size(), MenuPanel::maxLines);
    EXPECT_TRUE(lines.back().endsWith(QChar(0x2026)));

    status.nextUp = now("Calculus", "");
    MenuPanel bare(content(status), time.clock(), motion);
    EXPECT_TRUE(bare.lineLabel()->isHidden());
}

// The colour at a point of a row drawn alone, over white.
QColor sample(MenuRow& row, QPoint point) {
    QImage image(row.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    row.render(&image, {}, {}, QWidget::DrawChildren);
    return image.pixelColor(point);
}

TEST_F(MenuPanelTest, ARowShowsItsCapsuleUnderThePointerAndItsBadgeOnTheSun) {
    MenuStatus status;
    status.setupRemaining = 12;
    MenuPanel panel(content(status), time.clock(), motion);
    MenuRow& setup = *panel.rows().front();
    const QPoint emptyPart(setup.titleRect().right() - 2, 2);
    EXPECT_EQ(sample(setup, emptyPart).rgb(), QColor(Qt::white).rgb());
    setup.setHighlighted(true);
    EXPECT_EQ(sample(setup, emptyPart).rgb(), Sky::horizon().rgb());

    const QRect badge = setup.badgeRect();
    ASSERT_FALSE(badge.isEmpty());
    EXPECT_EQ(badge.right(), setup.width() - MenuRow::paddingX - 1);
    EXPECT_EQ(sample(setup, QPoint(badge.left() + 3, badge.center().y())).rgb(), Sky::sun().rgb());
    EXPECT_LE(setup.titleRect().right(), badge.left());

    // The pointer moving in and out drives the capsule.
    MenuRow& pause = *panel.row(MenuAction::pause);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&pause, &enter);
    EXPECT_TRUE(pause.highlighted());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&pause, &leave);
    EXPECT_FALSE(pause.highlighted());
}

TEST_F(MenuPanelTest, EscapeIsReportedAndARowClickNamesItsAction) {
    MenuPanel panel(content(MenuStatus{}), time.clock(), motion);
    std::vector<std::string> log;
    panel.setOnChoose([&](MenuAction action) { log.emplace_back(toString(action)); });
    panel.setOnEscape([&] { log.emplace_back("escape"); });
    QTest::keyClick(&panel, Qt::Key_Escape);
    QTest::keyClick(&panel, Qt::Key_A);
    QTest::mouseClick(panel.row(MenuAction::time), Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseClick(panel.row(MenuAction::routines), Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"escape", "time", "routines"}));
}

TEST(MenuIcon, IsAWhiteCloudWithADarkEdgeOnATransparentGround) {
    for (const qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage icon = MenuIcon::image(ratio);
        ASSERT_EQ(icon.size(), QSize(18, 18) * ratio);
        EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
        // The middle of the cloud is white; its outline somewhere on the middle row is dark.
        const int middle = icon.height() * 13 / 24;
        EXPECT_EQ(icon.pixelColor(icon.width() / 2, middle).rgba(), QColor(Qt::white).rgba());
        int darkest = 255;
        for (int x = 0; x < icon.width(); ++x) {
            const QColor c = icon.pixelColor(x, middle);
            if (c.alpha() >= 200) darkest = std::min(darkest, c.lightness());
        }
        EXPECT_LT(darkest, 80);
    }
}

} // namespace
} // namespace ostrel::ui
