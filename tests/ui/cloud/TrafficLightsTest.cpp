#include "ui/cloud/TrafficLights.hpp"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace ostrel::ui {
namespace {

// Channels within tolerance of each other (antialiasing and 8-bit rounding).
void expectNear(const QColor& actual, const QColor& expected, int tolerance = 2) {
    EXPECT_LE(std::abs(actual.red() - expected.red()), tolerance) << actual.name().toStdString();
    EXPECT_LE(std::abs(actual.green() - expected.green()), tolerance) << actual.name().toStdString();
    EXPECT_LE(std::abs(actual.blue() - expected.blue()), tolerance) << actual.name().toStdString();
    EXPECT_EQ(actual.alpha(), 255);
}

// The cluster drawn eight times over, so the half-pixel border covers whole pixels.
constexpr int zoom = 8;
QImage zoomed(TrafficLights& lights) {
    QImage image(lights.size() * zoom, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(zoom, zoom);
    lights.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

TEST(TrafficLightsTest, TwoLightsInARowCloseFirstWithPaddingAndGap) {
    TrafficLights lights({}, {});
    EXPECT_EQ(lights.size(), QSize(40, 20));
    EXPECT_EQ(lights.closeLight()->geometry(), QRect(4, 4, 12, 12));
    EXPECT_EQ(lights.minimiseLight()->geometry(), QRect(24, 4, 12, 12));
    EXPECT_EQ(lights.closeLight()->accessibleName(), "Close");
    EXPECT_EQ(lights.minimiseLight()->accessibleName(), "Minimise");
}

TEST(TrafficLightsTest, EachLightRunsItsOwnAction) {
    int closed = 0;
    int minimised = 0;
    TrafficLights lights([&] { ++closed; }, [&] { ++minimised; });
    QTest::mouseClick(lights.closeLight(), Qt::LeftButton);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(minimised, 0);
    QTest::mouseClick(lights.minimiseLight(), Qt::LeftButton);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(minimised, 1);
}

TEST(TrafficLightsTest, FillsAndInnerBordersHaveTheirColours) {
    TrafficLights lights({}, {});
    const QImage image = zoomed(lights);
    struct Case {
        const char* name;
        int centreX;
        QColor fill;
        QColor border;
    };
    for (const Case& c : {Case{"close", 10, TrafficLights::closeFill(), TrafficLights::closeBorder()},
                          Case{"minimise", 30, TrafficLights::minimiseFill(), TrafficLights::minimiseBorder()}}) {
        SCOPED_TRACE(c.name);
        const int x = c.centreX * zoom;
        const int y = 10 * zoom;
        expectNear(image.pixelColor(x, y), c.fill);
        // The border is the outer half pixel of the disc: radius 5.5 to 6.
        expectNear(image.pixelColor(x, y - qRound(5.75 * zoom)), c.border, 3);
        expectNear(image.pixelColor(x + qRound(5.75 * zoom), y), c.border, 3);
        // Just inside the border it is the fill again, and outside the disc nothing.
        expectNear(image.pixelColor(x, y - 5 * zoom), c.fill);
        EXPECT_EQ(image.pixelColor(x, y - qRound(6.25 * zoom)).alpha(), 0);
    }
}

// The pixel at a light's centre, where both symbols cross it.
QColor centreOf(TrafficLight* light) { return light->grab().toImage().pixelColor(6, 6); }

TEST(TrafficLightsTest, SymbolsShowOnBothLightsWhileThePointerIsAnywhereOverTheCluster) {
    QWidget host;
    host.resize(200, 100);
    auto* lights = new TrafficLights({}, {}, &host);
    lights->move(60, 40);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    const auto expectSymbols = [&](bool shown) {
        EXPECT_EQ(lights->isHovering(), shown);
        for (TrafficLight* light : {lights->closeLight(), lights->minimiseLight()}) {
            SCOPED_TRACE(light->accessibleName().toStdString());
            EXPECT_EQ(light->symbolShown(), shown);
            const QColor centre = centreOf(light);
            if (shown) {
                // Black at about half opacity over the fill.
                EXPECT_LT(centre.red(), light->look().fill.red() * 3 / 4);
                EXPECT_LT(centre.green(), light->look().fill.green() * 3 / 4);
            } else {
                expectNear(centre, light->look().fill);
            }
        }
    };

    QTest::mouseMove(&host, QPoint(10, 10));
    expectSymbols(false);
    struct Spot {
        const char* name;
        QPoint at;
    };
    for (const Spot& spot : {Spot{"padding", QPoint(1, 1)}, Spot{"gap", QPoint(20, 10)},
                             Spot{"bottom padding", QPoint(38, 18)}, Spot{"a light", QPoint(10, 10)}}) {
        SCOPED_TRACE(spot.name);
        QTest::mouseMove(lights, spot.at);
        expectSymbols(true);
        QTest::mouseMove(&host, QPoint(10, 10));
        expectSymbols(false);
    }
}

} // namespace
} // namespace ostrel::ui
