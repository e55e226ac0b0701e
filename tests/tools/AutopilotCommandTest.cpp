#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::ClassHistory;
using test::runProgram;

// The browser and a reader are installed, so the setup can open the browser and the slides.
const char* const machineText = R"({
 "installed": [{"appID": "org.example.Browser", "name": "Browser"}, {"appID": "org.example.Reader", "name": "Reader"}],
 "documentHandlers": {"pdf": "org.example.Reader"},
 "documents": ["/home/student/slides.pdf"]})";

// The effects' names in order, with a banner's kind and an answer's answer beside them.
std::vector<std::string> story(const std::vector<json::Value>& lines) {
    std::vector<std::string> names;
    for (const json::Value& line : lines) {
        std::string name = line.at("effect").get<std::string>();
        if (name == "banner") name += " " + line.value("kind", "");
        if (name == "answer") name += " " + line.value("answer", "");
        if (name == "recorded") name += " " + line.value("signal", "");
        if (name == "timer") name += " " + line.value("kind", "");
        names.push_back(name);
    }
    return names;
}

bool contains(const std::vector<std::string>& story, const std::vector<std::string>& inOrder) {
    auto at = story.begin();
    for (const std::string& wanted : inOrder) {
        at = std::find(at, story.end(), wanted);
        if (at == story.end()) return false;
        ++at;
    }
    return true;
}

TEST(AutopilotCommand, AClassStartAsksAndTheAnswerSetsUpThenUndoPutsItBack) {
    const test::TempDir folder;
    const std::string database = (folder / "quev.sqlite").string();
    {
        Store store(database);
        ClassHistory history(store);
        history.threeClassesOfSlides(test::app("org.example.Browser"), test::document("/home/student/slides.pdf"));
    }
    const std::int64_t start = ClassHistory::classStart(3);
    const std::string script = folder.write(
        "script.jsonl",
        "{\"at\": " + std::to_string(start + 3'000) + ", \"step\": \"trigger\", \"kind\": \"event_start\", \"ts\": " +
            std::to_string(start) + "}\n" + "{\"at\": " + std::to_string(start + 20'000) +
            ", \"step\": \"press\", \"button\": \"primary\"}\n" + "{\"at\": " + std::to_string(start + 40'000) +
            ", \"step\": \"undo\"}\n" + "{\"at\": " + std::to_string(start + 60'000) + ", \"step\": \"until\"}\n");
    const auto result = runProgram(OSTREL_DEV_PATH, {"autopilot", database, "--tz", "Europe/Berlin", "--machine",
                                                     folder.write("machine.json", machineText), "--script", script});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<json::Value> lines = test::jsonLines(result.out);
    const std::vector<std::string> told = story(lines);
    EXPECT_TRUE(contains(told, {"planned", "banner ask", "bannerClosed", "answer yes", "run", "banner result",
                                "timer tidyUp", "recorded quev.run", "undo", "recorded quev.undo"}))
        << result.out;
    // The writer's queue stores the yes after the press, before the undo.
    EXPECT_TRUE(contains(told, {"answer yes", "recorded quev.answer", "undo"})) << result.out;

    std::int64_t last = 0;
    for (const json::Value& line : lines) {
        EXPECT_GE(line.at("at").get<std::int64_t>(), last) << "effects come in time order";
        last = line.at("at").get<std::int64_t>();
        if (line.at("effect") == "banner" && line.at("kind") == "ask") {
            EXPECT_EQ(line.at("title"), "Set up for Maths?");
        }
    }
}

TEST(AutopilotCommand, ABadScriptLineStopsEverythingWithItsNumber) {
    const test::TempDir folder;
    const std::string database = (folder / "quev.sqlite").string();
    const std::string machine = folder.write("machine.json", "{}");
    struct Case {
        std::string script;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"{\"at\": 1, \"step\": \"trigger\", \"kind\": \"nap\"}\n",
         "line 1: trigger needs \"kind\": wake, unlock, login or event_start"},
        {"{\"at\": 1, \"step\": \"undo\"}\n{\"at\": 2, \"step\": \"press\", \"button\": \"third\"}\n",
         "line 2: press needs \"button\": primary or secondary"},
        {"{\"at\": 5, \"step\": \"undo\"}\n{\"at\": 2, \"step\": \"resume\"}\n", "line 2: \"at\" goes back in time"},
        {"{\"at\": 1, \"step\": \"pause\"}\n", "line 1: pause needs \"until\""},
        {"{\"at\": 1, \"step\": \"fly\"}\n", "line 1: unknown step \"fly\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const auto result = runProgram(OSTREL_DEV_PATH, {"autopilot", database, "--tz", "Europe/Berlin", "--machine",
                                                         machine, "--script", folder.write("s.jsonl", c.script)});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

} // namespace
} // namespace ostrel
