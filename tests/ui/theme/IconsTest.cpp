#include "ui/theme/Icons.hpp"

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

// Every symbol the windows name.
const char* const symbolNames[] = {
    "xmark", "minus", "plus", "checkmark", "checkmark.circle.fill", "circle", "cloud.fill", "gearshape",
    "gearshape.fill", "wifi", "mappin", "questionmark.square.dashed", "sun.max.fill", "globe", "calendar", "sparkles",
    "info.circle", "exclamationmark.triangle", "exclamationmark.circle.fill", "arrow.up.circle.fill", "arrow.up",
    "arrow.left", "arrow.right", "arrow.uturn.backward", "chevron.left", "chevron.right",
    "person.crop.circle.badge.checkmark", "power", "play.circle", "play.circle.fill", "pause.circle",
    "plus.circle.fill", "rectangle.fill", "rectangle.lefthalf.filled", "rectangle.righthalf.filled",
    "rectangle.split.2x1", "speaker.slash.fill", "lock.shield", "hand.tap", "hand.raised", "eye.slash",
    "cursorarrow.rays", "chart.bar", "battery.75percent", "app.badge", "clock", "display", "headphones", "app",
    "macwindow", "doc"};

int inkedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return count;
}

TEST(IconsTest, EverySymbolTheWindowsNameRendersAtTheAskedSize) {
    for (const char* name : symbolNames) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Icons::has(name));
        const QImage image = Icons::image(name, QSize(20, 16), Qt::black, 2);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(40, 32));
        EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2);
        // Some ink, and not a filled square: the art drew something.
        const int inked = inkedPixels(image);
        EXPECT_GT(inked, 40);
        EXPECT_LT(inked, 40 * 32 * 3 / 4);
    }
}

TEST(IconsTest, UnknownNamesAndEmptySizesGiveNullImages) {
    for (const char* name : {"", "no.such.symbol", "../Clouds/nuvo-1", "xmark.svg"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Icons::has(name));
        EXPECT_TRUE(Icons::image(name, QSize(18, 18), Qt::black).isNull());
    }
    EXPECT_TRUE(Icons::image("plus", QSize(0, 18), Qt::black).isNull());
}

TEST(IconsTest, InkTakesTheAskedColourAndWhiteArtIsAHole) {
    const QColor red(220, 30, 40);
    const QImage plus = Icons::image("plus", QSize(24, 24), red, 1);
    EXPECT_EQ(plus.pixelColor(12, 12), red); // where the two bars cross
    EXPECT_EQ(qAlpha(plus.pixel(2, 2)), 0);

    const QColor halfBlue(0, 0, 255, 128);
    const QImage faded = Icons::image("rectangle.fill", QSize(24, 24), halfBlue, 1);
    EXPECT_NEAR(faded.pixelColor(12, 12).alpha(), 128, 1);
    EXPECT_EQ(faded.pixelColor(12, 12).blue(), 255);

    // The filled circle is ink; its check mark, drawn white, is cut out of it.
    const QImage check = Icons::image("checkmark.circle.fill", QSize(24, 24), red, 1);
    EXPECT_EQ(check.pixelColor(12, 4), red);
    EXPECT_EQ(qAlpha(check.pixel(10, 15)), 0); // the corner of the check mark
}

} // namespace
} // namespace ostrel::ui
