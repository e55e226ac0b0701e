#include "core/store/Store.hpp"
#include "support/Items.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace ostrel {
namespace {

using test::runProgram;

// A database holding one made routine that opens an app at a time on Monday and Wednesday.
std::string databaseWithMadeRoutine(const test::TempDir& folder) {
    const std::string path = (folder / "quev.sqlite").string();
    Store store(path);
    RoutineEdits edits;
    edits.name = "Calc";
    edits.added = {test::app("org.gnome.gedit")};
    edits.cues = {Cue{Cue::Time{{2, 4}, 540}}};
    store.save(edits, "made:CALC", 1'790'000'000);
    return path;
}

QImage shoot(const test::TempDir& folder, const std::string& stateText, std::vector<std::string> extra = {}) {
    const std::string state = folder.write("state.json", stateText);
    const std::string out = (folder / "editor.png").string();
    std::vector<std::string> arguments = {"shot", "editor", "--out", out, "--state", state};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const auto result = runProgram(OSTREL_DEV_PATH, arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return QImage(QString::fromStdString(out));
}

TEST(ShotEditorCommand, DrawsTheEditorWithItsFormOnAPaleCard) {
    const test::TempDir folder;
    for (const char* state : {"{}", R"({"describe": "working", "words": "open my notes"})",
                              R"({"describe": "unavailable"})", R"({"scroll": 300})"}) {
        SCOPED_TRACE(state);
        const QImage image = shoot(folder, state);
        ASSERT_EQ(image.size(), QSize(680, 820));
        EXPECT_GT(image.pixelColor(340, 262).lightnessF(), 0.9) << "the card behind the form";
        EXPECT_EQ(image.pixelColor(2, 2).alpha(), 0);
    }
}

TEST(ShotEditorCommand, ARoutineOfTheDatabaseWithItsTimePickerOpen) {
    const test::TempDir folder;
    const std::string db = databaseWithMadeRoutine(folder);
    const std::vector<std::string> routine = {"--db", db, "--tz", "Europe/Berlin", "--routine", "made:CALC"};
    const QImage closed = shoot(folder, "{}", routine);
    const QImage open = shoot(folder, R"({"timePopover": 0, "confirmingDelete": true})", routine);
    ASSERT_EQ(open.size(), QSize(680, 820));
    // The picker's day buttons lie under the time chip, over what was the form.
    int changed = 0;
    for (int y = 380; y < 480; y += 4) {
        for (int x = 110; x < 360; x += 4) {
            changed += open.pixelColor(x, y) != closed.pixelColor(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 200);
}

TEST(ShotEditorCommand, ABadStateIsOneLineOnStderr) {
    const test::TempDir folder;
    const std::string db = databaseWithMadeRoutine(folder);
    struct Case {
        const char* state;
        std::vector<std::string> extra;
    };
    const Case cases[] = {
        {R"({"routine": "made:CALC"})", {}},                           // no database
        {"{}", {"--db", db, "--routine", "made:NONE"}},                // no such routine
        {R"({"describe": "sleepy"})", {}},                             // no such card state
        {R"({"timePopover": 0})", {}},                                 // a new routine has no time cue
        {R"({"confirmingDelete": true})", {}},                         // nor a Delete button
        {R"({"scroll": "down"})", {}},                                 // a key of the wrong type
        {R"({"edits": {"cues": 3}})", {}},                             // edits that do not decode
        {"{}", {"--tz", "Mars/Olympus"}},                              // no such zone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        const std::string state = folder.write("state.json", c.state);
        const std::string out = (folder / "bad.png").string();
        std::vector<std::string> arguments = {"shot", "editor", "--out", out, "--state", state};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const auto notEditor =
        runProgram(OSTREL_DEV_PATH, {"shot", "styles", "--out", (folder / "s.png").string(), "--db", db});
    EXPECT_EQ(notEditor.status, 1);
}

} // namespace
} // namespace ostrel
