#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrel {
namespace {

using test::runProgram;

// A 1,439-point-wide built-in screen with a 25-point bar on top, and a taller screen to its right
// whose top is 180 points above the built-in's.
const char* const twoScreens = R"({"displays": [
  {"id": "eDP-1", "frame": {"x": 0, "y": 0, "width": 1439, "height": 900},
   "usableFrame": {"x": 0, "y": 0, "width": 1439, "height": 875}},
  {"id": "HDMI-1", "frame": {"x": 1439, "y": 0, "width": 1920, "height": 1080}}
]})";

TEST(PlaceCommand, PrintsWhereEachPlacementPutsTheWindow) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", twoScreens);
    const std::string bare = folder.write("bare.json", "{}");
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{machine, "--placement", "left"}, R"({"target":{"height":875,"width":720,"x":0,"y":25}})"},
        {{"--placement", "right", "--frame", "10,40,300,200", machine},
         R"({"target":{"height":875,"width":720,"x":719,"y":25}})"},
        {{machine, "--placement", "full", "--frame", "1300.5,100,800,400"},
         R"({"target":{"height":1080,"width":1920,"x":1439,"y":-180}})"},
        {{machine, "--placement", "full", "--frame", "1339,100,200,400"},
         R"({"target":{"height":875,"width":1439,"x":0,"y":25}})"}, // a tie: the first screen
        {{machine, "--placement", "100,-120,800,600"}, R"({"target":{"height":600,"width":800,"x":100,"y":-120}})"},
        {{machine, "--placement", "5000,0,800,600"}, R"({"target":null})"}, // off every screen
        {{bare, "--placement", "left"}, R"({"target":null})"},               // no screens
    };
    for (const Case& test : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, [&] {
            std::vector<std::string> arguments{"place"};
            arguments.insert(arguments.end(), test.arguments.begin(), test.arguments.end());
            return arguments;
        }());
        SCOPED_TRACE(test.arguments[1] + " " + test.arguments[2]);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, test.out + "\n");
        EXPECT_EQ(result.err, "");
    }
}

TEST(PlaceCommand, BadInputIsOneLineOnStderrAndStatusOne) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", twoScreens);
    const std::string broken = folder.write("broken.json", R"({"displays": [{"name": "no id"}]})");
    const std::vector<std::vector<std::string>> cases = {
        {machine},
        {machine, "--placement", "middle"},
        {machine, "--placement", "1,2,3"},
        {machine, "--placement", "1,2,3,4,5"},
        {machine, "--placement", "1.5,2,3,4"},
        {machine, "--placement", "1,2,,4"},
        {machine, "--placement", "99999999999999999999,0,1,1"},
        {machine, "--placement", "left", "--frame", "a,b,c,d"},
        {machine, "--placement", "left", "--frame", "1,2,3,nan"},
        {machine, "--placement", "left", "--frame", "1,2,3,4 "},
        {folder / "missing.json", "--placement", "left"},
        {broken, "--placement", "left"},
        {"--placement", "left"},
        {machine, machine, "--placement", "left"},
    };
    for (const auto& arguments : cases) {
        std::vector<std::string> all{"place"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const auto result = runProgram(OSTREL_DEV_PATH, all);
        SCOPED_TRACE(all.back());
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

} // namespace
} // namespace ostrel
