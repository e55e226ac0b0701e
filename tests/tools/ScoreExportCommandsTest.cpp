// ostrel-dev export, scores-reminder and budgets: the score export window's actions, the reminder's
// decision and the resource budgets, run as the program others call.

#include "core/foundation/Json.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/Mornings.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::runProgram;

json::Value run(const std::vector<std::string>& arguments) {
    const auto result = runProgram(OSTREL_DEV_PATH, arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return json::Value::parse(result.out);
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class ExportCommandTest : public ::testing::Test {
protected:
    ExportCommandTest() { test::Mornings::write(db); }

    json::Value exportWith(std::vector<std::string> action) {
        std::vector<std::string> arguments{"export", db.string(), "--tz", "Europe/Berlin", "--config", config.string()};
        arguments.insert(arguments.end(), action.begin(), action.end());
        return run(arguments);
    }
    bool sent() const { return Settings(config).boolean(settingsKeys::scoresSent).value_or(false); }

    test::TempDir dir;
    const std::filesystem::path db = dir / "quev.sqlite";
    const std::filesystem::path config = dir / "Ostrel";
};

TEST_F(ExportCommandTest, ASavedExportIsTheScoresCommandsExportButForTheBudgets) {
    const auto target = dir / "Ostrel scores.json";
    const json::Value result = exportWith({"--save", target.string()});
    EXPECT_EQ(result, (json::Value{{"text", "{"}, {"marked", true}, {"beep", false}, {"url", nullptr}}));
    EXPECT_TRUE(sent());

    json::Value saved = json::Value::parse(readAll(target));
    const auto scores = runProgram(OSTREL_DEV_PATH, {"scores", db.string(), "--tz", "Europe/Berlin"});
    ASSERT_EQ(scores.status, 0) << scores.err;
    json::Value expected = json::Value::parse(scores.out);
    ASSERT_TRUE(saved.contains("budgets"));
    EXPECT_GT(saved["budgets"]["databaseMB"].get<double>(), 0.0) << "the window measures the database";
    saved.erase("budgets");
    expected.erase("budgets");
    EXPECT_EQ(saved, expected);
}

TEST_F(ExportCommandTest, EachActionMarksOnlyWhenTheTextLeft) {
    struct Case {
        const char* name;
        std::vector<std::string> action;
        bool marked;
        bool beep;
        bool hasURL;
    };
    const std::vector<Case> cases = {
        {"save into a missing folder", {"--save", (dir / "gone" / "x.json").string()}, false, true, false},
        {"mail without an opener", {"--mail", "scores@example.org"}, false, false, true},
        {"mail the opener refused", {"--mail", "scores@example.org", "--opener", "false"}, false, false, true},
        {"mail opened", {"--mail", "scores@example.org", "--opener", "true"}, true, false, true},
        {"copy", {"--copy"}, true, false, false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(config);
        const json::Value result = exportWith(c.action);
        EXPECT_EQ(result["marked"], c.marked) << c.name;
        EXPECT_EQ(result["beep"], c.beep) << c.name;
        EXPECT_EQ(sent(), c.marked) << c.name;
        if (c.hasURL) {
            const std::string url = result["url"].get<std::string>();
            EXPECT_EQ(url.rfind("mailto:scores@example.org?subject=My%20Ostrel%20scores&body=%7B%0A%20%20%22", 0), 0u)
                << c.name << ": " << url.substr(0, 100);
        } else {
            EXPECT_TRUE(result["url"].is_null()) << c.name;
        }
    }
}

TEST_F(ExportCommandTest, MistakesAreRefusedBeforeAnythingIsWritten) {
    const std::string base[] = {"export", db.string(), "--tz", "Europe/Berlin", "--config", config.string()};
    const std::vector<std::vector<std::string>> usage = {
        {},                                                    // no action
        {"--copy", "--mail", "a@example.org"},                 // two actions
        {"--copy", "--opener", "true"},                        // an opener without a mail
    };
    for (const auto& extra : usage) {
        std::vector<std::string> arguments(std::begin(base), std::end(base));
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const auto result = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_EQ(result.err.rfind("ostrel-dev export: expects", 0), 0u) << result.err;
        EXPECT_EQ(result.out, "");
    }
    const auto missing = (dir / "missing.sqlite").string();
    EXPECT_TRUE(test::refusedInOneLine(
        runProgram(OSTREL_DEV_PATH, {"export", missing, "--tz", "Europe/Berlin", "--config", config.string(), "--copy"}),
        "export", missing));
    EXPECT_TRUE(test::refusedInOneLine(
        runProgram(OSTREL_DEV_PATH, {"export", db.string(), "--tz", "Mars/Olympus", "--config", config.string(), "--copy"}),
        "export", "Mars/Olympus"));
    EXPECT_FALSE(std::filesystem::exists(config)) << "nothing was marked";

    const auto noTime = runProgram(OSTREL_DEV_PATH, {"scores-reminder", "--config", config.string()});
    EXPECT_EQ(noTime.status, 2);
    EXPECT_TRUE(test::refusedInOneLine(
        runProgram(OSTREL_DEV_PATH, {"scores-reminder", "--config", config.string(), "--at", "soon"}),
        "scores-reminder", "--at"));
    EXPECT_FALSE(std::filesystem::exists(config));
}

TEST(ScoresReminderCommand, TheRemindersComeAsTheSettingsSay) {
    const test::TempDir dir;
    const std::string config = (dir / "Ostrel").string();
    const std::int64_t launch = 1'780'000'000'000;
    const std::int64_t day = 86'400'000;
    struct Step {
        std::int64_t at;
        bool due;
        json::Value reminded;
        json::Value last;
    };
    const std::int64_t first = launch + 21 * day + 1000;
    const std::vector<Step> steps = {
        {launch, false, nullptr, nullptr},
        {first, true, 1, first},
        {first + day, false, 1, first},
        {first + 2 * day, true, 2, first + 2 * day},
    };
    for (const Step& step : steps) {
        const json::Value result = run({"scores-reminder", "--config", config, "--at", std::to_string(step.at)});
        EXPECT_EQ(result, (json::Value{{"due", step.due},
                                       {"reminded", step.reminded},
                                       {"lastReminded", step.last},
                                       {"firstLaunch", launch}}))
            << step.at;
    }
}

TEST(BudgetsCommand, TheBudgetsAreMadeFromTheRawReadingsBesideThem) {
    const test::TempDir dir;
    std::ofstream(dir / "quev.sqlite", std::ios::binary) << std::string(3'145'728, 'x');
    std::ofstream(dir / "quev.sqlite-wal", std::ios::binary) << std::string(1'048'576, 'x');
    const json::Value result = run({"budgets", "--db", (dir / "quev.sqlite").string()});
    EXPECT_EQ(result["databaseMB"], 4.0);
    EXPECT_EQ(result["raw"]["databaseBytes"], 4'194'304);
    const double cpu = result["raw"]["cpuSeconds"].get<double>();
    const double elapsed = result["raw"]["elapsed"].get<double>();
    EXPECT_DOUBLE_EQ(result["cpuPercent"].get<double>(), std::round(cpu / std::max(elapsed, 1.0) * 100 * 100) / 100);
    EXPECT_GT(result["raw"]["memoryBytes"].get<std::uint64_t>(), 0u);
    EXPECT_DOUBLE_EQ(result["memoryMB"].get<double>(),
                     std::round(result["raw"]["memoryBytes"].get<double>() / 1'048'576 * 100) / 100);
}

} // namespace
} // namespace ostrel
