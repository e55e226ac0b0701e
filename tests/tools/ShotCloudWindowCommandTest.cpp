#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace ostrel {
namespace {

using test::runProgram;

TEST(ShotCloudWindowCommand, DrawsEachKindAtItsSizeWithTheCloseLightInItsColour) {
    const test::TempDir folder;
    struct Case {
        const char* state;
        int width;
        int height;
    };
    for (const Case& c : {Case{"{}", 880, 700}, Case{R"({"kind": "home", "hover": false})", 880, 700},
                          Case{R"({"kind": "onboarding"})", 660, 720}, Case{R"({"kind": "settings"})", 760, 620},
                          Case{R"({"kind": "export"})", 600, 700}, Case{R"({"kind": "editor"})", 680, 820}}) {
        SCOPED_TRACE(c.state);
        const std::string state = folder.write("state.json", c.state);
        const std::string out = (folder / "shot.png").string();
        const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "cloud-window", "--out", out, "--state", state});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");

        const QImage image(QString::fromStdString(out));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(c.width, c.height));
        // The close light's centre: lights at (62, 56), padded 4, the light 12 across.
        const QColor close = image.pixelColor(62 + 4 + 6, 56 + 4 + 6);
        EXPECT_NEAR(close.redF(), 1.0, 0.01);
        EXPECT_NEAR(close.greenF(), 0.37, 0.01);
        EXPECT_NEAR(close.blueF(), 0.34, 0.01);
        // Around the face the window is transparent.
        EXPECT_EQ(image.pixelColor(2, 2).alpha(), 0);
    }
}

TEST(ShotCloudWindowCommand, HoverShowsTheSymbolsOnTheLights) {
    const test::TempDir folder;
    const std::string state = folder.write("state.json", R"({"hover": true})");
    const std::string out = (folder / "shot.png").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "cloud-window", "--out", out, "--state", state});
    ASSERT_EQ(result.status, 0) << result.err;
    const QImage image(QString::fromStdString(out));
    // Both symbols cross their light's centre, darkening it.
    EXPECT_LT(image.pixelColor(72, 66).red(), 200);
    EXPECT_LT(image.pixelColor(92, 66).red(), 200);
}

TEST(ShotCloudWindowCommand, ABadStateIsOneLineOnStderr) {
    const test::TempDir folder;
    for (const char* text : {R"({"kind": "dialog"})", R"({"kind": 3})", R"({"hover": "yes"})"}) {
        SCOPED_TRACE(text);
        const std::string state = folder.write("state.json", text);
        const std::string out = (folder / "bad.png").string();
        const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "cloud-window", "--out", out, "--state", state});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

} // namespace
} // namespace ostrel
