#include "support/RunProgram.hpp"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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
    // The summary stays short; the courses follow it.
    const std::string summary = out.substr(0, out.find("  learned per course"));
    EXPECT_LE(std::count(summary.begin(), summary.end(), '\n'), 10) << out;

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

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

TEST(DemoCommand, ShowsWhatWasLearnedForEachCourseAndWhatItsNextClassWouldBring) {
    const auto result = runProgram(OSTREL_DEV_PATH, {"demo"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = linesOf(result.out);
    const auto section =
        std::find(lines.begin(), lines.end(), "  learned per course, and the autopilot at its next class:");
    ASSERT_NE(section, lines.end()) << result.out;

    // Five courses, each with at least one series (what was learned under it) and its next class.
    int courses = 0;
    int series = 0;
    int nextClasses = 0;
    for (auto line = section + 1; line != lines.end(); ++line) {
        if (!line->starts_with("      ")) {
            ASSERT_TRUE(line->starts_with("    ")) << *line;
            ++courses;
        } else if (line->starts_with("      next class ")) {
            ++nextClasses;
            const bool known = line->find("): does nothing") != std::string::npos ||
                               line->find("): asks first, then sets up ") != std::string::npos ||
                               line->find("): sets up ") != std::string::npos;
            EXPECT_TRUE(known) << *line;
            EXPECT_NE(line->find("; Home shows "), std::string::npos) << *line;
        } else {
            ++series;
            const bool learned = line->find(" episodes, confidence 0.") != std::string::npos ||
                                 line->find(" episodes, confidence 1.00") != std::string::npos;
            EXPECT_TRUE(learned || line->ends_with(": nothing learned")) << *line;
        }
    }
    EXPECT_EQ(courses, 5) << result.out;
    EXPECT_EQ(nextClasses, 5) << result.out;
    EXPECT_GE(series, 5) << result.out;
}

TEST(DemoCommand, TakesNothingButItsOptions) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"demo", "extra"}, {"demo", "--noise", "loud"}, {"demo", "--noise"}}) {
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 1) << arguments.back();
        EXPECT_EQ(result.out, "") << arguments.back();
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

} // namespace
} // namespace ostrel
