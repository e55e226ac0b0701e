#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::runProgram;

// Two named apps, one running and one only installed, and an installed app without a name.
const char* const machineText = R"({
 "apps": [{"pid": 2001, "bundleID": "org.example.Browser", "name": "Browser"}],
 "installed": [{"appID": "org.example.Chat", "name": "Chat"}, {"appID": "org.example.Nameless"}]})";

TEST(BannerTextCommand, PrintsNamesAndSummariesInTheGivenLocale) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", machineText);
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"names", R"(["app:org.example.Browser","app:org.example.Chat","page:https://zoom.us/j/1"])", "--machine",
          machine},
         "{\"text\":\"Browser, Chat, and the video call\"}\n"},
        {{"names", R"(["app:org.example.Browser","app:org.example.Chat","page:https://zoom.us/j/1"])", "--machine",
          machine, "--locale", "en_GB"},
         "{\"text\":\"Browser, Chat and the video call\"}\n"},
        // Without a machine no app has a name.
        {{"names", R"(["app:org.example.Browser","document:/tmp/a.txt","note:org.example.Notes:Todo","app:x.y"])"},
         "{\"text\":\"org.example.Browser, a.txt, Todo, and 1 more\"}\n"},
        {{"names", "[]"}, "{\"text\":\"\"}\n"},
        {{"summary", R"({"wasMuted": false})"}, "{\"text\":\"Muted the Mac\"}\n"},
        {{"summary",
          R"({"run": {"opened": ["app:org.example.Chat", "page:https://school.example/"],
                      "hid": [{"pid": 1, "appID": "org.example.Browser", "serial": 1}, "org.example.Nameless"],
                      "wasMuted": null}})",
          "--machine", machine},
         "{\"text\":\"Opened Chat and a class page and put away Browser\"}\n"},
        {{"summary", R"({"hid": ["org.example.Nameless", "org.example.Gone"], "edits": {"layout": {"a.b": {"full": {}}}}})",
          "--machine", machine},
         "{\"text\":\"Placed your windows and put away 2 apps\"}\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"banner-text"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.arguments[1]);
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
    }
}

TEST(BannerTextCommand, BadInputIsOneLineOnStderr) {
    const test::TempDir folder;
    const std::string broken = folder.write("broken.json", "{\"apps\": 3}");
    const std::vector<std::vector<std::string>> cases = {
        {"banner-text", "names", "[\"nonsense\"]"},
        {"banner-text", "names", "not json"},
        {"banner-text", "summary", "[1]"},
        {"banner-text", "summary", R"({"wasMuted": "yes"})"},
        {"banner-text", "names", "[]", "--machine", (folder.path() / "missing.json").string()},
        {"banner-text", "names", "[]", "--machine", broken},
        {"banner-text", "names", "[]", "--locale", "en_US@=x"},
        {"banner-text", "shout", "[]"},
        {"banner-text", "names"},
        {"banner-text", "names", "[]", "--colour", "red"},
    };
    for (const std::vector<std::string>& arguments : cases) {
        std::string trace;
        for (const std::string& argument : arguments) {
            trace += argument + " ";
        }
        SCOPED_TRACE(trace);
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

} // namespace
} // namespace ostrel
