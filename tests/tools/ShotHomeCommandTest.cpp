#include "core/store/Store.hpp"
#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

using test::ClassHistory;
using test::runProgram;

constexpr std::int64_t now = ClassHistory::firstClass + 2 * ClassHistory::week + 3'600'000;

// Three maths classes with the editor and the course page: one learned routine.
std::string classesDatabase(const test::TempDir& folder) {
    const std::string path = (folder / "classes.sqlite").string();
    Store store(path);
    ClassHistory classes(store);
    for (int n = 0; n < 3; ++n) {
        classes.classHeld(n);
        classes.broughtUp(n, {test::app("org.gnome.gedit"), test::page("https://learn.example.edu/maths")});
    }
    return path;
}

std::string emptyDatabase(const test::TempDir& folder) {
    const std::string path = (folder / "empty.sqlite").string();
    Store store(path);
    return path;
}

QImage shoot(const test::TempDir& folder, const std::string& db, const std::string& tab,
             const std::string& span = "today") {
    const std::string out = (folder / (tab + "-" + span + ".png")).string();
    const auto result = runProgram(OSTREL_DEV_PATH, {"shot", "home", "--db", db, "--tz", "Europe/Berlin", "--at",
                                                     std::to_string(now), "--tab", tab, "--span", span, "--out", out});
    EXPECT_EQ(result.status, 0) << result.err;
    return QImage(QString::fromStdString(out));
}

// Pixels of the page area close to a colour (the header's New routine capsule lies above it).
int pageArea(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 232; y < 656; ++y) {
        for (int x = 96; x < 784; ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) < 6 && std::abs(pixel.green() - colour.green()) < 6 &&
                std::abs(pixel.blue() - colour.blue()) < 6) {
                ++count;
            }
        }
    }
    return count;
}

const QColor sun = QColor::fromRgbF(1.0f, 0.79f, 0.3f);

TEST(ShotHomeCommand, DrawsTheRoutinesOfTheDatabaseOnceLoaded) {
    const test::TempDir folder;
    const QImage rows = shoot(folder, classesDatabase(folder), "routines");
    ASSERT_EQ(rows.size(), QSize(880, 700));
    EXPECT_EQ(rows.pixelColor(2, 2).alpha(), 0) << "the window's corner is clear";
    EXPECT_GT(pageArea(rows, sun), 200) << "the learned routine's Set up now button";

    const QImage empty = shoot(folder, emptyDatabase(folder), "routines");
    ASSERT_EQ(empty.size(), QSize(880, 700));
    EXPECT_EQ(pageArea(empty, sun), 0) << "nothing learned: no row, no button";
}

TEST(ShotHomeCommand, DrawsTheTimePageOfEachSpan) {
    const test::TempDir folder;
    const std::string db = classesDatabase(folder);
    const QImage today = shoot(folder, db, "time", "today");
    const QImage week = shoot(folder, db, "time", "week");
    ASSERT_EQ(today.size(), QSize(880, 700));
    ASSERT_EQ(week.size(), QSize(880, 700));
    EXPECT_NE(today, week) << "the week has its own caption, picker and chart";
}

TEST(ShotHomeCommand, ABadTabOrSpanIsOneLineOnStderr) {
    const test::TempDir folder;
    const std::string out = (folder / "home.png").string();
    const struct {
        std::vector<std::string> extra;
        std::string said;
    } cases[] = {{{"--tab", "settings"}, "\"tab\""}, {{"--tab", "time", "--span", "month"}, "\"span\""}};
    for (const auto& [extra, said] : cases) {
        std::vector<std::string> arguments = {"shot", "home", "--out", out};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        EXPECT_TRUE(test::refusedInOneLine(runProgram(OSTREL_DEV_PATH, arguments), "shot", said));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

} // namespace
} // namespace ostrel
