#include "ui/theme/Pill.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

QImage solid(QColor color) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

TEST(PillTest, ALongTextIsCutInTheMiddleAtTheMaximumWidth) {
    const QString text = "Introduction to Linear Algebra, Lecture Notes Week 7.pdf";
    const Pill pill(solid(Qt::red), text);
    const QString shown = pill.shownText();
    const int ellipsis = static_cast<int>(shown.indexOf(QChar(0x2026)));
    ASSERT_GT(ellipsis, 3);
    EXPECT_LT(ellipsis, shown.size() - 4);
    EXPECT_TRUE(text.startsWith(shown.left(ellipsis)));
    EXPECT_TRUE(text.endsWith(shown.mid(ellipsis + 1)));
    EXPECT_LE(QFontMetrics(Fonts::font(13, Fonts::Weight::medium)).horizontalAdvance(shown), Pill::maxTextWidth);
    // 7 padding, 18 icon, 6 spacing, 150 text, 11 padding.
    EXPECT_EQ(pill.sizeHint().width(), 7 + 18 + 6 + 150 + 11);
    EXPECT_EQ(pill.toolTip(), text);
}

TEST(PillTest, AShortTextStaysWholeAndSetsTheWidth) {
    const Pill pill(solid(Qt::red), "Mail");
    const QFontMetrics metrics(Fonts::font(13, Fonts::Weight::medium));
    EXPECT_EQ(pill.shownText(), "Mail");
    EXPECT_EQ(pill.sizeHint(), QSize(7 + 18 + 6 + metrics.horizontalAdvance("Mail") + 11, std::max(18, metrics.height()) + 10));
    EXPECT_EQ(pill.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(pill.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

TEST(PillTest, TheIconIsStretchedInto18By18OnTheHorizonCapsule) {
    Pill pill(solid(Qt::red), "A much longer name than fits in a pill, surely, by now");
    pill.resize(pill.sizeHint());
    const QRect icon = pill.iconRect();
    EXPECT_EQ(icon.size(), QSize(18, 18));
    QImage image(pill.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    pill.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(image.pixelColor(icon.topLeft()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(icon.bottomRight()), QColor(Qt::red));
    EXPECT_EQ(image.pixel(icon.right() + 2, icon.center().y()), Sky::horizon().rgb());
    EXPECT_EQ(image.pixel(icon.left() - 2, icon.center().y()), Sky::horizon().rgb());
}

} // namespace
} // namespace ostrel::ui
