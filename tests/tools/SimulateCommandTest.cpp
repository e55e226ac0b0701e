#include "core/foundation/Json.hpp"
#include "support/RawDatabase.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

std::vector<json::Value> lines(const std::string& out) {
    std::vector<json::Value> parsed;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) {
        parsed.push_back(json::parse(line));
    }
    return parsed;
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

    const json::Value summary = lines(outputs[0]).front();
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
