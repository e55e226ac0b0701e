#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyButton.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SunButton.hpp"

#include <QAccessible>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace ostrel::ui {
namespace {

// color at opacity over an opaque background, as 8-bit channels.
QRgb over(QColor color, double opacity, QColor background) {
    auto mix = [&](double top, double bottom) { return static_cast<int>(std::lround((top * opacity + bottom * (1 - opacity)) * 255)); };
    return qRgb(mix(color.redF(), background.redF()), mix(color.greenF(), background.greenF()), mix(color.blueF(), background.blueF()));
}

void expectNear(QRgb actual, QRgb expected) {
    EXPECT_NEAR(qRed(actual), qRed(expected), 1);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 1);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 1);
}

// The widget drawn over an opaque white ground.
QImage onWhite(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QSize labelSize(const QString& text, int pixels, Fonts::Weight weight) {
    const QFontMetricsF metrics(Fonts::font(pixels, weight));
    return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text))), static_cast<int>(std::ceil(metrics.height()))};
}

TEST(SkyButtonTest, IsAtLeast240By46PlusItsShadowAndGrowsWithItsText) {
    const SkyButton shortOne("Go");
    EXPECT_EQ(shortOne.sizeHint(), QSize(240, 46).grownBy(SkyButton::shadowMargins()));
    const QString longText = "Continue with the calendar you already use every day";
    const SkyButton longOne(longText);
    EXPECT_EQ(longOne.sizeHint().width(),
              labelSize(longText, 16, Fonts::Weight::semibold).width() + 68 + SkyButton::shadowMargins().left() +
                  SkyButton::shadowMargins().right());
}

TEST(ButtonStylesTest, TheAccessibleNameFollowsTheText) {
    SkyButton sky("Sign in with Google");
    SkyLink link("Not now");
    SunButton sun("Set up now", true);
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{&sky, &link, &sun}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), button->text());
        EXPECT_EQ(accessible->role(), QAccessible::Button);
        button->setText("Open the sign-in again");
        EXPECT_EQ(accessible->text(QAccessible::Name), "Open the sign-in again");
    }
}

TEST(SkyButtonTest, PressingDimsTheCapsuleAndShrinksItAfterTheEaseOut) {
    SkyButton button("Continue");
    button.resize(button.sizeHint());
    const QRect capsule = button.capsuleRect();
    const QPoint sample(capsule.left() + 14, capsule.center().y()); // inside the padding, clear of the text
    expectNear(onWhite(button).pixel(sample), Sky::button().rgb());

    button.setDown(true);
    button.finishAnimation();
    EXPECT_DOUBLE_EQ(button.pressedness(), 1);
    const QImage pressed = onWhite(button);
    expectNear(pressed.pixel(sample), over(Sky::button(), 0.8, Qt::white));
    // Shrunk by 0.97 about the centre: the capsule's left end moves in by 1.5% of its width.
    const int inset = static_cast<int>(std::floor(capsule.width() * 0.015));
    // Only the pale shadow lies where the capsule's end was.
    EXPECT_GT(qRed(pressed.pixel(capsule.left() + inset - 2, capsule.center().y())), 200);
}

TEST(SkyButtonTest, ThePressAnimatesTowardsTheDownStateAndBack) {
    SkyButton button("Continue");
    button.resize(button.sizeHint());
    button.show();
    QTest::mousePress(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_TRUE(button.isDown());
    EXPECT_LT(button.pressedness(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(button.pressedness(), 1.0, 2000);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(clicked.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(button.pressedness(), 0.0, 2000);
}

TEST(SkyLinkTest, MediumInkSoftTextWithoutPaddingDimmedToHalfWhenPressed) {
    SkyLink link("Not now");
    EXPECT_EQ(link.sizeHint(), labelSize("Not now", 14, Fonts::Weight::medium));
    link.resize(link.sizeHint());
    // The darkest pixel of the label is the text colour (inkSoft over white, or half of it).
    auto darkest = [](const QImage& image) {
        QRgb best = qRgb(255, 255, 255);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < qGray(best)) best = image.pixel(x, y);
        return best;
    };
    expectNear(darkest(onWhite(link)), over(Sky::ink(), 0.68, Qt::white));
    link.setDown(true);
    expectNear(darkest(onWhite(link)), over(Sky::ink(), 0.34, Qt::white));
}

TEST(SkyLinkTest, TheWholeLabelRectangleTakesTheClick) {
    SkyLink link("Not now");
    link.resize(link.sizeHint());
    link.show();
    QSignalSpy clicked(&link, &QAbstractButton::clicked);
    // The far corner, where no glyph is drawn.
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(link.width() - 1, link.height() - 1));
    EXPECT_EQ(clicked.count(), 1);
}

TEST(SunButtonTest, SmallAndRegularMetrics) {
    struct Case {
        bool small;
        int pixels;
        QMargins padding;
    };
    for (const Case& c : {Case{false, 14, QMargins(16, 7, 16, 7)}, Case{true, 12, QMargins(12, 4, 12, 4)}}) {
        SCOPED_TRACE(c.small ? "small" : "regular");
        const SunButton button("Set up now", c.small);
        EXPECT_EQ(button.padding(), c.padding);
        EXPECT_EQ(button.sizeHint(), labelSize("Set up now", c.pixels, Fonts::Weight::bold).grownBy(c.padding));
    }
}

TEST(SunButtonTest, PressingDimsTheFillTo075AndShrinksTo096) {
    SunButton button("Undo", true);
    button.resize(button.sizeHint());
    const QPoint sample(6, button.height() / 2); // in the left padding, clear of the text
    expectNear(onWhite(button).pixel(sample), Sky::sun().rgb());
    EXPECT_EQ(button.capsuleRect(), QRectF(button.rect()));

    button.setDown(true);
    expectNear(onWhite(button).pixel(sample), over(Sky::sun(), 0.75, Qt::white));
    const QRectF shrunk = button.capsuleRect();
    EXPECT_DOUBLE_EQ(shrunk.width(), button.width() * 0.96);
    EXPECT_DOUBLE_EQ(shrunk.height(), button.height() * 0.96);
    EXPECT_EQ(shrunk.center(), QRectF(button.rect()).center());
    // The very edge of the rest capsule is now outside the shrunk one.
    expectNear(onWhite(button).pixel(0, button.height() / 2), qRgb(255, 255, 255));
}

} // namespace
} // namespace ostrel::ui

namespace ostrel::ui {
namespace {

TEST(ButtonStylesTest, ALeadingSymbolWidensTheLabelAndAnUnknownOneTakesNoRoom) {
    SunButton plain("Undo", true);
    SunButton withSymbol("Undo", true);
    withSymbol.setSymbol("arrow.uturn.backward");
    SunButton unknown("Undo", true);
    unknown.setSymbol("no.such.symbol");
    EXPECT_GT(withSymbol.sizeHint().width(), plain.sizeHint().width() + 6 + 8);
    EXPECT_EQ(withSymbol.sizeHint().height(), plain.sizeHint().height());
    EXPECT_EQ(unknown.sizeHint(), plain.sizeHint());
}

} // namespace
} // namespace ostrel::ui
