#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::runProgram;

// Two named apps and a nameless one; a built-in panel, an external display with a UUID and one
// without; built-in speakers and Bluetooth headphones.
const char* const machineText = R"({
 "installed": [{"appID": "org.zotero.Zotero", "name": "Zotero"}, {"appID": "com.slack.Slack", "name": "Slack"},
               {"appID": "org.example.Nameless"}],
 "displays": [
   {"id": "eDP-1", "name": "Built-in", "builtIn": true, "number": 1, "uuid": "00000000-0000-4000-8000-000000000001",
    "frame": {"x": 0, "y": 0, "width": 1440, "height": 900}},
   {"id": "DP-2", "name": "No UUID", "number": 3, "frame": {"x": 1440, "y": 0, "width": 1920, "height": 1080}},
   {"id": "DP-1", "name": "DELL U2720Q", "number": 2, "uuid": "6D3F2C1A-0000-4000-8000-000000000002",
    "frame": {"x": 3360, "y": 0, "width": 2560, "height": 1440}}],
 "audioDevices": [{"id": "speakers", "name": "Speakers"},
                  {"id": "bt-1", "name": "AirPods Pro", "transport": "bluetooth"}],
 "defaultOutput": "speakers"})";

std::string idea(const std::string& apps, const std::string& kind, const std::string& name) {
    return R"({"name": "desk", "apps": )" + apps + R"(, "websites": [], "places": [], "hide": [], "mute": false,
               "when": {"kind": ")" + kind + R"(", "hour": 9, "minute": 0, "days": [], "name": ")" + name + R"("}})";
}

std::string makeStore(const test::TempDir& folder) {
    const auto path = folder / "quev.sqlite";
    Store store(path);
    CalendarEvent calculus;
    calculus.key = "series-calc";
    calculus.occurrence = 1'704'708'000'000;
    calculus.recurring = true;
    calculus.title = "Calculus II";
    calculus.start = calculus.occurrence;
    calculus.end = calculus.start + 5'400'000;
    calculus.calendar = "School";
    store.syncCalendar(std::vector{calculus}, calculus.start, calculus.start + 1, calculus.start);
    return path.string();
}

TEST(IdeaCommand, DraftsTheAnswerAgainstTheMachineTheStoreAndTheWiFi) {
    const test::TempDir folder;
    const std::string machine = folder.write("machine.json", machineText);
    const std::string db = makeStore(folder);
    struct Case {
        const char* what;
        std::string idea;
        std::vector<std::string> options;
        std::string cues;  // encoded
        std::string added; // encoded
        std::vector<std::string> notes;
    };
    const std::vector<Case> cases = {
        {"the first external display with a UUID", idea(R"(["Slack"])", "plugging in a monitor or display", ""),
         {"--machine", machine}, R"([{"display":{"name":"DELL U2720Q","uuid":"6D3F2C1A-0000-4000-8000-000000000002"}}])",
         R"(["app:com.slack.Slack"])", {}},
        {"headphones, not the speakers", idea("[]", "connecting headphones or AirPods", ""), {"--machine", machine},
         R"([{"audioDevice":{"name":"AirPods Pro","uid":"bt-1"}}])", "[]", {}},
        {"a class of the store", idea("[]", "a class starting", "calculus"), {"--db", db},
         R"([{"event":{"_0":"series-calc"}}])", "[]", {}},
        {"the Wi-Fi given, its name holding a comma", idea("[]", "arriving at a place, such as the library or home", ""),
         {"--wifi", "Dorm, 2nd floor,0123456789abcdef"},
         R"([{"wifi":{"name":"Dorm, 2nd floor","network":"0123456789abcdef"}}])", "[]",
         {"It'll happen on the Dorm, 2nd floor Wi-Fi, the network you're on now."}},
        {"without a machine no app is installed", idea(R"(["Slack"])", "plugging in a monitor or display", ""), {},
         "[]", "[]", {"Couldn't find an app called Slack.", "Plug the display in, then add it under When."}},
        {"without a store no class is known", idea("[]", "a class starting", "calculus"), {}, "[]", "[]",
         {"Couldn't find a class called calculus in your calendar."}},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.what);
        std::vector<std::string> arguments = {"idea", folder.write("idea.json", one.idea), "--words", "my desk"};
        arguments.insert(arguments.end(), one.options.begin(), one.options.end());
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const json::Value printed = json::parse(result.out);
        EXPECT_EQ(json::encode(printed["edits"]["cues"]), one.cues);
        EXPECT_EQ(json::encode(printed["edits"]["added"]), one.added);
        EXPECT_EQ(printed["notes"], json::Value(one.notes));
    }
}

TEST(IdeaCommand, PrintsTheEditsAsStoredAndADecodingErrorAsSuch) {
    const test::TempDir folder;
    const auto result = runProgram(
        OSTREL_DEV_PATH, {"idea", folder.write("idea.json", idea("[]", "at a time of day", "")), "--words", "gym"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              R"({"edits":{"added":[],"cues":[{"time":{"minute":540,"weekdays":[2,3,4,5,6]}}],"deleted":false,)"
              R"("layout":{},"learnedWhen":true,"mute":false,"name":"Desk","pickUp":true,"putAway":[],"removed":[]},)"
              R"("notes":[]})"
              "\n");

    std::string answer = idea("[]", "at a time of day", "");
    const std::string days = R"("days": [])";
    answer.replace(answer.find(days), days.size(), R"("days": ["Monday"])");
    const auto failed = runProgram(OSTREL_DEV_PATH, {"idea", folder.write("bad.json", answer), "--words", "gym"});
    EXPECT_EQ(failed.status, 0) << failed.err;
    EXPECT_EQ(failed.out, R"({"error":"Unexpected value \"Monday\" for Day"})"
                          "\n");
}

TEST(IdeaCommand, BadArgumentsAreOneLineOnStderr) {
    const test::TempDir folder;
    const std::string file = folder.write("idea.json", idea("[]", "only when asked", ""));
    const std::string broken = folder.write("broken.json", "{");
    const std::vector<std::vector<std::string>> cases = {
        {"idea", file},
        {"idea", file, "--words", "x", "--wifi", "no hash"},
        {"idea", file, "--words", "x", "--wifi", ",0123"},
        {"idea", (folder / "missing.json").string(), "--words", "x"},
        {"idea", file, "--words", "x", "--db", (folder / "missing.sqlite").string()},
        {"idea", file, "--words", "x", "--machine", broken},
        {"idea", file, "--words", "x", "--model", "y"},
        {"idea", "--words", "x"},
    };
    for (const auto& arguments : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        SCOPED_TRACE(arguments.back());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        ASSERT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        EXPECT_EQ(result.err.rfind("ostrel-dev idea: ", 0), 0u) << result.err;
    }
}

} // namespace
} // namespace ostrel
