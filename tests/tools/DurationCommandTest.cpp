// duration as a program: one JSON line per span, and a mistake is one line on stderr with status 1
// and nothing on stdout.

#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

TEST(DurationCommand, PrintsOneLinePerSpanInOrder) {
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"duration", "500", "1000", "90000", "3900000", "-60000"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<json::Value> expected = {
        {{"ms", 500}, {"words", "under a minute"}}, {{"ms", 1000}, {"words", "1 s"}},
        {{"ms", 90000}, {"words", "2 min"}},        {{"ms", 3900000}, {"words", "1 h 5 min"}},
        {{"ms", -60000}, {"words", "-1 min"}},
    };
    EXPECT_EQ(test::jsonLines(result.out), expected);
}

TEST(DurationCommand, AMistakeIsOneLineAndNothingPrinted) {
    const struct {
        std::vector<std::string> arguments;
        const char* said;
    } cases[] = {
        {{"duration", "60000", "12x"}, "\"12x\""},
        {{"duration", "1.5"}, "\"1.5\""},
        {{"duration", ""}, "\"\""},
        {{"duration", "99999999999999999999"}, "\"99999999999999999999\""},
        {{"duration"}, "MS"},
    };
    for (const auto& one : cases) {
        EXPECT_TRUE(test::refusedInOneLine(runProgram(OSTREL_DEV_PATH, one.arguments), "duration", one.said));
    }
}

} // namespace
} // namespace ostrel
