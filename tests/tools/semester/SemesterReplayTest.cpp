#include "core/replay/Replay.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"
#include "support/PlainReplay.hpp"
#include "support/TempDir.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel::semester {
namespace {

// Episodes the store rebuilt from a generated month, with everything a day holds around the
// classes: the quick replay must give the report of relearning everything before each episode.
TEST(SemesterReplay, QuickReplayEqualsRelearningOnGeneratedMonths) {
    const Calendar calendar("Europe/Berlin", "en_US");
    for (const Noise noise : {Noise::low, Noise::high}) {
        const test::TempDir dir;
        SemesterOptions options;
        options.days = 35;
        options.perDay = 800;
        options.seed = 5;
        options.noise = noise;
        SemesterGenerator generator(options);
        Store store(dir / "quev.sqlite");
        writeSemester(generator, store);
        const auto episodes = store.episodes(std::numeric_limits<std::int64_t>::min(),
                                             std::numeric_limits<std::int64_t>::max());
        const auto series = store.calendarSeries();

        const Replay::Report quick = Replay::run(episodes, series, calendar);
        ASSERT_GT(quick.episodes.size(), 100u) << toString(noise);
        EXPECT_GT(quick.suggestions(), 0) << toString(noise);
        EXPECT_TRUE(quick == test::plainReplay(episodes, series, calendar)) << toString(noise);
    }
}

} // namespace
} // namespace ostrel::semester
