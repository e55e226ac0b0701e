// open-now as a program: the edits of everything open on a simulated machine, or one app's
// window placement; a mistake is one line on stderr and nothing on stdout.

#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

const char* const machineText = R"({
  "ownPid": 1000,
  "apps": [
    {"pid": 1000, "bundleID": "org.ostrel.Ostrel"},
    {"pid": 2001, "bundleID": "org.gnome.Nautilus",
     "windows": [{"id": 1, "frame": {"x": 0, "y": 0, "width": 800, "height": 600}}]},
    {"pid": 2002, "bundleID": "org.mozilla.firefox",
     "windows": [{"id": 2, "frame": {"x": 100.7, "y": -20.3, "width": 1280, "height": 775}}]},
    {"pid": 2003, "bundleID": "org.gnome.TextEditor",
     "windows": [{"id": 3, "frame": {"x": 0, "y": 0, "width": 640, "height": 480}}]}
  ],
  "frontPid": 2003,
  "defaultHandlers": {"inode/directory": "org.gnome.Nautilus"},
  "trusted": true
})";

TEST(OpenNowCommand, PrintsTheEditsOrOnePlacement) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", machineText);
    const struct {
        std::vector<std::string> extra;
        const char* printed;
    } cases[] = {
        {{},
         R"({"added": ["app:org.gnome.TextEditor", "app:org.mozilla.firefox"],
             "layout": {"org.gnome.TextEditor": {"frame": {"_0": {"x": 0, "y": 0, "width": 640, "height": 480}}},
                        "org.mozilla.firefox": {"frame": {"_0": {"x": 100, "y": -20, "width": 1280, "height": 775}}}}})"},
        {{"--placement", "org.mozilla.firefox"},
         R"({"frame": {"_0": {"x": 100, "y": -20, "width": 1280, "height": 775}}})"},
        {{"--placement", "org.gnome.Maps"}, "null"},
    };
    for (const auto& one : cases) {
        std::vector<std::string> arguments = {"open-now", "--machine", machine};
        arguments.insert(arguments.end(), one.extra.begin(), one.extra.end());
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const auto lines = test::jsonLines(result.out);
        ASSERT_EQ(lines.size(), 1u) << result.out;
        json::Value expected = json::parse(one.printed);
        if (one.extra.empty()) {
            // Only what differs from empty edits is checked here; the rest is the store's format.
            json::Value printed = lines.front();
            EXPECT_EQ(printed.at("added"), expected.at("added"));
            EXPECT_EQ(printed.at("layout"), expected.at("layout"));
        } else {
            EXPECT_EQ(lines.front(), expected);
        }
    }
}

TEST(OpenNowCommand, AMistakeIsOneLineAndNothingPrinted) {
    const test::TempDir folder;
    const std::string broken = folder.write("broken.json", "{nope");
    const struct {
        std::vector<std::string> arguments;
        const char* said;
    } cases[] = {
        {{"open-now"}, "--machine"},
        {{"open-now", "--machine", (folder / "missing.json").string()}, "missing.json"},
        {{"open-now", "--machine", broken}, "broken.json"},
        {{"open-now", "--machine", broken, "extra"}, "extra"},
        {{"open-now", "--machine", broken, "--placement"}, "--placement"},
    };
    for (const auto& one : cases) {
        EXPECT_TRUE(test::refusedInOneLine(runProgram(OSTREL_DEV_PATH, one.arguments), "open-now", one.said));
    }
}

} // namespace
} // namespace ostrel
