#include "core/store/Store.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

using test::runProgram;

QImage shoot(const test::TempDir& folder, const std::string& stateText) {
    const std::string state = folder.write("state.json", stateText);
    const std::string out = (folder / "export.png").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "export", "--out", out, "--state", state});
    EXPECT_EQ(result.status, 0) << result.err;
    return QImage(QString::fromStdString(out));
}

TEST(ShotExportCommand, DrawsTheWindowScoringAndWithItsText) {
    const test::TempDir folder;
    const QImage scoring = shoot(folder, R"({"reminder": true})");
    ASSERT_EQ(scoring.size(), QSize(600, 700));
    EXPECT_EQ(scoring.pixelColor(2, 2).alpha(), 0) << "the window's corner is clear";
    EXPECT_GT(scoring.pixelColor(300, 420).lightnessF(), 0.9) << "the card behind the body";

    // With a text and a recipient the filled mail button shows at the bottom right of the body.
    const QImage shown = shoot(folder, R"({"text": "{\n  \"days\" : 27\n}", "recipient": true})");
    ASSERT_EQ(shown.size(), QSize(600, 700));
    EXPECT_NE(scoring, shown);
    int blue = 0;
    for (int y = 560; y < 656; ++y) {
        for (int x = 300; x < 504; ++x) {
            const QColor pixel = shown.pixelColor(x, y);
            blue += pixel.blue() > 180 && pixel.red() < 90 ? 1 : 0;
        }
    }
    EXPECT_GT(blue, 500) << "the Email my scores button";
}

TEST(ShotExportCommand, OverADatabaseTheExportIsBuiltBeforeThePicture) {
    const test::TempDir folder;
    const std::string db = (folder / "quev.sqlite").string();
    Store{db}; // an empty store still has an export: zero episodes
    const std::string out = (folder / "export.png").string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "export", "--db", db, "--tz", "Europe/Berlin",
                                                     "--reminder", "--recipient", "", "--out", out});
    ASSERT_EQ(result.status, 0) << result.err;
    const QImage built(QString::fromStdString(out));
    ASSERT_EQ(built.size(), QSize(600, 700));
    const QImage scoring = shoot(folder, R"({"reminder": true, "recipient": false})");
    EXPECT_NE(built, scoring) << "the export's text, not Scoring…";

    const auto refused = runProgram(OSTREL_DEV_PATH, {"shot", "home", "--reminder", "--out", out});
    EXPECT_TRUE(test::refusedInOneLine(refused, "shot", "--reminder"));
}

TEST(ShotExportCommand, ABadStateIsOneLineOnStderr) {
    const test::TempDir folder;
    const std::string state = folder.write("state.json", R"({"reminder": "yes"})");
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"shot", "export", "--out", (folder / "x.png").string(), "--state", state});
    EXPECT_TRUE(test::refusedInOneLine(result, "shot", "reminder"));
}

} // namespace
} // namespace ostrel
