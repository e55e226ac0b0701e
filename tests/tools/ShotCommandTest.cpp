#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::runProgram;

TEST(ShotCommand, DrawsTheBannerAtItsSizeWithItsSun) {
    const test::TempDir folder;
    const std::string out = (folder / "banner.png").string();
    const std::string state =
        folder.write("state.json", R"({"title": "Calculus is set up", "primary": null, "secondary": "Undo",
                                       "pressed": "secondary"})");
    const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "banner", "--out", out, "--state", state});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "{\"height\":150,\"out\":\"" + out + "\",\"width\":420}\n");

    const QImage image(QString::fromStdString(out));
    ASSERT_EQ(image.size(), QSize(420, 150));
    // The sun's centre, left of the texts: the sky's sun colour.
    EXPECT_EQ(image.pixelColor(44 + 22, 75).rgb(), QColor::fromRgbF(1.0f, 0.79f, 0.3f).rgb());
}

TEST(ShotCommand, AnUnknownWindowOrABadStateIsOneLineOnStderr) {
    const test::TempDir folder;
    const std::string out = (folder / "x.png").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"shot", "nowhere", "--out", out}, "ostrel-dev shot: no window called \"nowhere\""},
        {{"shot", "banner", "--out", out, "--state", folder.write("a.json", "[1]")},
         "ostrel-dev shot: a shot's state is a JSON object\n"},
        {{"shot", "banner", "--out", out, "--state", folder.write("b.json", R"({"title": 3})")},
         "ostrel-dev shot: banner: "},
        {{"shot", "banner", "--out", out, "--state", folder.write("c.json", R"({"primary": null, "pressed": "primary"})")},
         "ostrel-dev shot: banner: \"pressed\" names a button the banner has"},
        {{"shot", "banner", "--out", out, "--state", folder.write("d.json", "{")}, "ostrel-dev shot: "},
        {{"shot", "banner", "--out", (folder / "missing" / "x.png").string()}, "ostrel-dev shot: couldn't write "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[1] + " " + c.arguments.back());
        const auto result = runProgram(OSTREL_DEV_PATH, c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err.rfind(c.err, 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

} // namespace
} // namespace ostrel
