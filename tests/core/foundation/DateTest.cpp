#include "core/foundation/Date.hpp"

#include <cstdint>
#include <limits>
#include <optional>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

TEST(Date, MillisecondsRoundHalvesAwayFromZeroOrTruncate) {
    const struct {
        Date date;
        std::optional<std::int64_t> rounded;
        std::optional<std::int64_t> truncated;
    } cases[] = {
        {0, 0, 0},
        {0.0625, 63, 62}, // 62.5 ms
        {-0.0625, -63, -62},
        {0.03125, 31, 31}, // 31.25 ms
        {0.0004, 0, 0},
        {-0.0004, 0, 0},
        {1'700'000'000.9996, 1'700'000'001'000, 1'700'000'000'999},
        {7'776'000.5, 7'776'000'500, 7'776'000'500},
        // -2^63 ms is the smallest that fits; 2^63 ms is the first that does not.
        {-9223372036854775.808, int64Min, int64Min},
        {9223372036854775.808, std::nullopt, std::nullopt},
        {1e300, std::nullopt, std::nullopt},
        {-1e300, std::nullopt, std::nullopt},
        {nan, std::nullopt, std::nullopt},
        {infinity, std::nullopt, std::nullopt},
        {-infinity, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundedMilliseconds(c.date), c.rounded) << c.date;
        EXPECT_EQ(truncatedMilliseconds(c.date), c.truncated) << c.date;
    }
    // Just below the bound still converts.
    EXPECT_GT(roundedMilliseconds(9223372036854774.0).value_or(0), int64Max - 2048);
    EXPECT_GT(truncatedMilliseconds(9223372036854774.0).value_or(0), int64Max - 2048);
}

} // namespace
} // namespace ostrel
