#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"
#include "ui/theme/Sky.hpp"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace ostrel {
namespace {

using test::runProgram;

// The longest horizontal run of pixels of exactly color, over all rows.
int longestRun(const QImage& image, QRgb color) {
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = (image.pixel(x, y) | 0xff000000u) == color && qAlpha(image.pixel(x, y)) == 255 ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

TEST(ShotStylesCommand, DrawsTheControlsAtTheAskedWidth) {
    const test::TempDir folder;
    struct Case {
        std::string state;
        int width;
    };
    for (const Case& c : {Case{"{}", 600}, Case{R"({"width": 400, "pillText": "Short"})", 400}}) {
        SCOPED_TRACE(c.state);
        const std::string out = (folder / "styles.png").string();
        const auto result =
            runProgram(OSTREL_DEV_PATH, {"shot", "styles", "--out", out, "--state", folder.write("state.json", c.state)});
        ASSERT_EQ(result.status, 0) << result.err;
        const QImage image(QString::fromStdString(out));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), c.width);
        EXPECT_GT(image.height(), 300);
        EXPECT_EQ(result.out, "{\"height\":" + std::to_string(image.height()) + ",\"out\":\"" + out + "\",\"width\":" +
                                  std::to_string(c.width) + "}\n");
        // The blue capsule at rest is at least 240 wide less its round ends; the sun capsule is solid too.
        EXPECT_GE(longestRun(image, ui::Sky::button().rgb()), 240 - 46);
        EXPECT_GE(longestRun(image, ui::Sky::sun().rgb()), 40);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0); // the card's rounded corner
    }
}

TEST(ShotStylesCommand, AWrongStateIsOneLineOnStderr) {
    const test::TempDir folder;
    for (const char* state : {R"({"width": "wide"})", R"({"pillText": 3})", R"({"width": 100})"}) {
        SCOPED_TRACE(state);
        const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "styles", "--out", (folder / "x.png").string(), "--state",
                                                         folder.write("state.json", state)});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "x.png"));
    }
}

} // namespace
} // namespace ostrel
