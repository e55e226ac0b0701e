#include "support/RunProgram.hpp"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

// The database line names a path that changes from run to run; everything else must not.
std::string withoutPath(const std::string& text) {
    std::string result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        if (!line.starts_with("  database: ")) {
            result += line + "\n";
        }
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return result;
}

TEST(DemoCommand, SummarisesFourGeneratedWeeksTheSameWayEachRunAndCleansUp) {
    const auto first = runProgram(OSTREL_DEV_PATH, {"demo"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");
    const std::string out = first.out;
    for (const char* expected :
         {"days: 28", "of 33 kinds", "triggers: ", "episodes rebuilt: ", "calendar: "}) {
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    }
    EXPECT_LE(std::count(out.begin(), out.end(), '\n'), 10) << out;

    const auto start = out.find("  database: ") + 12;
    const std::string path = out.substr(start, out.find(' ', start) - start);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path).parent_path())) << path;

    const auto second = runProgram(OSTREL_DEV_PATH, {"demo", "--keep"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(withoutPath(second.out), withoutPath(first.out));
    const auto keptStart = second.out.find("  database: ") + 12;
    const std::filesystem::path kept =
        second.out.substr(keptStart, second.out.find(' ', keptStart) - keptStart);
    EXPECT_TRUE(std::filesystem::is_regular_file(kept)) << kept;
    std::filesystem::remove_all(kept.parent_path());
}

TEST(DemoCommand, TakesNothingButKeep) {
    const auto result = runProgram(OSTREL_DEV_PATH, {"demo", "extra"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
}

} // namespace
} // namespace ostrel
