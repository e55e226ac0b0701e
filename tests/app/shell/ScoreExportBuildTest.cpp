// Building the score export: on the worker, over every episode up to now, with the two failure
// sentences, and dropped when its owner goes before it comes back.

#include "app/shell/ScoreExportBuild.hpp"

#include "core/store/Store.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/HeldWorkerRuntime.hpp"
#include "support/Mornings.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace ostrel {
namespace {

const Calendar berlin("Europe/Berlin", "en_US");
const std::map<std::string, bool> signalsOn = {{"calendar", true}, {"wifi", false}};
const ScoreExport::Budgets budgets{1.5, 120.25, 4.0};

class ScoreExportBuildTest : public ::testing::Test {
protected:
    ScoreExportBuildTest() { test::Mornings::write(file); }

    // The export of everything in the store, made directly.
    std::string everything(Store& from) {
        const auto episodes =
            from.episodes(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
        return ScoreExportBuild::json(episodes, from.calendarSeries(), berlin, "1.2.3", signalsOn, budgets);
    }
    std::unique_ptr<ScoreExportBuild> build(Store* from, std::string version = "1.2.3") {
        return std::make_unique<ScoreExportBuild>(
            ScoreExportBuild::Sources{from, runtime, berlin, std::move(version), signalsOn, budgets});
    }
    void finish() {
        for (int round = 0; round < 10 && (runtime.runWorker() > 0 || time.pending() > 0); ++round) {
            time.settle();
        }
    }

    test::TempDir dir;
    const std::filesystem::path file = dir / "quev.sqlite";
    // A year after the recorded mornings.
    VirtualTime time{(test::Mornings::first + 365 * test::Mornings::day) / 1000.0};
    test::HeldWorkerRuntime runtime{time};
};

TEST_F(ScoreExportBuildTest, TheExportIsBuiltOnTheWorkerAndHandedToMain) {
    Store store(file);
    const std::string expected = everything(store);
    ASSERT_NE(expected.find("\"cpuPercent\" : 1.5"), std::string::npos);
    ASSERT_NE(expected.find("\"calendar\" : true"), std::string::npos);

    const auto building = build(&store);
    int ready = 0;
    building->start([&] { ++ready; });
    EXPECT_TRUE(building->building());
    EXPECT_FALSE(building->text()) << "nothing is built on main";
    EXPECT_EQ(runtime.heldOnWorker(), 1u);
    building->start();
    EXPECT_EQ(runtime.heldOnWorker(), 1u) << "built once";

    finish();
    EXPECT_FALSE(building->building());
    ASSERT_TRUE(building->text());
    EXPECT_EQ(*building->text(), expected);
    EXPECT_EQ(ready, 1);
    EXPECT_FALSE(ScoreExportBuild::isFailure(*building->text()));
}

TEST_F(ScoreExportBuildTest, OnlyEpisodesUpToNowAreRead) {
    Store store(file);
    // At the last morning's first minute, later mornings are not in the export yet.
    const Date early = (test::Mornings::first + 2 * test::Mornings::day) / 1000.0;
    const std::string upToNow = ScoreExportBuild::text(store, early, berlin, "1.2.3", signalsOn, budgets);
    const auto episodes = store.episodes(0, static_cast<std::int64_t>(early * 1000) + 1);
    ASSERT_LT(episodes.size(), 21u);
    EXPECT_EQ(upToNow, ScoreExportBuild::json(episodes, store.calendarSeries(), berlin, "1.2.3", signalsOn, budgets));
    EXPECT_NE(upToNow, everything(store));
}

TEST_F(ScoreExportBuildTest, AFailedReadOrEncodingGivesItsSentence) {
    struct Case {
        const char* name;
        const char* drop; // a table dropped under the open store, or none
        std::string version;
        const char* expected;
    };
    const Case cases[] = {
        {"triggers unreadable", "triggers", "1.2.3", ScoreExportBuild::readFailure},
        {"calendar unreadable", "calendar_events", "1.2.3", ScoreExportBuild::readFailure},
        {"version not UTF-8", nullptr, "1.\xff", ScoreExportBuild::buildFailure},
    };
    for (const Case& c : cases) {
        const test::TempDir other;
        const auto path = other / "quev.sqlite";
        test::Mornings::write(path);
        Store store(path);
        if (c.drop != nullptr) {
            test::RawDatabase(path).exec(std::string("DROP TABLE ") + c.drop);
        }
        const auto building = build(&store, c.version);
        building->start();
        finish();
        ASSERT_TRUE(building->text()) << c.name;
        EXPECT_EQ(*building->text(), c.expected) << c.name;
        EXPECT_TRUE(ScoreExportBuild::isFailure(*building->text())) << c.name;
    }
}

TEST_F(ScoreExportBuildTest, WithoutAStoreNothingIsBuilt) {
    const auto building = build(nullptr);
    building->start();
    EXPECT_FALSE(building->building());
    EXPECT_EQ(runtime.heldOnWorker(), 0u);
    finish();
    EXPECT_FALSE(building->text());
}

TEST_F(ScoreExportBuildTest, ABuildWhoseOwnerWentFirstIsDropped) {
    Store store(file);
    int ready = 0;
    {
        auto building = build(&store);
        building->start([&] { ++ready; });
        // Destroyed while the worker holds the build, then again after the worker built the text
        // and before main took it: neither reaches the gone owner (the sanitizer would see it).
        runtime.runWorker();
    }
    EXPECT_EQ(time.pending(), 1u);
    {
        auto building = build(&store);
        building->start([&] { ++ready; });
    }
    finish();
    EXPECT_EQ(ready, 0);
    EXPECT_EQ(time.pending(), 0u);
}

} // namespace
} // namespace ostrel
