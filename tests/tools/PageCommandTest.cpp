#include "support/RunProgram.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

TEST(PageCommand, PrintsOneLinePerUrlAndTheStablePageOfAll) {
    const auto result =
        runProgram(OSTREL_DEV_PATH, {"page", "https://u:p@WWW.Lms.edu/courses/12345/grades?x=1",
                                     "https://www.lms.edu/courses/12345/modules", "about:blank"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "{\"address\":\"https://WWW.Lms.edu/courses/12345/grades\",\"site\":\"lms.edu\","
              "\"url\":\"https://u:p@WWW.Lms.edu/courses/12345/grades?x=1\"}\n"
              "{\"address\":\"https://www.lms.edu/courses/12345/modules\",\"site\":\"lms.edu\","
              "\"url\":\"https://www.lms.edu/courses/12345/modules\"}\n"
              "{\"address\":null,\"site\":null,\"url\":\"about:blank\"}\n"
              "{\"stablePage\":null}\n"); // the two web visits spell their hosts differently
    EXPECT_EQ(result.err, "");
}

TEST(PageCommand, OneUrlHasNoStablePageLineAndOddTextStaysJson) {
    const auto single = runProgram(OSTREL_DEV_PATH, {"page", "https://h.com/a\"b\\c"});
    EXPECT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(single.out, "{\"address\":null,\"site\":null,\"url\":\"https://h.com/a\\\"b\\\\c\"}\n");

    const auto pair = runProgram(OSTREL_DEV_PATH, {"page", "https://h.com/a/1", "\xFF"});
    EXPECT_EQ(pair.status, 0) << pair.err;
    EXPECT_EQ(pair.out,
              "{\"address\":\"https://h.com/a/1\",\"site\":\"h.com\",\"url\":\"https://h.com/a/1\"}\n"
              "{\"address\":null,\"site\":null,\"url\":\"\xEF\xBF\xBD\"}\n"
              "{\"stablePage\":\"https://h.com/a/1\"}\n");
}

TEST(PageCommand, WithoutUrlsIsAUsageMistake) {
    const auto result = runProgram(OSTREL_DEV_PATH, {"page"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
}

} // namespace
} // namespace ostrel
