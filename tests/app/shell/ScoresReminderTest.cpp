// When the scores reminder shows: three weeks after the first launch, at most three times, two days
// apart, never once the scores were sent, with mistyped settings read as their fallbacks.

#include "app/shell/ScoresReminder.hpp"

#include "platform/AppInfo.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr double day = 86'400;
constexpr Date launch = 1'780'000'000;

bool showAt(Settings& settings, Date now, int& opened) {
    return ScoresReminder::showIfDue(settings, now, [&] { ++opened; });
}

TEST(ScoresReminder, TheFirstStartStoresTheLaunchAndShowsNothing) {
    Settings settings(Settings::inMemory);
    int opened = 0;
    EXPECT_FALSE(showAt(settings, launch, opened));
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(settings.date(settingsKeys::firstLaunch), launch);
    EXPECT_FALSE(settings.get(settingsKeys::scoresReminded));
    EXPECT_FALSE(settings.get(settingsKeys::scoresLastReminded));
    // A later start keeps the first launch.
    EXPECT_FALSE(showAt(settings, launch + day, opened));
    EXPECT_EQ(settings.date(settingsKeys::firstLaunch), launch);
}

TEST(ScoresReminder, ThreeRemindersFromTheThirdWeekOnTwoDaysApart) {
    Settings settings(Settings::inMemory);
    settings.set(settingsKeys::firstLaunch, SettingsDate{launch});
    const double threeWeeks = 21 * day;
    struct Step {
        double at; // seconds after the launch: a start-up or an unlock
        bool shows;
        int remindedAfter;
    };
    const std::vector<Step> steps = {
        {threeWeeks - 1, false, 0},
        {threeWeeks + 1, true, 1},
        {threeWeeks + 1 + day, false, 1},         // an unlock a day later
        {threeWeeks + 1 + 2 * day - 1, false, 1}, // a second short of two days
        {threeWeeks + 1 + 2 * day, true, 2},      // two days later: the second
        {threeWeeks + 1 + 4 * day, true, 3},      // the third
        {threeWeeks + 1 + 6 * day, false, 3},     // never a fourth
        {threeWeeks + 400 * day, false, 3},
    };
    int opened = 0;
    for (const Step& step : steps) {
        const int before = opened;
        EXPECT_EQ(showAt(settings, launch + step.at, opened), step.shows) << step.at;
        EXPECT_EQ(opened - before, step.shows ? 1 : 0) << step.at;
        EXPECT_EQ(settings.number(settingsKeys::scoresReminded).value_or(0), step.remindedAfter) << step.at;
        if (step.shows) {
            EXPECT_EQ(settings.date(settingsKeys::scoresLastReminded), launch + step.at) << step.at;
        }
    }
}

TEST(ScoresReminder, SentScoresAndMistypedSettings) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string_view, SettingsValue>> stored;
        bool shows;
        double remindedAfter; // "scoresReminded" afterwards, as a number
    };
    const Date now = launch + 21 * day + 1;
    const std::vector<Case> cases = {
        {"sent", {{settingsKeys::scoresSent, true}}, false, -1},
        {"sent as text reads false", {{settingsKeys::scoresSent, std::string("yes")}}, true, 1},
        {"sent false", {{settingsKeys::scoresSent, false}}, true, 1},
        {"count as text reads 0", {{settingsKeys::scoresReminded, std::string("3")}}, true, 1},
        {"count of 2", {{settingsKeys::scoresReminded, 2.0}}, true, 3},
        {"count of 2.9 is 2", {{settingsKeys::scoresReminded, 2.9}}, true, 3},
        {"count of 3", {{settingsKeys::scoresReminded, 3.0}}, false, 3},
        {"last as a number reads the distant past",
         {{settingsKeys::scoresLastReminded, now}, {settingsKeys::scoresReminded, 1.0}}, true, 2},
        {"last an hour ago", {{settingsKeys::scoresLastReminded, SettingsDate{now - 3600}}}, false, -1},
        // A first launch that is not a date reads as now, so it is not yet three weeks ago; it is
        // left as stored.
        {"first launch as text", {{settingsKeys::firstLaunch, std::string("long ago")}}, false, -1},
    };
    for (const Case& c : cases) {
        Settings settings(Settings::inMemory);
        settings.set(settingsKeys::firstLaunch, SettingsDate{launch});
        for (const auto& [key, value] : c.stored) {
            settings.set(key, value);
        }
        int opened = 0;
        EXPECT_EQ(showAt(settings, now, opened), c.shows) << c.name;
        EXPECT_EQ(opened, c.shows ? 1 : 0) << c.name;
        if (c.remindedAfter >= 0) {
            EXPECT_EQ(settings.number(settingsKeys::scoresReminded), c.remindedAfter) << c.name;
        } else {
            EXPECT_EQ(settings.get(settingsKeys::scoresReminded), std::nullopt) << c.name;
        }
    }
}

TEST(ScoresReminder, AReminderThatCannotBeCountedIsNotShown) {
    const test::TempDir dir;
    Settings settings(dir / "Ostrel");
    settings.set(settingsKeys::firstLaunch, SettingsDate{launch});
    // The folder gone, every write fails: shown now, the reminder would come back at each unlock.
    std::filesystem::remove_all(dir / "Ostrel");
    ASSERT_THROW(settings.set("probe", true), SettingsError);
    int opened = 0;
    EXPECT_FALSE(showAt(settings, launch + 21 * day + 1, opened));
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(settings.get(settingsKeys::scoresReminded));
}

TEST(ScoresReminder, TheRecipientIsTheDeploymentValueWhenItIsNotEmpty) {
    Settings settings(Settings::inMemory);
    std::optional<std::string> environment;
    const AppInfo info(std::nullopt, "/nowhere", settings, [&](const std::string& name) {
        return name == "OstrelScoresEmail" ? environment : std::nullopt;
    });
    EXPECT_EQ(ScoresReminder::recipient(info), std::nullopt);
    settings.set("OstrelScoresEmail", std::string("scores@example.org"));
    EXPECT_EQ(ScoresReminder::recipient(info), "scores@example.org");
    environment = "lab@example.org";
    EXPECT_EQ(ScoresReminder::recipient(info), "lab@example.org") << "read afresh each time";
    settings.set("OstrelScoresEmail", std::string(""));
    environment = "";
    EXPECT_EQ(ScoresReminder::recipient(info), std::nullopt);
    EXPECT_EQ(info.version(), "dev") << "a build without a version exports \"dev\"";
}

} // namespace
} // namespace ostrel
