#include "core/store/Store.hpp"
#include "support/ClassHistory.hpp"
#include "support/Items.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <string>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ClassHistory;
using test::runProgram;

// An hour after the third weekly maths class.
constexpr std::int64_t now = ClassHistory::firstClass + 2 * ClassHistory::week + 3'600'000;

// Three maths classes with the editor and the course page, the student's name for them and a
// Wi-Fi cue, and a routine the student made that opens the calculator and is asked about first.
std::string database(const test::TempDir& folder) {
    const std::string path = (folder / "quev.sqlite").string();
    Store store(path);
    ClassHistory classes(store);
    for (int n = 0; n < 3; ++n) {
        classes.classHeld(n);
        classes.broughtUp(n, {test::app("org.gnome.gedit"), test::page("https://learn.example.edu/maths")});
    }
    RoutineEdits maths;
    maths.name = "Linear algebra";
    maths.cues = {Cue{Cue::WiFi{"hash", "Campus"}}};
    store.save(maths, "event:maths", static_cast<Date>(now) / 1000);
    RoutineEdits made;
    made.added = {test::app("org.gnome.Calculator")};
    made.mode = RoutineEdits::Mode::ask;
    made.created = now;
    store.save(made, "made:C3", static_cast<Date>(now) / 1000);
    return path;
}

TEST(HomeRoutinesCommand, PrintsEachRowAsThePageWordsIt) {
    const test::TempDir folder;
    const std::string db = database(folder);
    const auto rows = runProgram(
        OSTREL_DEV_PATH, {"home", "routines", db, "--tz", "Europe/Berlin", "--at", std::to_string(now)});
    ASSERT_EQ(rows.status, 0) << rows.err;
    EXPECT_EQ(
        rows.out,
        "{\"badge\":\"Sets up by itself\",\"items\":[\"org.gnome.gedit\",\"learn.example.edu/maths\"],"
        "\"key\":\"event:maths\",\"moments\":[[\"calendar\",\"Mon at 9:30\u202FAM\"],[\"mappin\",\"Room 1\"],"
        "[\"wifi\",\"On the Campus Wi-Fi\"]],\"name\":\"Linear algebra\",\"seen\":\"Seen 3 times, confidence "
        "80%\"}\n"
        "{\"badge\":\"Asks first\",\"items\":[\"org.gnome.Calculator\"],\"key\":\"made:C3\","
        "\"moments\":[[\"hand.tap\",\"Only when you choose Set up now\"]],\"name\":\"A routine you made\","
        "\"seen\":\"You made this\"}\n");

    // The smart names kept in --config name the routines without a name of the student's own.
    const std::string config = (folder / "config").string();
    std::filesystem::create_directory(config);
    folder.write("config/settings.json", R"({"smartNames":{"made:C3":"Sums","event:maths":"Not this"}})");
    const auto named = runProgram(OSTREL_DEV_PATH, {"home", "routines", db, "--tz", "Europe/Berlin", "--at",
                                                    std::to_string(now), "--config", config});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_NE(named.out.find(R"("name":"Linear algebra")"), std::string::npos) << named.out;
    EXPECT_NE(named.out.find(R"("name":"Sums")"), std::string::npos) << named.out;

    // A week and a half later the class's days and place are beyond the week either side.
    const auto later = runProgram(OSTREL_DEV_PATH, {"home", "routines", db, "--tz", "Europe/Berlin", "--at",
                                                    std::to_string(now + 10 * 86'400'000)});
    ASSERT_EQ(later.status, 0) << later.err;
    EXPECT_NE(
        later.out.find(R"([["calendar","When it starts on your calendar"],["wifi","On the Campus Wi-Fi"]])"),
        std::string::npos)
        << later.out;
}

TEST(HomeRoutinesCommand, RefusesWhatItCannotUse) {
    const test::TempDir folder;
    const std::string db = database(folder);
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"home", "routines", db, "--tz", "Europe/Berlin"}, "--at"},
        {{"home", "routines", db, "--tz", "Mars/Olympus", "--at", "0"}, "Mars/Olympus"},
        {{"home", "routines", (folder / "none.sqlite").string(), "--tz", "UTC", "--at", "0"}, "none.sqlite"},
        {{"home", "routines", db, "--tz", "UTC", "--at", "0", "--span", "week"}, "--span"},
    };
    for (const auto& one : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, one.arguments);
        EXPECT_EQ(result.status, 1) << one.message;
        EXPECT_NE(result.err.find(one.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << one.message;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "none.sqlite"))
        << "a command that only reads creates nothing";
}

} // namespace
} // namespace ostrel
