#include "ui/editor/SectionTitle.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

const QString longDetail =
    "Everything here opens when the routine starts, in this order, and is put back where it "
    "was the last time you closed it.";

TEST(SectionTitleTest, TheDetailSits2UnderTheTitleAndWrapsAsTheWidthShrinks) {
    SectionTitle title("Opens", longDetail);
    const int titleLine = QFontMetrics(Fonts::font(17, Fonts::Weight::bold)).lineSpacing();
    const int detailLine = QFontMetrics(Fonts::font(13, Fonts::Weight::regular)).lineSpacing();
    struct Case {
        int width;
        int minLines;
        int maxLines;
    };
    // Wide enough for one line, then narrower: the height follows the lines needed.
    const Case cases[] = {{2000, 1, 1}, {400, 2, 3}, {160, 4, 12}};
    int previous = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        title.resize(c.width, title.heightForWidth(c.width));
        const QRect titleRect = title.titleRect();
        EXPECT_EQ(titleRect.topLeft(), QPoint(0, 0));
        EXPECT_EQ(titleRect.width(), c.width);
        EXPECT_LT(std::abs(titleRect.height() - titleLine), 3); // one line
        EXPECT_EQ(title.detailRect().top(), titleRect.bottom() + 1 + SectionTitle::spacing);
        const int lines = (title.detailRect().height() + detailLine / 2) / detailLine;
        EXPECT_GE(lines, c.minLines);
        EXPECT_LE(lines, c.maxLines);
        EXPECT_EQ(title.heightForWidth(c.width), title.detailRect().bottom() + 1);
        EXPECT_GT(title.heightForWidth(c.width), previous);
        previous = title.heightForWidth(c.width);
    }
}

TEST(SectionTitleTest, WithoutADetailItIsOneTitleLine) {
    const SectionTitle title("When");
    EXPECT_LT(std::abs(title.heightForWidth(300) -
                       QFontMetrics(Fonts::font(17, Fonts::Weight::bold)).lineSpacing()),
              3);
    EXPECT_TRUE(title.detailRect().isNull());
    EXPECT_TRUE(title.hasHeightForWidth());
    EXPECT_TRUE(title.sizePolicy().hasHeightForWidth());
}

TEST(SectionTitleTest, TitleInInkAndDetailInSoftInk) {
    SectionTitle title("Opens", "Apps");
    title.resize(300, title.heightForWidth(300));
    QImage image(title.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    title.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // The darkest pixel of each text shows its colour laid on white.
    const auto darkest = [&image](const QRect& rect) {
        QColor best = Qt::white;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (image.pixelColor(x, y).lightness() < best.lightness())
                    best = image.pixelColor(x, y);
        return best;
    };
    const QColor ink = Sky::ink();
    const QColor soft = Sky::inkSoft();
    const double a = soft.alphaF();
    const QColor softOnWhite = QColor::fromRgbF(static_cast<float>(soft.redF() * a + 1 - a),
                                                static_cast<float>(soft.greenF() * a + 1 - a),
                                                static_cast<float>(soft.blueF() * a + 1 - a));
    const QColor titleColour = darkest(title.titleRect());
    const QColor detailColour = darkest(title.detailRect());
    EXPECT_NEAR(titleColour.red(), ink.red(), 6);
    EXPECT_NEAR(titleColour.blue(), ink.blue(), 6);
    // The thin regular strokes hardly cover a whole pixel: never darker than the colour, a little
    // lighter at most, and far from the title's ink.
    EXPECT_GE(detailColour.red(), softOnWhite.red() - 2);
    EXPECT_LE(detailColour.red(), softOnWhite.red() + 16);
    EXPECT_GE(detailColour.blue(), softOnWhite.blue() - 2);
    EXPECT_LE(detailColour.blue(), softOnWhite.blue() + 16);
}

} // namespace
} // namespace ostrel::ui
