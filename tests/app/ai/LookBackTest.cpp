// The week's look-back: the facts handed to the model, and when the model is asked at all.

#include "app/ai/LookBack.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ostrel {
namespace {

class LookBackTest : public ::testing::Test {
protected:
    LookBackTest() {
        MachineState::InstalledApp code;
        code.appID = "code.desktop";
        code.name = "Visual Studio Code";
        machine.installApp(code);
        week.active = 7'200'000;
        week.days = {0, 0, 0, 0, 0, 0, 7'200'000};
    }

    // Runs one write to its end; done must have been called.
    std::optional<std::string> written(const TimeReport& report, Settings& into) {
        bool called = false;
        std::optional<std::string> result;
        ModelAccess access{model, into, machine.workspace()};
        Subscription call = LookBack::write(report, calendar, now, access, [&](const std::optional<std::string>& text) {
            called = true;
            result = text;
        });
        time.settle();
        EXPECT_TRUE(called);
        return result;
    }
    std::optional<std::string> written(const TimeReport& report) { return written(report, settings); }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedLanguageModel model{main};
    SimulatedMachine machine;
    Settings settings{Settings::inMemory};
    Calendar calendar{"Europe/Berlin", "en_US"};
    Date now = calendar.date(2026, 10, 16, 15, 0); // a Friday afternoon
    TimeReport week;
};

TEST_F(LookBackTest, TheFactsListFiveOfEachAndTheEarliestBusiestDay) {
    TimeReport report;
    report.active = 7'200'000;
    report.apps = {{"code.desktop", 3'600'000}, {"org.example.Two", 600'000}, {"org.example.Three", 300'000},
                   {"org.example.Four", 240'000},   {"org.example.Five", 180'000}, {"org.example.Six", 120'000},
                   {"org.example.Seven", 60'000}};
    report.days = {0, 5, 5, 0, 0, 0, 0};
    report.runs = 0;
    report.saved = 0;
    EXPECT_EQ(LookBack::facts(report, machine.workspace(), calendar, now),
              "Total on the Mac this week: 2 h.\n"
              "Apps: Visual Studio Code 1 h; org.example.Two 10 min; org.example.Three 5 min; org.example.Four 4 min; "
              "org.example.Five 3 min.\n"
              "Websites: none recorded.\n"
              "In classes: none recorded.\n"
              "Busiest day: Sunday.\n"
              "Ostrel set things up 0 times, saving about 0 min.");
}

TEST_F(LookBackTest, TheFactsLinesForSitesClassesDaysAndRuns) {
    TimeReport report;
    report.active = 3'600'000;
    report.sites = {{"github.com", 1'200'000}, {"learn.example.edu", 600'000}};
    report.classes = {{"Statistics", 5'400'000}};
    report.runs = 3;
    report.saved = 120'000;
    const std::string facts = LookBack::facts(report, machine.workspace(), calendar, now);
    EXPECT_EQ(facts, "Total on the Mac this week: 1 h.\n"
                     "Apps: .\n"
                     "Websites: github.com 20 min; learn.example.edu 10 min.\n"
                     "In classes: Statistics 1 h 30 min.\n"
                     "Busiest day: unknown.\n"
                     "Ostrel set things up 3 times, saving about 2 min.");

    // A quiet week names its first day; the last entry is today.
    const struct {
        std::vector<std::int64_t> days;
        const char* name;
    } weeks[] = {{{0, 0, 0, 0, 0, 0, 0}, "Saturday"}, {{1, 2, 3, 4, 5, 6, 7}, "Friday"}, {{9}, "Friday"},
                 {{1, 9}, "Friday"},                  {{9, 1}, "Thursday"}};
    for (const auto& one : weeks) {
        report.days = one.days;
        EXPECT_NE(LookBack::facts(report, machine.workspace(), calendar, now).find(std::string("Busiest day: ") + one.name + ".\n"),
                  std::string::npos)
            << one.name;
    }
}

TEST_F(LookBackTest, TheFactsNeverNameExcludedAppsOrSites) {
    Exclusions exclusions;
    exclusions.apps.bundleIDs.insert("org.example.Diary");
    exclusions.sites.sites.insert("bank.example");
    TimeReport report;
    report.active = 3'600'000;
    // Stored before they joined the lists: the report still names them.
    report.apps = {{"org.example.Diary", 900'000}, {"code.desktop", 600'000}};
    report.sites = {{"online.bank.example", 900'000}, {"mail.google.com", 800'000}, {"github.com", 600'000}};
    const std::string facts = LookBack::facts(report, machine.workspace(), calendar, now, exclusions);
    EXPECT_NE(facts.find("Apps: Visual Studio Code 10 min.\n"), std::string::npos) << facts;
    EXPECT_NE(facts.find("Websites: github.com 10 min.\n"), std::string::npos) << facts;
}

TEST_F(LookBackTest, TooLittleActiveTimeAsksNothing) {
    const struct {
        std::int64_t active;
        bool asks;
    } cases[] = {{0, false}, {1'799'999, false}, {1'800'000, true}};
    for (const auto& one : cases) {
        TimeReport report = week;
        report.active = one.active;
        model.answer("A calm week.");
        const int probes = model.probes();
        const auto text = written(report);
        EXPECT_EQ(text.has_value(), one.asks) << one.active;
        EXPECT_EQ(model.probes() > probes, one.asks) << one.active;
    }
}

TEST_F(LookBackTest, OneTextADayAndOnlyWhileTheModelIsAvailable) {
    model.answer("  Most of the week went to code.\n\n");
    EXPECT_EQ(written(week), "Most of the week went to code.");
    const std::optional<SettingsValue> stored = settings.get(settingsKeys::lookBack);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, SettingsValue(SettingsDictionary{{"day", calendar.startOfDay(now)},
                                                         {"text", "Most of the week went to code."}}));
    ASSERT_EQ(model.requests().size(), 1U);
    EXPECT_EQ(model.requests()[0].instructions, LookBack::instructions);
    EXPECT_EQ(model.requests()[0].prompt, LookBack::facts(week, machine.workspace(), calendar, now));
    EXPECT_EQ(model.requests()[0].schema, std::nullopt);

    // Later the same day, whatever the report: the stored text, without asking.
    now += 3 * 3600;
    TimeReport busier = week;
    busier.active *= 2;
    EXPECT_EQ(written(busier), "Most of the week went to code.");
    EXPECT_EQ(model.requests().size(), 1U);

    // The model gone: nothing, not even today's text.
    model.setAvailability(ModelAvailability::notReady);
    EXPECT_EQ(written(week), std::nullopt);
    model.setAvailability(ModelAvailability::available);

    // The next day asks again.
    now += 24 * 3600;
    model.answer("A new day.");
    EXPECT_EQ(written(week), "A new day.");
    EXPECT_EQ(model.requests().size(), 2U);
}

TEST_F(LookBackTest, FailedAndBlankAnswersKeepTheStoredText) {
    const SettingsValue old(SettingsDictionary{{"day", 12.0}, {"text", "An older week."}});
    settings.set(settingsKeys::lookBack, old);
    model.answer(" \n\t \n");
    EXPECT_EQ(written(week), std::nullopt);
    model.fail(ModelError(ModelError::Kind::timedOut, "late"));
    EXPECT_EQ(written(week), std::nullopt);
    EXPECT_EQ(settings.get(settingsKeys::lookBack), old);
}

TEST_F(LookBackTest, ADayStoredInTheFileReadsBackEqual) {
    test::TempDir folder;
    {
        Settings stored(folder.path());
        model.answer("Written once.");
        EXPECT_EQ(written(week, stored), "Written once.");
    }
    Settings reopened(folder.path());
    EXPECT_EQ(written(week, reopened), "Written once.");
    EXPECT_EQ(model.requests().size(), 1U);
}

TEST_F(LookBackTest, ADroppedCallStoresNothing) {
    model.hold();
    model.answer("Too late.");
    bool called = false;
    {
        ModelAccess access{model, settings, machine.workspace()};
        Subscription call =
            LookBack::write(week, calendar, now, access, [&](const std::optional<std::string>&) { called = true; });
        time.settle();
    }
    EXPECT_TRUE(model.release());
    time.settle();
    EXPECT_FALSE(called);
    EXPECT_FALSE(settings.get(settingsKeys::lookBack).has_value());
}

} // namespace
} // namespace ostrel
