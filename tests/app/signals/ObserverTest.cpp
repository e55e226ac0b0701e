#include "app/signals/Observer.hpp"

#include "core/observations/EmptyPayload.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/SystemRuntime.hpp"
#include "support/ObserverWorld.hpp"

#include <chrono>
#include <future>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ObserverWorld;

TEST(ObserverLoginTime, TheLatestConsoleLoginOfThisUser) {
    const struct {
        const char* name;
        std::vector<LoginRecord> records;
        std::optional<std::int64_t> login;
    } cases[] = {
        {"none", {}, std::nullopt},
        {"the later of two",
         {{7, "console", "sam", 1'700'000'000, 250'999}, {7, "console", "sam", 1'700'000'100, 1'999}},
         1'700'000'100'001},
        {"another user, a terminal line, a dead process",
         {{7, "console", "alex", 1'800'000'000, 0},
          {7, "pts/0", "sam", 1'800'000'000, 0},
          {8, "console", "sam", 1'800'000'000, 0},
          {7, "console", "sam", 1'600'000'000, 500'000}},
         1'600'000'000'500},
        {"a time with no millisecond form is skipped",
         {{7, "console", "sam", std::numeric_limits<std::int64_t>::max(), 0}, {7, "console", "sam", 5, 0}},
         5'000},
        {"before 1970", {{7, "console", "sam", -10, -500'000}}, -10'500},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Observer::loginTime(c.records, "sam"), c.login) << c.name;
    }
}

TEST(Observer, StartRecordsTheStartWithVersionUptimeAndLoginThenTheRunningApps) {
    ObserverWorld world;
    world.machine.setUserName("sam");
    const auto loginAt = static_cast<std::int64_t>(world.time.clock().now()) - 60;
    world.machine.addLoginRecord({7, "console", "sam", loginAt, 0});
    world.startObserver();

    const auto rows = world.rows();
    ASSERT_GE(rows.size(), 2u);
    const std::string uptime = std::to_string(static_cast<std::int64_t>(world.time.clock().boot()));
    EXPECT_EQ(rows[0].rfind("quev.start ", 0), 0u) << rows[0];
    EXPECT_NE(rows[0].find("\"login\":" + std::to_string(loginAt * 1000)), std::string::npos) << rows[0];
    EXPECT_NE(rows[0].find("\"version\":\"dev\""), std::string::npos) << rows[0];
    EXPECT_EQ(rows[1].rfind("apps.running ", 0), 0u) << rows[1];
    // A login a minute before the start is a login trigger, handed over once.
    ASSERT_EQ(world.handed.size(), 1u);
    EXPECT_EQ(world.handed[0].size(), 1u);
    EXPECT_EQ(world.handed[0][0].kind, Trigger::Kind::login);
}

TEST(Observer, ExpiredObservationsAreDeletedAtStartAndEveryDay) {
    ObserverWorld world;
    const Date now = world.time.clock().now();
    const double day = 86'400;
    // Observations 91 days old at start, and one that reaches 90 days 1.5 days later.
    {
        ObservationWriter writer(world.store);
        writer.record(Signal::userIdle, EmptyPayload{}, now - 91 * day);
        writer.record(Signal::userActive, EmptyPayload{}, now - 88.5 * day);
    }
    world.startObserver();
    EXPECT_EQ(world.rows({Signal::userIdle}).size(), 0u);
    EXPECT_EQ(world.rows({Signal::userActive}).size(), 1u);

    world.time.advance(day - 1);
    EXPECT_EQ(world.rows({Signal::userActive}).size(), 1u);
    // Asleep through the next day's run: it runs at wake, boot time having passed.
    world.time.sleep(day);
    world.settle();
    EXPECT_EQ(world.rows({Signal::userActive}).size(), 0u);
}

TEST(Observer, AnArrivalAsksForALocationFixOnlyWhenAlwaysAllowed) {
    const struct {
        MachineState::LocationAuthorization authorization;
        int requests;
    } cases[] = {
        {MachineState::LocationAuthorization::whenInUse, 0},
        {MachineState::LocationAuthorization::denied, 0},
        {MachineState::LocationAuthorization::always, 1},
    };
    for (const auto& c : cases) {
        ObserverWorld world;
        world.machine.setLocationAuthorization(c.authorization);
        world.startObserver();
        world.machine.resetCalls();
        world.machine.sleep(600);
        world.settle();
        EXPECT_EQ(world.machine.calls("requestLocation"), c.requests) << static_cast<int>(c.authorization);
        EXPECT_EQ(world.rows({Signal::windows}).size(), 2u); // at the trust check and at the wake
    }
}

TEST(Observer, AClassStartRecordsItsTriggerAndAsksForAFixOnlyWhenAlwaysAllowed) {
    const struct {
        MachineState::LocationAuthorization authorization;
        int requests;
    } cases[] = {
        {MachineState::LocationAuthorization::whenInUse, 0},
        {MachineState::LocationAuthorization::always, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.authorization));
        ObserverWorld world;
        world.machine.setLocationAuthorization(c.authorization);
        world.machine.setPermission("calendar", MachineState::Permission::granted);
        world.machine.addCalendar({"school", "School"});
        MachineState::CalendarEvent maths;
        maths.id = "maths";
        maths.calendarID = "school";
        maths.start = world.time.clock().now() + 600;
        maths.end = world.time.clock().now() + 3600;
        world.machine.addCalendarEvent(maths);
        world.startObserver();
        world.handed.clear();
        world.machine.resetCalls();
        world.time.advance(600);
        world.settle();
        EXPECT_EQ(world.rows({Signal::eventStart}).size(), 1u);
        ASSERT_EQ(world.handed.size(), 1u);
        ASSERT_EQ(world.handed[0].size(), 1u);
        EXPECT_EQ(world.handed[0][0].kind, Trigger::Kind::eventStart);
        EXPECT_EQ(world.machine.calls("requestLocation"), c.requests);
    }
}

TEST(Observer, DestroyingItStopsEverySource) {
    ObserverWorld world;
    MachineState::InstalledApp editor;
    editor.appID = "org.example.Editor";
    world.machine.installApp(editor);
    world.machine.setTrusted(true);
    world.startObserver();
    const auto before = world.rows().size();
    world.observer.reset();
    world.machine.launch("org.example.Editor");
    world.machine.lock();
    world.time.advance(2 * 86'400);
    EXPECT_EQ(world.rows().size(), before);
    EXPECT_EQ(world.time.pending(), 0u);
}

} // namespace
} // namespace ostrel

namespace ostrel {
namespace {

// The same services on real threads: the workspace source on the main executor, the window source
// on its own queue, the writer on its own; nothing in virtual time.
TEST(ObserverOnThreads, RecordsFromMachineNoticeToRowAndShutsDownInOrder) {
    test::TempDir dir;
    Store store(dir / "quev.sqlite");
    SimulatedMachine machine;
    MachineState::InstalledApp writer;
    writer.appID = "org.example.Writer";
    MachineState::Window window;
    window.document = "file:///home/s/essay.odt";
    window.frame = Rect{0, 0, 800, 600};
    writer.windows.push_back(window);
    machine.installApp(writer);
    Platform platform = machine.platform();
    {
        SystemRuntime runtime;
        Settings settings(Settings::inMemory);
        SecureRandom random;
        // Runs a body on the main executor and waits for it: the observer lives on that executor.
        const auto onMain = [&runtime](const std::function<void()>& body) {
            std::promise<void> done;
            runtime.main().post([&] {
                body();
                done.set_value();
            });
            done.get_future().wait();
        };
        std::unique_ptr<Observer> observer;
        onMain([&] {
            observer = std::make_unique<Observer>(store, runtime, platform, settings, random, "",
                                                  ExclusionList::defaultList(), Observer::OnNewTriggers{});
            observer->start();
        });
        machine.launch("org.example.Writer");
        // Waits, with a deadline, until the launched app's focus has been recorded.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool focused = false;
        while (!focused && std::chrono::steady_clock::now() < deadline) {
            std::promise<void> drained;
            runtime.queue(Observer::accessibilityQueue).post([&drained] { drained.set_value(); });
            drained.get_future().wait();
            onMain([&] { observer->writer().flush(); });
            focused =
                !store
                     .observations(0, std::numeric_limits<std::int64_t>::max(), std::set{Signal::windowFocus})
                     .empty();
            if (!focused) {
                std::this_thread::yield();
            }
        }
        EXPECT_TRUE(focused);
        // The observer goes first (sources stop, the writer drains), on its executor; then the
        // runtime's threads.
        onMain([&] { observer.reset(); });
    }
    const auto rows = store.observations(0, std::numeric_limits<std::int64_t>::max());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().signal, Signal::quevStart);
}

} // namespace
} // namespace ostrel
