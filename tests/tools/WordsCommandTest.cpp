// words as a program: one JSON line per argument in the given locale, app names from a simulated
// machine, a place's network from --wifi; a mistake is one line on stderr and nothing on stdout.

#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

const std::string nnbsp = "\u202F";

TEST(WordsCommand, PrintsEachArgumentInTheEditorsWords) {
    const test::TempDir folder;
    const std::string machine = folder.write(
        "machine.json", R"({"installed": [{"appID": "org.gnome.Calculator", "name": "Calculator"}]})");
    const auto result =
        runProgram(OSTREL_DEV_PATH,
                   {"words", R"({"time":{"weekdays":[6,2,2,3,4,5],"minute":450}})", R"({"days":[1,3]})",
                    R"({"days":[1,7,8]})", R"({"days":[]})", R"({"clock":540})",
                    R"({"app":{"_0":"org.gnome.Calculator"}})", R"({"event":{"_0":"series-gone"}})",
                    R"({"moment":"slot:2:19:wifi:0123456789abcdef"})", R"({"place":"unknown"})", "--machine",
                    machine, "--wifi", "Campus, North,0123456789abcdef", "--tz", "Europe/Berlin"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<json::Value> expected = {
        {{"words", "Weekdays at 7:30" + nnbsp + "AM"}},
        {{"words", "Tue and Sun"}},
        {{"words", "Sat and Sun"}},
        {{"words", ""}},
        {{"words", "9:00" + nnbsp + "AM"}},
        {{"words", "When you open Calculator"}},
        {{"words", "When a class starts"}},
        {{"words", "Mondays around 9:30" + nnbsp + "AM on Campus, North"}},
        {{"words", nullptr}},
    };
    EXPECT_EQ(test::jsonLines(result.out), expected);
}

TEST(WordsCommand, TheLocaleGivesTheNamesTimesAndLists) {
    const auto result = runProgram(OSTREL_DEV_PATH,
                                   {"words", R"({"days":[6,2,4]})", R"({"clock":450})", "--locale", "de_DE"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<json::Value> expected = {{{"words", "Mo., Mi. und Fr."}}, {{"words", "07:30"}}};
    EXPECT_EQ(test::jsonLines(result.out), expected);
}

TEST(WordsCommand, AMistakeIsOneLineAndNothingPrinted) {
    const struct {
        std::vector<std::string> arguments;
        const char* said;
    } cases[] = {
        {{"words", R"({"days":[1]})", "{nope"}, "{nope"},
        {{"words", "[1,2]"}, "[1,2]"},
        {{"words", R"({"days":"Monday"})"}, "Monday"},
        {{"words", R"({"clock":7.5})"}, "7.5"},
        {{"words", R"({"moment":"lecture"})"}, "\"lecture\""},
        {{"words", R"({"bell":{}})"}, "bell"},
        {{"words", R"({"days":[1]})", "--tz", "Mars/Olympus"}, "Mars/Olympus"},
        {{"words"}, "JSON"},
    };
    for (const auto& one : cases) {
        EXPECT_TRUE(test::refusedInOneLine(runProgram(OSTREL_DEV_PATH, one.arguments), "words", one.said));
    }
}

} // namespace
} // namespace ostrel
