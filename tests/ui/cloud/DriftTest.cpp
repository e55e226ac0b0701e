#include "ui/cloud/Drift.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

const Drift::Nuvo& nuvo(int index) {
    return Drift::nuvos.at(index);
}

TEST(DriftTest, AtTimeZeroEachCloudStandsAtItsPhase) {
    const double width = 880;
    EXPECT_DOUBLE_EQ(Drift::horizontal(nuvo(0), width, 0), 0.18 * (width + 150) - 150);
    EXPECT_DOUBLE_EQ(Drift::horizontal(nuvo(1), width, 0), 0.62 * (width + 96) - 96);
    EXPECT_DOUBLE_EQ(Drift::horizontal(nuvo(2), width, 0), 0.9 * (width + 70) - 70);
    EXPECT_EQ(Drift::offset(nuvo(0), width, {100, 300}, 0),
              (Drift::Offset{0.18 * 1030 - 150, 100 + 0.55 * 200}));
}

TEST(DriftTest, TheOffsetStaysOnTheTrackAtAnyTime) {
    const double width = 380;
    const double times[] = {0,
                            0.5,
                            1,
                            59.9,
                            1e3,
                            -1,
                            -0.001,
                            -1e-300,
                            -123456.789,
                            1e9,
                            -1e9,
                            3.1e8,
                            7.9e17,
                            -7.9e17,
                            1e300,
                            -1e300,
                            std::numeric_limits<double>::infinity(),
                            std::nan("")};
    for (const Drift::Nuvo& cloud : Drift::nuvos) {
        for (const double t : times) {
            SCOPED_TRACE(std::string(cloud.image) + " at t=" + std::to_string(t));
            const double x = Drift::horizontal(cloud, width, t);
            EXPECT_GE(x, -cloud.width);
            EXPECT_LT(x, width);
        }
    }
}

TEST(DriftTest, TimeBeforeTheReferenceMovesTheSameWay) {
    // One second earlier is speed pixels further left, on either side of the reference moment.
    for (const Drift::Nuvo& cloud : Drift::nuvos) {
        const double later = Drift::horizontal(cloud, 880, -100);
        const double earlier = Drift::horizontal(cloud, 880, -101);
        const double step = later - earlier;
        EXPECT_NEAR(step > 0 ? step : step + 880 + cloud.width, cloud.speed, 1e-9) << cloud.image;
    }
}

TEST(DriftTest, ACloudLeavingOnTheRightComesBackWhollyHiddenOnTheLeft) {
    const Drift::Nuvo& cloud = nuvo(0);
    const double width = 600;
    const double track = width + cloud.width;
    // The moment its left edge would reach the right edge of the scene.
    const double leaving = (track * (1 - cloud.phase)) / cloud.speed;
    EXPECT_NEAR(Drift::horizontal(cloud, width, leaving - 1), width - cloud.speed, 1e-9);
    EXPECT_NEAR(Drift::horizontal(cloud, width, leaving - 0.01), width - 0.01 * cloud.speed, 1e-6);
    EXPECT_NEAR(Drift::horizontal(cloud, width, leaving + 0.01), -cloud.width + 0.01 * cloud.speed, 1e-6);
    EXPECT_NEAR(Drift::horizontal(cloud, width, leaving + 1), -cloud.width + cloud.speed, 1e-9);
    // One whole crossing later it is where it started.
    EXPECT_NEAR(Drift::horizontal(cloud, width, 10 + track / cloud.speed),
                Drift::horizontal(cloud, width, 10), 1e-6);
}

TEST(DriftTest, TheClocksDateBecomesSecondsSinceTheStartOf2001) {
    EXPECT_EQ(Drift::secondsSinceReference(978307200), 0);
    EXPECT_EQ(Drift::secondsSinceReference(978307200 + 86400), 86400);
    EXPECT_EQ(Drift::secondsSinceReference(0), -978307200);
}

} // namespace
} // namespace ostrel::ui
