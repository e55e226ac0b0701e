// The time page's loader: the window it reads, the report it hands to main, the look-back of the
// week, a failing store, loads that overtake each other and a loader that goes while it loads.

#include "app/home/TimeLoader.hpp"

#include "core/observations/AppPayload.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/HeldWorkerRuntime.hpp"
#include "support/RawDatabase.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace ostrel {
namespace {

constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 60 * minute;

const Calendar berlin("Europe/Berlin", "en_US");

std::int64_t ms(Date date) {
    return static_cast<std::int64_t>(std::llround(date * 1000));
}

SignalObservation activate(std::int64_t ts, const std::string& app) {
    return {ts, Signal::appActivate, json::encodeRecord(AppPayload(app, std::nullopt, std::nullopt, std::nullopt))};
}

class TimeLoaderTest : public ::testing::Test {
protected:
    TimeLoaderTest() {
        // Half an hour from before midnight is credited to today from midnight on; the last hour
        // runs up to now.
        store.append(std::vector{activate(ms(today) - hour, "org.example.Early"),
                                 activate(ms(today) + 30 * minute, "org.example.Early"),
                                 activate(ms(now) - hour, "org.example.Editor")});
    }

    std::unique_ptr<TimeLoader> loader(LanguageModel* withModel) {
        return std::make_unique<TimeLoader>(
            TimeLoader::Sources{&store, runtime, berlin, withModel, settings, machine.workspace()});
    }
    // Everything posted runs: the worker's reads, then main's answers, until nothing is left.
    void finish() {
        for (int round = 0; round < 10 && (runtime.runWorker() > 0 || time.pending() > 0); ++round) {
            time.settle();
        }
    }

    test::TempDir dir;
    Store store{dir / "quev.sqlite"};
    // Wednesday 1 April 2026, 15:00 in Berlin, three days after the clocks went forward.
    const Date now = berlin.date(2026, 4, 1, 15, 0);
    const Date today = berlin.date(2026, 4, 1);
    VirtualTime time{now};
    test::HeldWorkerRuntime runtime{time};
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    Settings settings{Settings::inMemory};
    SimulatedLanguageModel model{runtime.main()};
};

TEST_F(TimeLoaderTest, ALoadReadsItsWindowOnTheWorkerAndHandsTheReportToMain) {
    const auto page = loader(&model);
    std::vector<TimeLoader::Property> told;
    const Subscription watching = page->observe([&](TimeLoader::Property property) { told.push_back(property); });
    page->load(TimeSpan::today);
    EXPECT_TRUE(page->loading());
    EXPECT_FALSE(page->report()) << "nothing is read on main";
    EXPECT_EQ(runtime.heldOnWorker(), 1u);

    finish();
    EXPECT_FALSE(page->loading());
    ASSERT_TRUE(page->report());
    EXPECT_EQ(page->firstDay(), today);
    // The window ends a millisecond after now: 30 minutes after midnight, and the last hour.
    const std::vector<SignalObservation> all = store.observations(0, ms(now) + 1);
    const std::vector<CalendarEvent> none;
    EXPECT_EQ(*page->report(), TimeReport(all, ms(today), ms(now) + 1, none, berlin));
    EXPECT_EQ(page->report()->active, 90 * minute + 1);
    EXPECT_EQ(page->report()->days.size(), 1u);
    EXPECT_EQ(told, (std::vector{TimeLoader::Property::firstDay, TimeLoader::Property::report}));
    EXPECT_FALSE(page->lookBack()) << "today asks for no look-back";
    EXPECT_TRUE(model.requests().empty());

    // The week starts at midnight six calendar days back, across the change of clocks.
    model.answer("A calm week.");
    page->load(TimeSpan::week);
    finish();
    ASSERT_TRUE(page->report());
    EXPECT_EQ(page->firstDay(), berlin.date(2026, 3, 26));
    EXPECT_EQ(page->report()->days.size(), 7u);
    EXPECT_EQ(page->report()->days.back(), 90 * minute + 1);
    EXPECT_EQ(page->lookBack(), "A calm week.");
    EXPECT_EQ(model.requests().size(), 1u);
}

TEST_F(TimeLoaderTest, TheLookBackBelongsToTheWeekAndOutlivesATodayLoad) {
    const auto page = loader(&model);
    model.answer("A calm week.");
    page->load(TimeSpan::week);
    finish();
    ASSERT_EQ(page->lookBack(), "A calm week.");

    page->load(TimeSpan::today);
    finish();
    EXPECT_EQ(page->report()->days.size(), 1u);
    EXPECT_EQ(page->lookBack(), "A calm week.") << "a today load leaves the week's text";
    EXPECT_EQ(model.requests().size(), 1u);

    // The next week load replaces it: here with today's stored text, the model not asked again.
    page->load(TimeSpan::week);
    finish();
    EXPECT_EQ(page->lookBack(), "A calm week.");
    EXPECT_EQ(model.requests().size(), 1u);

    // Without a model the week has no look-back.
    const auto withoutModel = loader(nullptr);
    withoutModel->load(TimeSpan::week);
    finish();
    ASSERT_TRUE(withoutModel->report());
    EXPECT_FALSE(withoutModel->lookBack());
}

TEST_F(TimeLoaderTest, AWeekWithTooLittleTimeOrAFailedModelHasNoLookBack) {
    const auto page = loader(&model);
    model.fail(ModelError(ModelError::Kind::timedOut, "late"));
    page->load(TimeSpan::week);
    finish();
    ASSERT_TRUE(page->report());
    EXPECT_FALSE(page->lookBack());

    // Only ten minutes in a fresh store: below the look-back's threshold, the model is not asked.
    const test::TempDir other;
    Store quiet(other / "quev.sqlite");
    quiet.append(std::vector{activate(ms(now) - 10 * minute, "org.example.Editor")});
    TimeLoader short_({&quiet, runtime, berlin, &model, settings, machine.workspace()});
    const std::size_t asked = model.requests().size();
    short_.load(TimeSpan::week);
    finish();
    ASSERT_TRUE(short_.report());
    EXPECT_EQ(short_.report()->active, 10 * minute + 1);
    EXPECT_FALSE(short_.lookBack());
    EXPECT_EQ(model.requests().size(), asked);
}

TEST_F(TimeLoaderTest, AStoreThatFailsTheReadGivesNoReport) {
    const auto page = loader(&model);
    page->load(TimeSpan::today);
    finish();
    ASSERT_TRUE(page->report());
    {
        test::RawDatabase raw(dir / "quev.sqlite");
        raw.exec("INSERT INTO observations (ts, signal, payload) VALUES (" + std::to_string(ms(now) - minute) +
                 ".5, 'system.wake', '{}')");
    }
    model.answer("Never shown.");
    page->load(TimeSpan::week);
    finish();
    EXPECT_FALSE(page->report()) << "the read threw: no report, so the page shows its placeholders";
    EXPECT_FALSE(page->loading());
    EXPECT_EQ(page->firstDay(), berlin.date(2026, 3, 26));
    EXPECT_TRUE(model.requests().empty()) << "no report, no look-back";

    // Without a store nothing is loaded at all.
    TimeLoader closed({nullptr, runtime, berlin, &model, settings, machine.workspace()});
    closed.load(TimeSpan::week);
    EXPECT_FALSE(closed.loading());
    EXPECT_EQ(runtime.heldOnWorker(), 0u);
    EXPECT_EQ(time.pending(), 0u);
}

TEST_F(TimeLoaderTest, OnlyTheNewestLoadIsShown) {
    const struct {
        const char* name;
        bool firstReadDone; // the first load's read is done before the second load starts
    } cases[] = {{"the first read had not started", false}, {"the first read came back late", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto page = loader(&model);
        model.answer("A calm week.");
        page->load(TimeSpan::week);
        if (c.firstReadDone) {
            EXPECT_EQ(runtime.runWorker(), 1);
        }
        page->load(TimeSpan::today);
        time.settle();
        EXPECT_FALSE(page->report()) << "the week's answer is not shown once today was chosen";
        EXPECT_TRUE(page->loading());
        finish();
        ASSERT_TRUE(page->report());
        EXPECT_EQ(page->report()->days.size(), 1u);
        EXPECT_EQ(page->firstDay(), today);
        EXPECT_FALSE(page->lookBack());
        EXPECT_TRUE(model.requests().empty()) << "the dropped week asked for no look-back";
    }

    // The other way round: the week chosen last is the one shown, with its look-back.
    const auto page = loader(&model);
    page->load(TimeSpan::today);
    page->load(TimeSpan::week);
    finish();
    ASSERT_TRUE(page->report());
    EXPECT_EQ(page->report()->days.size(), 7u);
    EXPECT_EQ(page->lookBack(), "A calm week.");
}

TEST_F(TimeLoaderTest, ALoaderThatGoesWhileItLoadsIsToldNothing) {
    // Gone before the worker read, after it, and while the model writes the look-back.
    {
        auto page = loader(&model);
        page->load(TimeSpan::week);
        page.reset();
        finish();
    }
    {
        auto page = loader(&model);
        page->load(TimeSpan::week);
        EXPECT_EQ(runtime.runWorker(), 1);
        page.reset();
        finish();
    }
    EXPECT_TRUE(model.requests().empty());
    {
        auto page = loader(&model);
        model.hold();
        model.answer("Too late.");
        page->load(TimeSpan::week);
        finish();
        ASSERT_EQ(model.requests().size(), 1u) << "the model holds the question";
        EXPECT_FALSE(page->lookBack());
        page.reset();
        EXPECT_TRUE(model.release());
        finish();
    }
    EXPECT_FALSE(settings.get("lookBack")) << "a dropped call stores nothing";
}

} // namespace
} // namespace ostrel
