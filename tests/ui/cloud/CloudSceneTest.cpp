#include "ui/cloud/CloudScene.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "support/TempDir.hpp"
#include "ui/cloud/Drift.hpp"
#include "ui/theme/Sky.hpp"

#include <QAccessible>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <functional>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

class FixedClock final : public Clock {
public:
    Date date = Drift::referenceDate;
    Date now() const override { return date; }
    double monotonic() const override { return 0; }
    double boot() const override { return 0; }
};

// Plain art: white blocks for clouds, so a cloud's place is easy to see.
std::string block(int width, int height, const char* colour) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\"><rect width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" fill=\"" + colour + "\"/></svg>";
}

QColor skyAt(double fraction) {
    const QColor top = Sky::skyTop();
    const QColor bottom = Sky::skyBottom();
    const auto mix = [&](double a, double b) { return a + (b - a) * fraction; };
    return QColor::fromRgbF(static_cast<float>(mix(top.redF(), bottom.redF())),
                            static_cast<float>(mix(top.greenF(), bottom.greenF())),
                            static_cast<float>(mix(top.blueF(), bottom.blueF())));
}

::testing::AssertionResult near(QColor actual, QColor expected, int tolerance) {
    const int worst =
        std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                  std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    if (worst <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << actual.name(QColor::HexArgb).toStdString() << " is not "
           << expected.name(QColor::HexArgb).toStdString() << " within " << tolerance;
}

bool settle(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class CloudSceneTest : public ::testing::Test {
protected:
    CloudSceneTest() {
        for (const char* name : {"nuvo-1", "nuvo-2", "nuvo-3"})
            folder.write(std::string(name) + ".svg", block(300, 165, "#fff"));
    }

    QImage picture(CloudScene& scene) {
        QImage image(scene.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        scene.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }

    test::TempDir folder;
    CloudArt art{QString::fromStdString(folder.path().string())};
    FixedClock clock;
    SimulatedMachine machine;
};

TEST_F(CloudSceneTest, TheSkyIsTheGradientInsideTheInsetAndNothingOutside) {
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    scene.resize(880, 700);
    const QImage image = picture(scene); // no frame art and no grain: the bare sky

    EXPECT_TRUE(near(image.pixelColor(440, 50), skyAt(50.0 / 700), 2));
    EXPECT_TRUE(near(image.pixelColor(440, 350), skyAt(350.0 / 700), 2));
    EXPECT_TRUE(near(image.pixelColor(100, 640), skyAt(640.0 / 700), 2));
    // Outside the inset, and in the rounded corner, the window shows through.
    EXPECT_EQ(image.pixelColor(20, 350).alpha(), 0);
    EXPECT_EQ(image.pixelColor(440, 30).alpha(), 0);
    EXPECT_EQ(image.pixelColor(44, 44).alpha(), 0);
    EXPECT_EQ(image.pixelColor(60, 60).alpha(), 255);

    scene.setSkyInset(26);
    EXPECT_EQ(picture(scene).pixelColor(30, 350).alpha(), 255);
}

TEST_F(CloudSceneTest, CloudsAreDrawnOnlyWithABand) {
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    scene.resize(880, 700);
    // nuvo-1 at t = 0: left edge 0.18 x 1030 - 150 = 35.4, top 100 + 0.55 x 200 = 210, 150 x 82.5.
    const QPoint insideFirstCloud(120, 250);
    const QPoint insideSecondCloud(static_cast<int>(0.62 * 976 - 96 + 48),
                                   static_cast<int>(100 + 0.12 * 200 + 26));
    const QColor sky = skyAt(250.0 / 700);

    EXPECT_TRUE(near(picture(scene).pixelColor(insideFirstCloud), sky, 2)) << "no band, no clouds";

    scene.setBand(CloudScene::Band{100, 300});
    const QImage clouds = picture(scene);
    EXPECT_EQ(clouds.pixelColor(insideFirstCloud), QColor(Qt::white));
    EXPECT_EQ(clouds.pixelColor(insideSecondCloud), QColor(Qt::white));
    EXPECT_TRUE(near(clouds.pixelColor(120, 320), skyAt(320.0 / 700), 2)) << "below the cloud";
    // Clipped to the sky: the part of nuvo-1 left of the inset is not drawn.
    EXPECT_EQ(clouds.pixelColor(38, 250).alpha(), 0);

    scene.setBand(std::nullopt);
    EXPECT_TRUE(near(picture(scene).pixelColor(insideFirstCloud), sky, 2));
}

TEST_F(CloudSceneTest, CloudsMoveWithTheClockOnlyWhileLiveAndMotionIsAllowed) {
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    scene.resize(880, 700);
    scene.setBand(CloudScene::Band{100, 300});
    const QImage atRest = picture(scene);

    clock.date = Drift::referenceDate + 40; // nuvo-1 has moved 200 pixels right
    EXPECT_EQ(scene.cloudTime(), 40);
    const QImage later = picture(scene);
    EXPECT_NE(later, atRest);
    EXPECT_TRUE(near(later.pixelColor(120, 250), skyAt(250.0 / 700), 2));
    EXPECT_EQ(later.pixelColor(320, 250), QColor(Qt::white));

    // Frozen means back at the t = 0 places, not where the clouds were.
    scene.setLive(false);
    EXPECT_EQ(scene.cloudTime(), 0);
    EXPECT_EQ(picture(scene), atRest);
    scene.setLive(true);
    machine.setReduceMotion(true);
    ASSERT_TRUE(settle([&] { return scene.cloudTime() == 0; }));
    EXPECT_EQ(picture(scene), atRest);
}

TEST_F(CloudSceneTest, TicksOnlyWhileShownLiveWithABandAndMotionAllowed) {
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    scene.resize(380, 435);
    scene.setBand(CloudScene::Band{80, 200});
    EXPECT_FALSE(scene.isTicking()) << "not shown yet";

    scene.show();
    EXPECT_TRUE(scene.isTicking());
    scene.setLive(false);
    EXPECT_FALSE(scene.isTicking());
    scene.setLive(true);
    EXPECT_TRUE(scene.isTicking());
    scene.setBand(std::nullopt);
    EXPECT_FALSE(scene.isTicking()) << "no clouds to move";
    scene.setBand(CloudScene::Band{80, 200});
    EXPECT_TRUE(scene.isTicking());

    machine.setReduceMotion(true);
    EXPECT_TRUE(settle([&] { return !scene.isTicking(); }));
    machine.setReduceMotion(false);
    EXPECT_TRUE(settle([&] { return scene.isTicking(); }));

    scene.hide();
    EXPECT_FALSE(scene.isTicking());
    scene.show();
    EXPECT_TRUE(scene.isTicking());
}

TEST_F(CloudSceneTest, AReduceMotionSettingAlreadyOnIsReadAtTheStart) {
    machine.setReduceMotion(true);
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    scene.setBand(CloudScene::Band{80, 200});
    scene.show();
    EXPECT_FALSE(scene.isTicking());
}

TEST_F(CloudSceneTest, TheFrameIsStretchedOverTheWholeScene) {
    // A frame drawn for 880 x 700: a red strip along its top 100 pixels.
    folder.write("home-frame.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" width="880" height="700">)"
                                   R"(<rect width="880" height="100" fill="#f00"/></svg>)");
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    scene.resize(440, 350);
    const QImage image = picture(scene);
    EXPECT_EQ(image.pixelColor(220, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(220, 45), QColor(Qt::red)) << "stretched: 100 of 700 is 50 of 350";
    EXPECT_TRUE(near(image.pixelColor(220, 60), skyAt(60.0 / 350), 2));

    scene.setArt("settings"); // no such frame: the sky alone
    EXPECT_TRUE(near(picture(scene).pixelColor(220, 45), skyAt(45.0 / 350), 2));
}

TEST_F(CloudSceneTest, TheGrainTexturesTheSkyOnlySlightly) {
    CloudScene bare(clock, machine.appearance(), nullptr, art);
    CloudScene grained(clock, machine.appearance()); // the application's own art, grain included
    grained.setArt("none");
    for (CloudScene* scene : {&bare, &grained})
        scene->resize(880, 700);
    const QImage without = picture(bare);
    const QImage with = picture(grained);

    int differing = 0;
    double sums[2][3] = {};
    for (int y = 300; y < 364; ++y) {
        for (int x = 400; x < 464; ++x) {
            const QColor a = without.pixelColor(x, y);
            const QColor b = with.pixelColor(x, y);
            differing += a != b;
            sums[0][0] += a.red(), sums[0][1] += a.green(), sums[0][2] += a.blue();
            sums[1][0] += b.red(), sums[1][1] += b.green(), sums[1][2] += b.blue();
        }
    }
    EXPECT_GT(differing, 64 * 64 / 20) << "the grain shows";
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(sums[1][channel] / (64 * 64), sums[0][channel] / (64 * 64), 3)
            << "but keeps the sky's colour";
    }
}

TEST_F(CloudSceneTest, TheSceneIsNotThereForMiceOrScreenReaders) {
    CloudScene scene(clock, machine.appearance(), nullptr, art);
    EXPECT_TRUE(scene.testAttribute(Qt::WA_TransparentForMouseEvents));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&scene);
    ASSERT_NE(face, nullptr);
    EXPECT_TRUE(face->state().invisible);
    EXPECT_EQ(face->role(), QAccessible::NoRole);
}

} // namespace
} // namespace ostrel::ui
