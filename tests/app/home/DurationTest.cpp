#include "app/home/Duration.hpp"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(DurationTest, SpansReadAsTheTimePageWritesThem) {
    const struct {
        std::int64_t ms;
        const char* words;
    } cases[] = {
        {0, "0 min"},
        {1, "under a minute"},
        {999, "under a minute"},
        {1'000, "1 s"},
        {29'999, "29 s"},
        {30'000, "1 min"},
        {89'999, "1 min"},
        {90'000, "2 min"},
        {3'540'000, "59 min"},
        {3'570'000, "1 h"}, // 59.5 minutes round up to an hour
        {3'600'000, "1 h"},
        {3'900'000, "1 h 5 min"},
        {86'400'000, "24 h"},
        {360'000'000, "100 h"}, // hours never become days
        {-29'999, "0 min"},
        {-30'000, "-1 min"},
        {-7'200'000, "-120 min"}, // a negative span stays in minutes
    };
    for (const auto& one : cases) {
        EXPECT_EQ(Duration::words(one.ms), one.words) << one.ms;
    }
    // The extremes are worded, not overflowed.
    EXPECT_EQ(Duration::words(std::numeric_limits<std::int64_t>::max()), "2562047788015 h 13 min");
    EXPECT_EQ(Duration::words(std::numeric_limits<std::int64_t>::min()), "-153722867280913 min");
}

} // namespace
} // namespace ostrel
