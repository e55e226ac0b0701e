#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace ostrel {
namespace {

using test::runProgram;

// A browser and a chat app running; an app that starts in 0.5 s and shows its window 3 s later.
const char* const machineText = R"({
 "apps": [{"pid": 2001, "bundleID": "org.example.Browser", "windows": [{"id": 5, "frame": {"x": 10, "y": 40, "width": 400, "height": 300}}], "focusedWindow": 5},
          {"pid": 2002, "bundleID": "org.example.Chat"}],
 "frontPid": 2002,
 "installed": [{"appID": "org.example.Slow", "launchDelay": 0.5, "windowDelay": 3,
                "windows": [{"frame": {"x": 300, "y": 300, "width": 500, "height": 400}}]}],
 "defaultHandlers": {"https": "org.example.Browser"},
 "displays": [{"id": "eDP-1", "frame": {"x": 0, "y": 0, "width": 1440, "height": 900}}],
 "audioDevices": [{"id": "speakers", "name": "Speakers"}], "defaultOutput": "speakers"})";

const char* const routineText = R"({"name": "Maths",
 "items": ["app:org.example.Slow", "page:https://example.org/", "page:ftp://example.org/"],
 "edits": {"putAway": ["org.example.Chat"], "mute": true, "layout": {"org.example.Slow": {"left": {}}}}})";

TEST(SetupCommand, PrintsTheRunItsObservationsAndTheMachineBeforeAndAfterTheUndo) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", machineText);
    const std::string routine = folder.write("routine.json", routineText);
    const auto result = runProgram(OSTREL_DEV_PATH, {"setup", machine, routine, "--ago", "1", "--front", "--wait", "6",
                                                     "--then", "undo"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<json::Value> out = test::jsonLines(result.out);
    ASSERT_EQ(out.size(), 5u) << result.out;

    const json::Value& run = out[0].at("run");
    EXPECT_EQ(run.at("opened"), json::parse(R"(["app:org.example.Slow","page:https://example.org/"])"));
    EXPECT_EQ(run.at("mutedDevice"), "speakers");
    EXPECT_EQ(out[1].at("observation").at("signal"), "quev.run");
    EXPECT_EQ(out[1].at("observation").at("payload").at("run"), run.at("id"));
    EXPECT_EQ(out[1].at("observation").at("payload").at("arranged"), 1);

    const json::Value& after = out[2].at("machine");
    EXPECT_EQ(after.at("front"), "org.example.Slow");
    EXPECT_EQ(after.at("hidden"), json::parse(R"(["org.example.Chat"])"));
    EXPECT_EQ(after.at("mute").at("speakers"), true);
    EXPECT_EQ(after.at("moved").size(), 1u); // the window that showed at 3.5 s was placed
    EXPECT_EQ(after.at("frames").back().at("frame"), json::parse(R"({"x":0,"y":0,"width":720,"height":900})"));

    EXPECT_EQ(out[3].at("observation").at("signal"), "quev.undo");
    const json::Value& undone = out[4].at("machine");
    EXPECT_EQ(undone.at("running"), json::parse(R"(["org.example.Browser","org.example.Chat"])"));
    EXPECT_EQ(undone.at("hidden"), json::Value::array());
    EXPECT_EQ(undone.at("mute").at("speakers"), false);
}

TEST(SetupCommand, BadInputIsOneLineOnStderrAndStatusOne) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", machineText);
    const std::string routine = folder.write("routine.json", routineText);
    const std::string noItems = folder.write("no-items.json", R"({"name": "Maths"})");
    const std::string badKey = folder.write("bad-key.json", R"({"key": "nonsense", "items": []})");
    const std::vector<std::vector<std::string>> cases = {
        {machine},
        {machine, routine, "--then", "redo"},
        {machine, routine, "--wait", "-1"},
        {machine, routine, "--ago", "soon"},
        {machine, routine, "--open", "app:x"},
        {machine, noItems},
        {machine, badKey},
        {machine, folder.path().string() + "/missing.json"},
        {folder.path().string() + "/missing.json", routine},
    };
    for (const auto& arguments : cases) {
        std::vector<std::string> all{"setup"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const auto result = runProgram(OSTREL_DEV_PATH, all);
        SCOPED_TRACE(arguments.back());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

} // namespace
} // namespace ostrel
