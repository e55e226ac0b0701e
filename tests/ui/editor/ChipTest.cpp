#include "ui/editor/Chip.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

QImage solid(QColor color) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int textAdvance(const QString& text) {
    return QFontMetrics(Fonts::font(13, Fonts::Weight::medium)).horizontalAdvance(text);
}

// Clicks as the window system would: the event goes to whichever widget is under the point.
void clickAt(QWidget& window, QPoint position) {
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, position);
}

// A chip in a shown window, for clicks routed to its parts.
struct ShownChip {
    QWidget window;
    QPointer<Chip> chip;

    ShownChip(const QString& text, Chip::Action action, Chip::Action tap) {
        chip = new Chip(text, "clock", QImage(), std::move(action), std::move(tap), &window);
        window.resize(chip->size());
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST(ChipTest, IconThenSymbolThenTextThenCross) {
    struct Case {
        const char* name;
        const char* symbol;
        bool icon;
    };
    const Case cases[] = {
        {"neither", "", false}, {"symbol", "clock", false}, {"icon", "", true}, {"both", "clock", true}};
    const QString text = "Mondays at 9:00";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Chip chip(text, c.symbol, c.icon ? solid(Qt::red) : QImage(), [] {});
        EXPECT_EQ(chip.iconRect().isEmpty(), !c.icon);
        EXPECT_EQ(chip.symbolRect().isEmpty(), QString(c.symbol).isEmpty());
        int x = Chip::horizontalPadding;
        if (c.icon) {
            EXPECT_EQ(chip.iconRect(), QRect(x, chip.iconRect().y(), 18, 18));
            x += 18 + Chip::spacing;
        }
        if (!QString(c.symbol).isEmpty()) {
            EXPECT_EQ(chip.symbolRect().x(), x);
            EXPECT_EQ(chip.symbolRect().size(), QSize(12, 12));
            x += 12 + Chip::spacing;
        }
        EXPECT_EQ(chip.textRect().x(), x);
        EXPECT_EQ(chip.textRect().width(), textAdvance(text));
        x += textAdvance(text) + Chip::spacing;
        EXPECT_EQ(chip.crossRect(), QRect(x, chip.crossRect().y(), 9, 9));
        EXPECT_EQ(chip.size(), chip.sizeHint());
        EXPECT_EQ(chip.width(), x + 9 + Chip::horizontalPadding);
        // Everything is centred in a row padded 6 above and below.
        for (const QRect& part : {chip.iconRect(), chip.symbolRect(), chip.textRect(), chip.crossRect()}) {
            if (part.isEmpty())
                continue;
            EXPECT_GE(part.top(), Chip::verticalPadding);
            EXPECT_LE(part.bottom(), chip.height() - 1 - Chip::verticalPadding);
            EXPECT_LE(std::abs(part.center().y() - chip.rect().center().y()), 1);
        }
    }
}

TEST(ChipTest, AnUnknownSymbolTakesNoRoom) {
    const Chip chip("Notes", "no.such.symbol", QImage(), [] {});
    EXPECT_TRUE(chip.symbolRect().isEmpty());
    EXPECT_EQ(chip.textRect().x(), Chip::horizontalPadding);
}

TEST(ChipTest, ALongTextStaysOnOneLineAndTheChipGrows) {
    const QString shortText = "Mail";
    const QString longText =
        "When I arrive at the library on the second floor near the windows, every single weekday";
    const Chip shortChip(shortText, "", QImage(), [] {});
    const Chip longChip(longText, "", QImage(), [] {});
    EXPECT_EQ(longChip.height(), shortChip.height());
    EXPECT_EQ(longChip.width() - shortChip.width(), textAdvance(longText) - textAdvance(shortText));
    EXPECT_EQ(longChip.minimumSizeHint(), longChip.sizeHint());
    EXPECT_EQ(longChip.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(longChip.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

TEST(ChipTest, TheTooltipAndAccessibleNamesFollowTheText) {
    const Chip plain("Mail", "", QImage(), [] {});
    const Chip changeable(
        "Mail", "", QImage(), [] {}, [] {});
    EXPECT_TRUE(plain.wordsButton()->toolTip().isEmpty());
    EXPECT_TRUE(plain.toolTip().isEmpty());
    EXPECT_FALSE(plain.isTappable());
    EXPECT_EQ(changeable.wordsButton()->toolTip(), "Change it");
    EXPECT_TRUE(changeable.isTappable());
    for (const char* text : {"Mail", "Mondays at 9:00"}) {
        const Chip chip(text, "", QImage(), [] {});
        EXPECT_EQ(chip.removeButton()->accessibleName(), QString("Remove ") + text);
        EXPECT_TRUE(chip.removeButton()->toolTip().isEmpty());
    }
}

TEST(ChipTest, ClicksReachTheCrossAlwaysAndTheWordsOnlyWithATap) {
    struct Case {
        const char* name;
        bool withTap;
        bool onCross;
        int removes;
        int taps;
    };
    const Case cases[] = {{"cross, with tap", true, true, 1, 0},
                          {"words, with tap", true, false, 0, 1},
                          {"cross, no tap", false, true, 1, 0},
                          {"words, no tap", false, false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int removes = 0;
        int taps = 0;
        Chip::Action tap;
        if (c.withTap)
            tap = [&taps] { ++taps; };
        ShownChip shown(
            "Mondays at 9:00", [&removes] { ++removes; }, tap);
        const QRect target = c.onCross ? shown.chip->crossRect() : shown.chip->textRect();
        clickAt(shown.window, target.center());
        EXPECT_EQ(removes, c.removes);
        EXPECT_EQ(taps, c.taps);
    }
}

TEST(ChipTest, TheRemoveActionMayDeleteTheChip) {
    // As a section does when the draft loses the thing and the chips are made again.
    QWidget window;
    int removes = 0;
    Chip* chip = nullptr;
    chip = new Chip(
        "Mail", "", QImage(),
        [&chip, &removes] {
            ++removes;
            delete chip;
        },
        {}, &window);
    window.resize(chip->size());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    clickAt(window, chip->crossRect().center());
    EXPECT_EQ(removes, 1);
    EXPECT_TRUE(window.findChildren<Chip*>().isEmpty());
}

TEST(ChipTest, TheCapsuleIsHorizonAndTheIconIsStretchedInto18By18) {
    Chip chip("Mail", "clock", solid(Qt::red), [] {});
    const QImage image = rendered(chip);
    const QRect icon = chip.iconRect();
    EXPECT_EQ(image.pixelColor(icon.topLeft()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(icon.bottomRight()), QColor(Qt::red));
    // Inside the capsule, above the content: the fill, exactly.
    EXPECT_EQ(image.pixel(chip.textRect().center().x(), 2), Sky::horizon().rgb());
    EXPECT_EQ(image.pixel(chip.width() / 2, chip.height() - 3), Sky::horizon().rgb());
    // Outside the rounded ends: what is behind the chip.
    EXPECT_EQ(image.pixel(0, 0), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(chip.width() - 1, chip.height() - 1), QColor(Qt::white).rgb());
}

// Whether some pixel of rect is near color (antialiased art has few exact pixels).
bool hasPixelNear(const QImage& image, const QRect& rect, QColor color) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) + std::abs(pixel.green() - color.green()) +
                    std::abs(pixel.blue() - color.blue()) <
                24)
                return true;
        }
    }
    return false;
}

QColor over(QColor color, QColor ground) {
    const double a = color.alphaF();
    return QColor::fromRgbF(static_cast<float>(color.redF() * a + ground.redF() * (1 - a)),
                            static_cast<float>(color.greenF() * a + ground.greenF() * (1 - a)),
                            static_cast<float>(color.blueF() * a + ground.blueF() * (1 - a)));
}

TEST(ChipTest, TheSymbolIsButtonBlueTheTextInkAndTheCrossSoftInk) {
    Chip chip("Mail", "clock", QImage(), [] {});
    const QImage image = rendered(chip);
    EXPECT_TRUE(hasPixelNear(image, chip.symbolRect(), Sky::button()));
    EXPECT_FALSE(hasPixelNear(image, chip.symbolRect(), Sky::ink()));
    EXPECT_TRUE(hasPixelNear(image, chip.textRect(), Sky::ink()));
    EXPECT_FALSE(hasPixelNear(image, chip.textRect(), Sky::button()));
    EXPECT_TRUE(hasPixelNear(image, chip.crossRect(), over(Sky::inkSoft(), Sky::horizon())));
    EXPECT_FALSE(hasPixelNear(image, chip.crossRect(), Sky::ink()));
}

} // namespace
} // namespace ostrel::ui
