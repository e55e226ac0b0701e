#include "ui/editor/AddMenu.hpp"

#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QAction>
#include <QDeadlineTimer>
#include <QTest>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QStringList entries(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? "---" : action->text());
    return texts;
}

bool isWhite(QRgb pixel) {
    return qRed(pixel) > 250 && qGreen(pixel) > 250 && qBlue(pixel) > 250;
}

TEST(AddMenuTest, ItIsExactlyItsLabelPadded11By6) {
    const AddMenu add("Add an app");
    const QSizeF label = ButtonLabel{"Add an app", "plus", Fonts::font(13, Fonts::Weight::semibold)}.size();
    EXPECT_EQ(add.sizeHint(), QSize(int(std::ceil(label.width())) + 22, int(std::ceil(label.height())) + 12));
    EXPECT_EQ(add.size(), add.sizeHint());
    EXPECT_EQ(add.minimumSizeHint(), add.sizeHint());
    EXPECT_EQ(add.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

TEST(AddMenuTest, TheBorderIsDashed4On3OffInFadedButtonBlue) {
    AddMenu add("Add an app to open");
    const QImage image = rendered(add);
    // Along the straight top edge (the stroke covers the top pixel row): the start of each dash.
    const int from = add.height() / 2 + 2;
    const int to = add.width() - add.height() / 2 - 2;
    std::vector<int> starts;
    bool on = false;
    int gapPixels = 0;
    for (int x = from; x <= to; ++x) {
        const QRgb pixel = image.pixel(x, 0);
        const bool inked = qRed(pixel) < 215;
        if (inked && !on && x > from)
            starts.push_back(x);
        if (isWhite(pixel))
            ++gapPixels;
        on = inked;
    }
    ASSERT_GE(starts.size(), 4u);
    EXPECT_GT(gapPixels, (to - from) / 7);
    const double period = double(starts.back() - starts.front()) / double(starts.size() - 1);
    EXPECT_NEAR(period, AddMenu::dash + AddMenu::gap, 0.5);
    // Within a dash the colour is the button blue at 45 % over the ground.
    const QColor expected = QColor::fromRgbF(static_cast<float>(0.45 * Sky::button().redF() + 0.55),
                                             static_cast<float>(0.45 * Sky::button().greenF() + 0.55),
                                             static_cast<float>(0.45 * Sky::button().blueF() + 0.55));
    const QColor middle = image.pixelColor(starts[1] + 1, 0);
    EXPECT_NEAR(middle.red(), expected.red(), 12);
    EXPECT_NEAR(middle.green(), expected.green(), 12);
    EXPECT_NEAR(middle.blue(), expected.blue(), 12);
    // Nothing fills the capsule.
    EXPECT_TRUE(isWhite(image.pixel(add.width() / 2, 3)));
}

TEST(AddMenuTest, NothingIsDrawnAfterTheLabel) {
    AddMenu add("Add a cue");
    const QImage image = rendered(add);
    const QRectF label = add.labelRect();
    bool labelInked = false;
    for (int x = int(label.left()); x < int(label.right()); ++x)
        labelInked |= !isWhite(image.pixel(x, add.height() / 2));
    EXPECT_TRUE(labelInked);
    // Between the label's end and the border: no chevron, nothing at all.
    for (int y = add.height() / 2 - 4; y <= add.height() / 2 + 4; ++y) {
        for (int x = int(std::ceil(label.right())) + 1; x < add.width() - 3; ++x) {
            EXPECT_TRUE(isWhite(image.pixel(x, y))) << x << "," << y;
        }
    }
}

TEST(AddMenuTest, TheBuilderRefillsTheMenuEachTime) {
    AddMenu add("Add an app");
    int builds = 0;
    QStringList chosen;
    add.setMenuBuilder([&](QMenu& menu) {
        ++builds;
        menu.addAction("Build " + QString::number(builds),
                       [&chosen, builds] { chosen << QString::number(builds); });
        menu.addSeparator();
        menu.addAction("Choose…");
    });
    EXPECT_EQ(entries(*add.buildMenu()), QStringList({"Build 1", "---", "Choose…"}));
    EXPECT_EQ(entries(*add.buildMenu()), QStringList({"Build 2", "---", "Choose…"}));
    add.menu()->actions().front()->trigger();
    EXPECT_EQ(chosen, QStringList({"2"}));
}

TEST(AddMenuTest, WithoutABuilderTheMenuKeepsWhatTheCallerPutIn) {
    AddMenu add("Add a moment");
    add.menu()->addAction("Morning");
    add.menu()->addAction("Evening");
    EXPECT_EQ(entries(*add.buildMenu()), QStringList({"Morning", "Evening"}));
    EXPECT_EQ(entries(*add.buildMenu()), QStringList({"Morning", "Evening"}));
}

TEST(AddMenuTest, AClickBuildsAndShowsTheMenuUnlessItIsEmpty) {
    for (const bool withEntries : {true, false}) {
        SCOPED_TRACE(withEntries);
        QWidget window;
        auto* add = new AddMenu("Add an app", &window);
        int builds = 0;
        add->setMenuBuilder([&](QMenu& menu) {
            ++builds;
            if (withEntries)
                menu.addAction("Mail");
        });
        window.resize(add->size());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, add->rect().center());
        EXPECT_EQ(builds, 1);
        EXPECT_EQ(add->menu()->isVisible(), withEntries);
        add->menu()->close();
    }
}

} // namespace
} // namespace ostrel::ui
