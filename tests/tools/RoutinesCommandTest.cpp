#include "core/foundation/Json.hpp"
#include "core/observations/AppPayload.hpp"
#include "core/store/Store.hpp"
#include "semester/SemesterGenerator.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runProgram;

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t day = 1440 * minute;
constexpr std::int64_t week = 7 * day;
constexpr std::int64_t mondayTenUTC = 1'704'708'000'000;                  // 2024-01-08 10:00 UTC
constexpr std::int64_t tuesdayEightUTC = mondayTenUTC + 22 * 60 * minute; // 2024-01-09 08:00 UTC

std::string ms(std::int64_t value) {
    return std::to_string(value);
}

SignalObservation activate(std::int64_t ts, const std::string& bundleID) {
    return {ts, Signal::appActivate,
            json::encodeRecord(AppPayload(bundleID, std::nullopt, std::nullopt, std::nullopt))};
}

// Three Monday maths classes with the notes app brought up (the calendar knew the class a week
// before), two Tuesday mornings with mail, an edit adding the calculator to maths, and a routine
// the user made.
fs::path makeStore(const test::TempDir& dir) {
    const fs::path path = dir / "quev.sqlite";
    Store store(path);
    std::vector<SignalObservation> observations;
    std::vector<Trigger> triggers;
    std::vector<CalendarEvent> classes;
    for (int i = 0; i < 3; ++i) {
        const std::int64_t start = mondayTenUTC + i * week;
        triggers.push_back({start, Trigger::Kind::eventStart});
        observations.push_back(activate(start + minute, "com.example.notes"));
        observations.push_back({start + 20 * minute, Signal::sleep, "{}"});
        CalendarEvent maths;
        maths.key = "maths";
        maths.occurrence = start;
        maths.recurring = true;
        maths.title = "Maths";
        maths.start = start;
        maths.end = start + 90 * minute;
        maths.calendar = "School";
        classes.push_back(maths);
    }
    for (int i = 0; i < 2; ++i) {
        const std::int64_t start = tuesdayEightUTC + i * week;
        triggers.push_back({start, Trigger::Kind::wake});
        observations.push_back(activate(start + 2 * minute, "com.example.mail"));
        observations.push_back({start + 20 * minute, Signal::sleep, "{}"});
    }
    store.append(observations);
    store.insert(triggers);
    store.syncCalendar(classes, mondayTenUTC, mondayTenUTC + 3 * week, mondayTenUTC - week);

    RoutineEdits maths;
    maths.added = {*Item::app("com.example.calc")};
    store.save(maths, "event:maths", 1'700'000'000);
    RoutineEdits made;
    made.added = {*Item::page("https://example.edu/lab")};
    made.created = 5;
    made.name = "Lab kit";
    store.save(made, "made:lab", 1'700'000'000);
    return path;
}

using test::namesIn;

TEST(RoutinesCommand, PrintsTheBooksRoutinesInTheLearnersOrderAndLeavesTheFileAlone) {
    test::TempDir dir;
    const fs::path path = makeStore(dir);
    const std::string before = readFile(path);
    const auto names = namesIn(dir.path());

    const std::string maths3 =
        R"({"confidence":0.8,"items":["app:com.example.notes","app:com.example.calc"],)"
        R"("key":"event:maths","name":"Maths","support":3,"trust":"suggest"})";
    const std::string made = R"({"confidence":1,"items":["page:https://example.edu/lab"],"key":"made:lab",)"
                             R"("name":"Lab kit","support":0,"trust":"suggest"})";
    const std::string firstWeek =
        R"([{"confidence":0.6666666666666666,"items":["app:com.example.notes","app:com.example.calc"],)"
        R"("key":"event:maths","name":"Maths","support":1,"trust":"suggest"},)"
        R"({"confidence":0.6666666666666666,"items":["app:com.example.mail"],"key":"slot:3:18:unknown",)"
        R"("name":"Tuesdays around 9:00)"
        "\u202F"
        R"(AM","support":1,"trust":"observe"},)" +
        made + "]\n";
    const std::string db = path.string();
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string out;
    } cases[] = {
        {"every episode, Berlin",
         {"routines", db, "--tz", "Europe/Berlin"},
         "[" + maths3 +
             R"(,{"confidence":0.75,"items":["app:com.example.mail"],"key":"slot:3:18:unknown",)"
             R"("name":"Tuesdays around 9:00)"
             "\u202F"
             R"(AM","support":2,)"
             R"("trust":"suggest"},)" +
             made + "]\n"},
        {"every episode, UTC, options first",
         {"routines", "--tz", "UTC", "--at", ms(mondayTenUTC + 4 * week), db},
         "[" + maths3 +
             R"(,{"confidence":0.75,"items":["app:com.example.mail"],"key":"slot:3:16:unknown",)"
             R"("name":"Tuesdays around 8:00)"
             "\u202F"
             R"(AM","support":2,)"
             R"("trust":"suggest"},)" +
             made + "]\n"},
        // One class and one Tuesday, support 1 each: the class was on the calendar a week before
        // it, so it is suggested already; the slot is not.
        {"before the second week",
         {"routines", db, "--at", ms(mondayTenUTC + week), "--tz", "Europe/Berlin"},
         firstWeek},
        // A date is the start of that day in the zone: Monday 2024-01-15 00:00 in Berlin.
        {"before the second week, as a date",
         {"routines", db, "--tz", "Europe/Berlin", "--at", "2024-01-15"},
         firstWeek},
        // With nothing learned, the edit of the class stands as a routine of its own, ahead of the
        // made one (no creation time counts as 0).
        {"before anything",
         {"routines", db, "--tz", "UTC", "--at", ms(mondayTenUTC)},
         R"([{"confidence":1,"items":["app:com.example.calc"],"key":"event:maths","name":"Maths","support":0,)"
         R"("trust":"suggest"},)" +
             made + "]\n"},
    };
    for (const auto& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, c.arguments);
        EXPECT_EQ(result.status, 0) << c.name << ": " << result.err;
        EXPECT_EQ(result.err, "") << c.name;
        EXPECT_EQ(result.out, c.out) << c.name;
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(namesIn(dir.path()), names);
}

TEST(RoutinesCommand, MistakesAreOneLineAndTouchNothing) {
    test::TempDir dir;
    const fs::path path = makeStore(dir);
    const std::string before = readFile(path);
    const fs::path text = dir / "notes.txt";
    std::ofstream(text) << "not a database\n";
    const fs::path missing = dir / "missing.sqlite";
    const auto names = namesIn(dir.path());

    const std::vector<std::vector<std::string>> cases = {
        {"routines", missing.string(), "--tz", "UTC"},
        {"routines", text.string(), "--tz", "UTC"},
        {"routines", dir.path().string(), "--tz", "UTC"},
        {"routines", path.string(), "--tz", "Mars/Olympus_Mons"},
        {"routines", path.string()},
        {"routines", path.string(), "--tz"},
        {"routines", path.string(), "--tz", "UTC", "--tz", "UTC"},
        {"routines", path.string(), "--tz", "UTC", "--at", "soon"},
        {"routines", path.string(), "--tz", "UTC", "--at", "99999999999999999999"},
        {"routines", path.string(), "--tz", "UTC", "--at", "12 "},
        {"routines", path.string(), "--tz", "UTC", "--at", "2024-02-30"},
        {"routines", path.string(), "--tz", "UTC", "--since", "0"},
        {"routines", path.string(), path.string(), "--tz", "UTC"},
        {"routines", "--tz", "UTC"},
    };
    for (const auto& arguments : cases) {
        std::string shown;
        for (const std::string& argument : arguments) {
            shown += argument + " ";
        }
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 1) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << shown << result.err;
        EXPECT_TRUE(result.err.starts_with("ostrel-dev routines: ")) << shown << result.err;
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(readFile(text), "not a database\n");
    EXPECT_EQ(namesIn(dir.path()), names);
}

// Six weeks of a student who keeps to each class's routine: what the tool shows for every series of
// every course is exactly what the student brought up at its classes, whatever else they did.
TEST(RoutinesCommandOnASemester, EachClassLearnsItsCoursesPlantedItems) {
    const test::TempDir dir;
    const std::string path = (dir / "semester.sqlite").string();
    const auto generated = runProgram(OSTREL_DEV_PATH, {"generate", path, "--days", "42", "--per-day", "1500",
                                                        "--noise", "low", "--seed", "1"});
    ASSERT_EQ(generated.status, 0) << generated.err;
    const auto listed = runProgram(OSTREL_DEV_PATH, {"routines", path, "--tz", "Europe/Berlin"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::map<std::string, std::set<std::string>> learned;
    for (const json::Value& routine : json::parse(listed.out)) {
        std::set<std::string>& items = learned[routine.at("key").get<std::string>()];
        for (const json::Value& item : routine.at("items")) {
            items.insert(item.get<std::string>());
        }
    }

    semester::SemesterOptions options;
    options.days = 42;
    options.perDay = 1'500;
    options.noise = semester::Noise::low;
    const semester::SemesterGenerator generator(options);
    std::set<std::string> seriesSeen;
    for (const semester::Course& course : generator.courses()) {
        const std::vector<std::string> planted = semester::plantedItems(course);
        const std::set<std::string> expected(planted.begin(), planted.end());
        for (const CalendarEvent& event : generator.calendar()) {
            // The generated series of a course are titled by its code.
            if (!event.recurring || !event.title.starts_with(course.code + " ") ||
                event.start >= generator.to() || !seriesSeen.insert(event.key).second) {
                continue;
            }
            const auto routine = learned.find("event:" + event.key);
            ASSERT_NE(routine, learned.end()) << event.title;
            EXPECT_EQ(routine->second, expected) << event.title;
        }
    }
    // Five courses, each with a lecture and some with a tutorial.
    EXPECT_GE(seriesSeen.size(), 5u);
}

} // namespace
} // namespace ostrel
