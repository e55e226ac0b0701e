// edit as a program: the routine editor's draft and footer driven by a script of steps over a real
// store and autopilot; what each step leaves in the edits, what the student would notice, what
// reaches the database, and a bad line stopping everything with its number.

#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::ClassHistory;
using test::runProgram;

// The browser and a reader are installed, so trying the learned routine opens both.
const char* const machineText = R"({
 "installed": [{"appID": "org.example.Browser", "name": "Browser"}, {"appID": "org.example.Reader", "name": "Reader"}],
 "documentHandlers": {"pdf": "org.example.Reader"},
 "documents": ["/home/student/slides.pdf"]})";

// After the fourth class: "event:maths" is learned from the three before it.
const std::string at = std::to_string(ClassHistory::classStart(3) + 600'000);

class EditCommandTest : public ::testing::Test {
protected:
    EditCommandTest() { Store store(database); }

    void learnMaths() {
        Store store(database);
        ClassHistory history(store);
        history.threeClassesOfSlides(test::app("org.example.Browser"), test::document("/home/student/slides.pdf"));
    }

    test::ProgramResult edit(const std::string& routine, const std::string& script) {
        return runProgram(OSTREL_DEV_PATH, {"edit", database, "--tz", "Europe/Berlin", "--routine", routine, "--script",
                                            folder.write("script.jsonl", script), "--machine", machine, "--at", at});
    }

    std::optional<json::Value> row(const std::string& id) {
        Store store(database);
        const auto rows = store.routineEdits();
        const auto found = rows.find(id);
        return found == rows.end() ? std::nullopt : std::optional(found->second.toJSON());
    }

    // The effects of the output in order, each step's line as "step N".
    static std::vector<std::string> story(const std::vector<json::Value>& lines) {
        std::vector<std::string> told;
        for (const json::Value& line : lines) {
            told.push_back(line.contains("step") ? "step " + std::to_string(line.at("step").get<int>())
                                                 : line.at("effect").get<std::string>());
        }
        return told;
    }

    test::TempDir folder;
    const std::string database = (folder / "quev.sqlite").string();
    const std::string machine = folder.write("machine.json", machineText);
};

TEST_F(EditCommandTest, AMadeRoutineIsNamedGivenAPageAndACueAndStored) {
    const auto result = edit("new", "{\"name\": \"Reading\"}\n"
                                    "\n"
                                    "{\"page\": \"  example.org/notes \"}\n"
                                    "{\"addCue\": {\"time\": {\"weekdays\": [2, 4], \"minute\": 540}}}\n"
                                    "{\"save\": true}\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = test::jsonLines(result.out);
    EXPECT_EQ(story(lines), (std::vector<std::string>{"step 1", "step 3", "step 4", "stored", "promote", "schedule",
                                                      "notification", "closed", "step 5"}));
    ASSERT_EQ(lines.size(), 9U);
    EXPECT_EQ(lines[1].at("edits").at("added"), json::Value{"page:https://example.org/notes"});

    const std::string id = lines[3].at("id").get<std::string>();
    EXPECT_TRUE(id.starts_with("made:")) << id;
    EXPECT_EQ(lines[4].at("routine"), id);
    EXPECT_EQ(lines[6].at("name"), "quevRoutinesChanged");
    const auto stored = row(id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->at("name"), "Reading");
    EXPECT_EQ(stored->at("added"), json::Value{"page:https://example.org/notes"});
    EXPECT_EQ(stored->at("cues"), json::parse(R"([{"time": {"weekdays": [2, 4], "minute": 540}}])"));
    EXPECT_EQ(*stored, lines.back().at("edits"));
}

TEST_F(EditCommandTest, DeletingALearnedRoutineTakesTwoClicksAndKeepsItsOtherEdits) {
    learnMaths();
    const auto result = edit("event:maths", "{\"mute\": true}\n{\"delete\": true}\n{\"delete\": true}\n");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = test::jsonLines(result.out);
    EXPECT_EQ(story(lines),
              (std::vector<std::string>{"step 1", "step 2", "stored", "schedule", "notification", "closed", "step 3"}));
    const auto stored = row("event:maths");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->at("deleted"), true);
    EXPECT_EQ(stored->at("mute"), true);
}

TEST_F(EditCommandTest, WhatTheWindowRefusesBeepsAndKeepsItOpen) {
    learnMaths();
    struct Case {
        const char* what;
        std::string routine;
        std::string script;
        std::vector<std::string> story;
    };
    const Case cases[] = {
        {"a made routine that opens nothing and has no moment", "new", "{\"mute\": true}\n{\"save\": true}\n",
         {"step 1", "beep", "step 2"}},
        {"a page that is not a web address", "new", "{\"page\": \"ftp://example.org\"}\n{\"page\": \"   \"}\n",
         {"beep", "step 1", "step 2"}},
        {"the present place of an app that is not running", "new",
         "{\"add\": \"app:org.example.Browser\"}\n{\"whereItIsNow\": \"org.example.Browser\"}\n",
         {"step 1", "beep", "step 2"}},
        {"saving a learned routine as it was learned drops a row it never had", "event:maths",
         "{\"mute\": true}\n{\"mute\": false}\n{\"save\": true}\n",
         {"step 1", "step 2", "deleted", "promote", "schedule", "notification", "closed", "step 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = edit(c.routine, c.script);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(story(test::jsonLines(result.out)), c.story) << result.out;
        Store store(database);
        EXPECT_TRUE(store.routineEdits().empty());
    }
}

TEST_F(EditCommandTest, TheTimePickerKeepsItsOrderWhileItStaysOpenOnTheCue) {
    struct Case {
        const char* between;
        const char* expected;
    };
    // Switching Sunday on writes the days sorted; a new time then writes them in the picker's own
    // order, unless another step closed the picker in between.
    const Case cases[] = {
        {"", R"({"time": {"weekdays": [2, 3, 4, 5, 6, 1], "minute": 450}})"},
        {"{\"mute\": true}\n", R"({"time": {"weekdays": [1, 2, 3, 4, 5, 6], "minute": 450}})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.between);
        const auto result = edit("new", std::string("{\"addCue\": {\"time\": {\"weekdays\": [2, 3, 4, 5, 6], "
                                                    "\"minute\": 540}}}\n"
                                                    "{\"day\": {\"cue\": 0, \"day\": 1}}\n") +
                                            c.between + "{\"time\": {\"cue\": 0, \"hour\": 7, \"minute\": 30}}\n");
        ASSERT_EQ(result.status, 0) << result.err;
        const auto lines = test::jsonLines(result.out);
        ASSERT_GE(lines.size(), 2U);
        EXPECT_EQ(lines[1].at("edits").at("cues").at(0), json::parse(R"({"time": {"weekdays": [1, 2, 3, 4, 5, 6],
                                                                          "minute": 540}})"));
        EXPECT_EQ(lines.back().at("edits").at("cues").at(0), json::parse(c.expected));
    }
}

TEST_F(EditCommandTest, TryingSetsTheRoutineUpAsItStandsAndStoresNothing) {
    learnMaths();
    struct Case {
        std::string routine;
        std::string script;
        const char* name;
    };
    const Case cases[] = {
        {"event:maths", "{\"try\": true}\n", "Maths"},
        {"new", "{\"add\": \"app:org.example.Browser\"}\n{\"try\": true}\n", "your new routine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.routine);
        const auto result = edit(c.routine, c.script);
        ASSERT_EQ(result.status, 0) << result.err;
        const auto lines = test::jsonLines(result.out);
        const auto run = std::find_if(lines.begin(), lines.end(),
                                      [](const json::Value& line) { return line.value("effect", "") == "run"; });
        ASSERT_NE(run, lines.end()) << result.out;
        EXPECT_EQ(run->at("name"), c.name);
        EXPECT_GE(run->at("opened").get<int>(), 1);
        EXPECT_EQ(lines.back().at("step"), std::count(c.script.begin(), c.script.end(), '\n'));
        Store store(database);
        EXPECT_TRUE(store.routineEdits().empty());
    }
}

TEST_F(EditCommandTest, ABadLineStopsEverythingWithItsNumber) {
    struct Case {
        std::string script;
        std::string said;
    };
    const Case cases[] = {
        {"{\"mute\": true}\n{nope\n", "line 2:"},
        {"{\"fly\": true}\n", "line 1: unknown step \"fly\""},
        {"{\"mute\": true, \"pickUp\": false}\n", "line 1: a step is a JSON object of one member"},
        {"{\"mute\": \"yes\"}\n", "line 1: mute: mute takes true or false"},
        {"\n{\"removeCue\": \"first\"}\n", "line 2: removeCue: a cue's index must be an integer"},
        {"{\"day\": {\"cue\": 0, \"day\": 8}}\n", "line 1: day: \"day\" must be from 1 to 7"},
        {"{\"add\": \"nothing\"}\n", "line 1: add:"},
        {"{\"tidyUp\": \"ask\"}\n", "line 1: tidyUp:"},
        {"{\"save\": false}\n", "line 1: save: save takes true"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const auto result = edit("new", c.script);
        EXPECT_TRUE(test::refusedInOneLine(result, "edit", c.said));
    }
}

TEST_F(EditCommandTest, AStepTheWindowCannotTakeStopsThereWithItsNumber) {
    struct Case {
        std::string script;
        std::string said;
        std::size_t printed; // lines before the mistake
    };
    const Case cases[] = {
        {"{\"add\": \"app:org.example.Browser\"}\n{\"save\": true}\n{\"mute\": true}\n",
         "line 3: the window is closed", 7},
        {"{\"time\": {\"cue\": 0, \"hour\": 7, \"minute\": 30}}\n", "line 1: no time cue at 0", 0},
        {"{\"addCue\": {\"app\": {\"_0\": \"org.example.Reader\"}}}\n{\"day\": {\"cue\": 0, \"day\": 2}}\n",
         "line 2: no time cue at 0", 1},
        {"{\"removeCue\": 0}\n", "line 1: no cue at 0", 0},
        {"{\"placement\": {\"app\": \"org.example.Browser\", \"to\": \"left\"}}\n",
         "line 1: the routine does not open app:org.example.Browser", 0},
        {"{\"delete\": true}\n", "line 1: a routine being made has no Delete", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const auto result = edit("new", c.script);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
        EXPECT_EQ(test::jsonLines(result.out).size(), c.printed) << result.out;
    }
}

TEST_F(EditCommandTest, AnUnknownRoutineIsRefused) {
    learnMaths();
    const auto result = edit("event:physics", "{\"mute\": true}\n");
    EXPECT_TRUE(test::refusedInOneLine(result, "edit", "event:physics"));
}

} // namespace
} // namespace ostrel
