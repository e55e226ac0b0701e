#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

QImage shot(const test::TempDir& folder, const std::string& state) {
    const std::string stateFile = folder.write("state.json", state);
    const std::string out = (folder / "scene.png").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "scene", "--out", out, "--state", stateFile});
    EXPECT_EQ(result.status, 0) << result.err;
    return QImage(QString::fromStdString(out));
}

TEST(SceneShotCommand, DrawsTheSkyAtTheArtsWindowSize) {
    const test::TempDir folder;
    struct Case {
        std::string state;
        int width;
        int height;
    };
    const std::vector<Case> cases = {
        {"{}", 880, 700},
        {R"({"art": "editor", "band": [90, 300], "t": 600})", 680, 820},
        {R"({"art": "menu-6"})", 380, 470},
        {R"({"art": "settings", "width": 400, "height": 300, "skyInset": 20, "live": false})", 400, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        const QImage image = shot(folder, c.state);
        ASSERT_EQ(image.size(), QSize(c.width, c.height));
        // Mid-way down the middle is open sky, halfway between the gradient's two blues (the
        // grain moves a pixel a little either way).
        const QColor middle = image.pixelColor(c.width / 2, c.height / 2);
        EXPECT_NEAR(middle.redF(), (0.29 + 0.72) / 2, 0.05);
        EXPECT_NEAR(middle.greenF(), (0.53 + 0.86) / 2, 0.05);
        EXPECT_NEAR(middle.blueF(), (0.88 + 0.99) / 2, 0.05);
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "the corner outside the cloud frame is open";
    }
}

TEST(SceneShotCommand, AKeyOfTheWrongTypeIsOneLineAndExitStatusOne) {
    const test::TempDir folder;
    const std::vector<std::string> states = {
        R"({"art": 5})",    R"({"band": "high"})",   R"({"band": [1, 2, 3]})",
        R"({"t": "now"})",  R"({"live": "yes"})",    R"({"width": "wide"})",
        R"({"height": 0})", R"({"skyInset": [42]})", R"({"reduceMotion": 1})",
    };
    for (const std::string& state : states) {
        SCOPED_TRACE(state);
        const std::string stateFile = folder.write("state.json", state);
        const auto result = runProgram(
            OSTREL_DEV_PATH, {"shot", "scene", "--out", (folder / "x.png").string(), "--state", stateFile});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "x.png"));
    }
}

} // namespace
} // namespace ostrel
