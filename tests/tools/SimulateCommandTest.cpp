#include "core/foundation/Calendar.hpp"
#include "core/foundation/Json.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::runProgram;
namespace fs = std::filesystem;

// A short, light run: the tests look at how the parts meet, not at a whole term.
std::vector<std::string> simulate(const fs::path& db, const std::string& seed, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments{"simulate", db.string(), "--days", "3", "--per-day", "400",
                                       "--seed", seed, "--tz", "Europe/Berlin", "--noise", "low"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

std::string observations(const fs::path& db) {
    test::RawDatabase raw(db);
    return raw.scalar("SELECT group_concat(row, char(10)) FROM ("
                      "SELECT ts || ' ' || signal || ' ' || payload AS row FROM observations ORDER BY id)");
}

TEST(SimulateCommand, RefusesBadRunsWithoutTouchingAFile) {
    test::TempDir dir;
    const std::string existing = dir.write("taken.sqlite", "not mine");
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const std::vector<Case> cases{
        {simulate(existing, "1"), "already exists"},
        {simulate(dir / "a.sqlite", "1", {"--yes", "2"}), "--yes"},
        {simulate(dir / "b.sqlite", "1", {"--yes", "0.9", "--no", "0.2"}), "exceed"},
        {{"simulate", (dir / "c.sqlite").string(), "--days", "3", "--seed", "1", "--tz", "Mars/Olympus"}, "Mars"},
        {{"simulate", (dir / "d.sqlite").string(), "--days", "3", "--tz", "UTC"}, "required"},
        {simulate(dir / "e.sqlite", "1", {"--noise", "loud"}), "--noise"},
        {simulate(dir / "missing" / "f.sqlite", "1"), "no folder"},
    };
    for (const Case& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, c.arguments);
        EXPECT_EQ(result.status, 1) << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_EQ(test::readFile(existing), "not mine");
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"taken.sqlite"}));
}

TEST(SimulateCommand, TheSameOptionsGiveTheSameRunAndTheReportMatchesTheDatabase) {
    test::TempDir dir;
    std::vector<std::string> outputs;
    for (const char* name : {"a.sqlite", "b.sqlite", "c.sqlite"}) {
        const auto result = runProgram(OSTREL_DEV_PATH, simulate(dir / name, name[0] == 'c' ? "8" : "7"));
        ASSERT_EQ(result.status, 0) << result.err;
        outputs.push_back(result.out);
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(observations(dir / "a.sqlite"), observations(dir / "b.sqlite"));
    EXPECT_NE(observations(dir / "a.sqlite"), observations(dir / "c.sqlite"));

    const json::Value summary = test::jsonLines(outputs[0]).front();
    test::RawDatabase raw(dir / "a.sqlite");
    const auto count = [&raw](const std::string& where) {
        return std::stoll(raw.scalar("SELECT count(*) FROM observations WHERE " + where));
    };
    EXPECT_EQ(summary.at("report"), "summary");
    EXPECT_EQ(summary.at("days"), 3);
    EXPECT_EQ(summary.at("observations").get<std::int64_t>(), count("1"));
    EXPECT_EQ(summary.at("yeses").get<std::int64_t>(),
              count("signal = 'quev.answer' AND json_extract(payload, '$.answer') = 'yes'"));
    EXPECT_EQ(summary.at("noes").get<std::int64_t>(),
              count("signal = 'quev.answer' AND json_extract(payload, '$.answer') = 'no'"));
    EXPECT_EQ(summary.at("expired").get<std::int64_t>(),
              count("signal = 'quev.answer' AND json_extract(payload, '$.answer') = 'expired'"));
    EXPECT_EQ(summary.at("automaticRuns").get<std::int64_t>(),
              count("signal = 'quev.run' AND json_extract(payload, '$.automatic') = 1"));
    EXPECT_EQ(summary.at("askedRuns").get<std::int64_t>(),
              count("signal = 'quev.run' AND json_extract(payload, '$.automatic') = 0"));
    EXPECT_EQ(summary.at("undos").get<std::int64_t>(), count("signal = 'quev.undo'"));
    EXPECT_EQ(summary.at("tidyUps").get<std::int64_t>(), count("signal = 'quev.tidy'"));
    std::int64_t triggers = 0;
    for (const auto& [kind, number] : summary.at("triggers").items()) {
        EXPECT_EQ(number.get<std::int64_t>(),
                  std::stoll(raw.scalar("SELECT count(*) FROM triggers WHERE kind = '" + kind + "'")))
            << kind;
        triggers += number.get<std::int64_t>();
    }
    EXPECT_EQ(std::to_string(triggers), raw.scalar("SELECT count(*) FROM triggers"));
    EXPECT_GT(triggers, 0);
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// A week in which the student answers and undoes often, so every rule gets its cases.
class SimulatedWeek : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new test::TempDir;
        const auto result = test::runProgram(
            OSTREL_DEV_PATH, {"simulate", (*dir / "week.sqlite").string(), "--days", "7", "--per-day", "500", "--seed",
                              "3", "--tz", "Europe/Berlin", "--yes", "0.6", "--no", "0.2", "--undo", "0.5", "--trace"});
        ASSERT_EQ(result.status, 0) << result.err;
        for (json::Value& line : test::jsonLines(result.out)) {
            if (line.contains("effect")) {
                effects.push_back(std::move(line));
            }
        }
    }
    static void TearDownTestSuite() {
        delete dir;
        effects.clear();
    }

    static std::vector<json::Value> of(const std::string& effect) {
        std::vector<json::Value> found;
        for (const json::Value& line : effects) {
            if (line.at("effect") == effect) {
                found.push_back(line);
            }
        }
        return found;
    }

    static inline test::TempDir* dir = nullptr;
    static inline std::vector<json::Value> effects;
};

TEST_F(SimulatedWeek, NoRoutineRunsByItselfWithin600SecondsOfItsLastRun) {
    test::RawDatabase raw(*dir / "week.sqlite");
    const std::string rows = raw.scalar(
        "SELECT group_concat(ts || ' ' || json_extract(payload, '$.routine') || ' ' || json_extract(payload, '$.automatic'), "
        "char(10)) FROM (SELECT * FROM observations WHERE signal = 'quev.run' ORDER BY ts, id)");
    std::map<std::string, std::int64_t> last;
    std::istringstream stream(rows);
    std::int64_t ts = 0;
    std::string routine;
    int automatic = 0;
    int runs = 0;
    while (stream >> ts >> routine >> automatic) {
        ++runs;
        if (automatic == 1 && last.contains(routine)) {
            EXPECT_GE(ts - last.at(routine), 600'000) << routine << " at " << ts;
        }
        last[routine] = ts;
    }
    EXPECT_GT(runs, 0);
}

TEST_F(SimulatedWeek, EveryQuestionGetsOneAnswerAndSetUpRunsItAsAsked) {
    bool askOpen = false;
    std::string lastQuestion;
    int asks = 0;
    int setUps = 0;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const json::Value& line = effects[i];
        const std::string effect = line.at("effect").get<std::string>();
        if (effect == "banner" && line.at("kind") != "result") {
            if (line.at("kind") == "ask") {
                EXPECT_FALSE(askOpen) << "an ask shown while another waits for its answer, at " << line.at("at");
                askOpen = true;
                ++asks;
            }
            lastQuestion = line.at("kind").get<std::string>();
        } else if (effect == "answer" && lastQuestion == "ask") {
            EXPECT_TRUE(askOpen) << "a second answer at " << line.at("at");
            askOpen = false;
        } else if (effect == "student" && line.value("button", "") == "Set up") {
            ++setUps;
            // The answer, then the routine's run, asked for and not automatic.
            const auto run = std::find_if(effects.begin() + static_cast<long>(i), effects.end(),
                                          [](const json::Value& e) { return e.at("effect") == "run"; });
            ASSERT_NE(run, effects.end());
            EXPECT_EQ(run->at("automatic"), false);
            EXPECT_EQ(run->at("at"), line.at("at"));
        }
    }
    EXPECT_FALSE(askOpen);
    EXPECT_GT(asks, 0);
    EXPECT_GT(setUps, 0);

    // Every question, save offers and tidy-ups too, is pressed at most once while it is up.
    int questions = 0;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const json::Value& banner = effects[i];
        if (banner.at("effect") != "banner" || banner.at("kind") == "result") {
            continue;
        }
        ++questions;
        const json::Value& buttons = banner.at("buttons");
        int presses = 0;
        for (std::size_t j = i + 1; j < effects.size() && effects[j].at("effect") != "banner"; ++j) {
            const std::string button = effects[j].value("button", "");
            presses += effects[j].at("effect") == "student" &&
                               std::find(buttons.begin(), buttons.end(), button) != buttons.end()
                           ? 1
                           : 0;
        }
        EXPECT_LE(presses, 1) << banner.at("kind") << " at " << banner.at("at");
    }
    EXPECT_GT(questions, asks);
}

TEST_F(SimulatedWeek, ATimeCueActsWithinFiveMinutesOfItsMomentAndOnceADay) {
    // The student's own morning routine starts at 8:30 on weekdays.
    const Calendar berlin("Europe/Berlin", "en_US");
    std::set<std::int64_t> days;
    int cues = 0;
    for (const json::Value& cue : of("cue")) {
        if (cue.at("event").get<std::string>().rfind("time", 0) != 0) {
            continue;
        }
        ++cues;
        const Date at = static_cast<Date>(cue.at("at").get<std::int64_t>()) / 1000.0;
        const Date moment = berlin.startOfDay(at) + 8.5 * 3600;
        EXPECT_GE(at, moment);
        EXPECT_LE(at - moment, 300);
        EXPECT_TRUE(days.insert(static_cast<std::int64_t>(berlin.startOfDay(at))).second) << "twice on one day";
    }
    EXPECT_GT(cues, 0);
}

TEST_F(SimulatedWeek, AnUndoneRoutineIsNotRunByItselfNext) {
    int undos = 0;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        if (effects[i].at("effect") != "undo") {
            continue;
        }
        ++undos;
        const std::string routine = effects[i].at("routine").get<std::string>();
        const auto next = std::find_if(effects.begin() + static_cast<long>(i) + 1, effects.end(), [&](const json::Value& e) {
            return (e.at("effect") == "planned" || e.at("effect") == "cue") && e.value("routine", "") == routine &&
                   e.value("action", json::Value()) != "nothing";
        });
        if (next != effects.end()) {
            EXPECT_NE(next->at("action"), "run") << routine << " at " << next->at("at");
        }
    }
    EXPECT_GT(undos, 0);
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

TEST(SimulateCommand, AStudentWhoNeverSaysYesNeverHasAClassSetUpByItself) {
    test::TempDir dir;
    const auto result = test::runProgram(OSTREL_DEV_PATH, {"simulate", (dir / "no.sqlite").string(), "--days", "28",
                                                           "--per-day", "300", "--seed", "2", "--tz", "Europe/Berlin",
                                                           "--noise", "low", "--yes", "0"});
    ASSERT_EQ(result.status, 0) << result.err;
    test::RawDatabase raw(dir / "no.sqlite");
    EXPECT_EQ(raw.scalar("SELECT count(*) FROM observations WHERE signal = 'quev.run' AND "
                         "json_extract(payload, '$.automatic') = 1 AND "
                         "(json_extract(payload, '$.routine') LIKE 'event:%' OR json_extract(payload, '$.routine') LIKE 'title:%')"),
              "0");
    // The student's own routines still start at their cues.
    EXPECT_NE(raw.scalar("SELECT count(*) FROM observations WHERE signal = 'quev.run' AND "
                         "json_extract(payload, '$.routine') LIKE 'made:%'"),
              "0");
}

TEST(SimulateCommand, AStudentWhoAlwaysSaysYesHasEveryRegularClassSetUpByItselfBeforeItsLastMeeting) {
    test::TempDir dir;
    const auto result = test::runProgram(OSTREL_DEV_PATH, {"simulate", (dir / "yes.sqlite").string(), "--days", "28",
                                                           "--per-day", "300", "--seed", "5", "--tz", "Europe/Berlin",
                                                           "--noise", "low", "--yes", "1", "--no", "0", "--undo", "0"});
    ASSERT_EQ(result.status, 0) << result.err;
    test::RawDatabase raw(dir / "yes.sqlite");
    const std::string meetings = "SELECT json_extract(payload, '$.event') AS key, count(*) AS n, max(ts) AS last "
                                 "FROM observations WHERE signal = 'calendar.event_start' AND "
                                 "json_extract(payload, '$.event') LIKE '%@uni-example.edu' GROUP BY key";
    EXPECT_GE(std::stoi(raw.scalar("SELECT count(*) FROM (" + meetings + ") WHERE n >= 6")), 3);
    EXPECT_EQ(raw.scalar("SELECT group_concat(key, ', ') FROM (" + meetings +
                         ") AS class WHERE n >= 6 AND NOT EXISTS (SELECT 1 FROM observations AS run "
                         "WHERE run.signal = 'quev.run' AND json_extract(run.payload, '$.automatic') = 1 AND "
                         "json_extract(run.payload, '$.routine') = 'event:' || class.key AND run.ts < class.last)"),
              "");
}

} // namespace
} // namespace ostrel
