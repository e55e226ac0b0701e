#include "app/assistant/NuvoTalk.hpp"
#include "app/onboarding/Onboarding.hpp"
#include "app/shell/AppModel.hpp"
#include "app/shell/RecordedWindows.hpp"
#include "core/store/Store.hpp"
#include "platform/OperationError.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/RecordingSurface.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Step = Onboarding::Step;
using Property = AppModel::Property;

constexpr Date start = 1'757'916'000; // Mon 15 Sep 2025 06:00 UTC
const std::string ownApp = "org.ostrel.Ostrel";

struct World {
    explicit World(MachineState state = MachineState::withOwnApp()) : machine(std::move(state), &time) {
        // The writer stores on a thread of its own: each round of virtual time waits for it.
        time.addFlusher([this] {
            if (model && model->writer()) {
                model->writer()->flush();
            }
        });
    }

    AppModel& make(std::filesystem::path storeURL = {}) {
        if (storeURL.empty()) {
            storeURL = dir / "data" / "Quev" / "quev.sqlite";
        }
        model = std::make_unique<AppModel>(AppModel::Services{runtime, platform, machine.loginItems(), machine.commands(), settings,
                                                              random, surface, windows, calendar, "en_US", storeURL,
                                                              "test"});
        return *model;
    }

    // A path under a plain file: the store's folder cannot be made.
    std::filesystem::path blockedURL() {
        std::ofstream(dir / "blocker") << "not a folder";
        return dir / "blocker" / "Quev" / "quev.sqlite";
    }

    test::TempDir dir;
    VirtualTime time{start};
    VirtualRuntime runtime{time};
    SimulatedMachine machine;
    Platform platform{machine.platform()};
    Settings settings{Settings::inMemory};
    SecureRandom random{3};
    std::vector<std::string> bannerLog;
    test::RecordingSurface surface{bannerLog};
    RecordedWindows windows;
    Calendar calendar{"UTC", "en_US"};
    std::unique_ptr<AppModel> model;
};

MachineState withChrome() {
    MachineState state = MachineState::withOwnApp();
    MachineState::InstalledApp chrome;
    chrome.appID = "com.google.Chrome";
    chrome.name = "Google Chrome";
    state.installed.push_back(chrome);
    state.defaultHandlers["https"] = "com.google.Chrome";
    return state;
}

TEST(AppModelTest, FailedStoreBuildsNothingButStillRefreshesAndRecordsTheFirstLaunch) {
    World world(withChrome());
    world.machine.setTrusted(true);
    world.machine.setPermission("calendar", MachineState::Permission::granted);
    world.machine.setLocationAuthorization(MachineState::LocationAuthorization::always);
    AppModel& model = world.make(world.blockedURL());
    world.time.settle();
    world.machine.lock();
    world.machine.unlock();
    world.time.settle();

    ASSERT_TRUE(model.storeError().has_value());
    EXPECT_FALSE(model.storeError()->empty());
    EXPECT_EQ(model.store(), nullptr);
    EXPECT_EQ(model.autopilot(), nullptr);
    EXPECT_EQ(model.talk(), nullptr);
    EXPECT_EQ(model.nuvo(), nullptr);
    EXPECT_FALSE(model.watchingUnlocks());
    EXPECT_TRUE(world.windows.calls().empty()); // no onboarding or reminder, at launch or unlock
    EXPECT_EQ(world.settings.date("firstLaunch"), start);

    EXPECT_EQ(model.observationsToday(), 0);
    EXPECT_EQ(model.calendarSeries(), 0);
    EXPECT_FALSE(model.googleConnected());
    EXPECT_FALSE(model.calendarReadable()); // even with calendar access: no observer reads it
    EXPECT_FALSE(model.nextUp().has_value());
    EXPECT_FALSE(model.locationAuthorized());
    EXPECT_FALSE(model.locationUndetermined());
    EXPECT_TRUE(model.followedBrowsers().empty());
    EXPECT_TRUE(model.unfollowedBrowsers().empty());
    EXPECT_TRUE(model.watchingWindows());
    // calendar, location and browser (a Chromium default with no observer) are open; documents
    // is done (trusted), login not enabled.
    EXPECT_EQ(model.setupRemaining(), 4);
    world.machine.addLoginItem(ownApp);
    model.refresh();
    EXPECT_EQ(model.setupRemaining(), 3);
}

TEST(AppModelTest, OpenedStoreStartsTheObserverAndShowsOnboardingThenTheReminderAtLaunchAndEachUnlock) {
    World world;
    AppModel& model = world.make();
    ASSERT_NE(model.store(), nullptr);
    ASSERT_NE(model.autopilot(), nullptr);
    ASSERT_NE(model.talk(), nullptr);
    ASSERT_NE(model.nuvo(), nullptr);
    EXPECT_EQ(model.talk()->autopilot(), model.autopilot());
    EXPECT_TRUE(model.watchingUnlocks());
    EXPECT_FALSE(model.storeError().has_value());
    // Deferred to the next turn of the main executor.
    EXPECT_EQ(world.windows.calls(), (std::vector<std::string>{"nuvo"}));
    world.time.settle();
    EXPECT_EQ(world.windows.calls(), (std::vector<std::string>{"nuvo", "onboardingIfNeeded", "scoresReminderIfDue"}));

    world.windows.clear();
    world.machine.lock();
    world.machine.unlock();
    world.time.settle();
    EXPECT_EQ(world.windows.calls(), (std::vector<std::string>{"onboardingIfNeeded", "scoresReminderIfDue"}));

    world.windows.clear();
    world.windows.openHomeFromNuvo();
    EXPECT_EQ(world.windows.calls(), (std::vector<std::string>{"home routines"}));

    model.writer()->flush();
    EXPECT_GE(model.store()->observationCount(0), 1); // "quev.start" at least
    model.refresh();
    EXPECT_GE(model.observationsToday(), 1);
}

TEST(AppModelTest, NewTriggersReachTheAutopilotOnMain) {
    World world;
    AppModel& model = world.make();
    std::vector<std::string> planned;
    model.autopilot()->setTrace([&planned](const json::Value& effect) {
        if (effect.at("effect") == "planned") {
            planned.push_back(effect.at("trigger").get<std::string>());
        }
    });
    world.time.settle();
    world.time.advance(30);
    world.machine.lock();
    world.time.advance(60);
    world.machine.unlock();
    world.time.advance(10);
    EXPECT_EQ(planned, (std::vector<std::string>{"unlock"}));
}

TEST(AppModelTest, DestroyedWithWorkInFlightDeliversNothing) {
    World world;
    world.make();
    world.time.settle();
    const std::vector<std::string> before = world.windows.calls();
    world.machine.lock();
    world.machine.unlock(); // the unlock and its trigger are posted, not yet delivered
    world.model.reset();
    world.time.settle();
    EXPECT_EQ(world.windows.calls(), before); // no onboarding for a model that is gone
}

TEST(AppModelTest, RefreshReadsEachStatusFromTheMachine) {
    struct Case {
        const char* name;
        std::function<void(SimulatedMachine&, Settings&)> arrange;
        std::function<void(const AppModel&)> check;
    };
    const std::vector<Case> cases{
        {"location always", [](SimulatedMachine& m, Settings&) { m.setLocationAuthorization(MachineState::LocationAuthorization::always); },
         [](const AppModel& a) {
             EXPECT_TRUE(a.locationAuthorized());
             EXPECT_FALSE(a.locationUndetermined());
         }},
        {"location undecided", [](SimulatedMachine&, Settings&) {},
         [](const AppModel& a) {
             EXPECT_FALSE(a.locationAuthorized());
             EXPECT_TRUE(a.locationUndetermined());
         }},
        {"location denied", [](SimulatedMachine& m, Settings&) { m.setLocationAuthorization(MachineState::LocationAuthorization::denied); },
         [](const AppModel& a) {
             EXPECT_FALSE(a.locationAuthorized());
             EXPECT_FALSE(a.locationUndetermined());
         }},
        {"location not available",
         [](SimulatedMachine& m, Settings&) {
             m.setLocationAuthorization(MachineState::LocationAuthorization::always);
             m.setAvailability("location", Availability::no("none"));
         },
         [](const AppModel& a) {
             EXPECT_FALSE(a.locationAuthorized());
             EXPECT_FALSE(a.locationUndetermined());
         }},
        {"local calendar readable",
         [](SimulatedMachine& m, Settings&) { m.setPermission("calendar", MachineState::Permission::granted); },
         [](const AppModel& a) {
             EXPECT_EQ(a.calendarSource(), CalendarSource::apple);
             EXPECT_EQ(a.calendarStatus(), CalendarAccess::fullAccess);
             EXPECT_TRUE(a.calendarReadable());
         }},
        {"calendar not available counts as not granted",
         [](SimulatedMachine& m, Settings&) {
             m.setPermission("calendar", MachineState::Permission::granted);
             m.setAvailability("eventStore", Availability::no("none"));
         },
         [](const AppModel& a) {
             EXPECT_NE(a.calendarStatus(), CalendarAccess::fullAccess);
             EXPECT_NE(a.calendarStatus(), CalendarAccess::notDetermined);
             EXPECT_FALSE(a.calendarReadable());
         }},
        {"google with a token reads whatever the local access",
         [](SimulatedMachine& m, Settings& s) {
             s.set("calendarSource", "google");
             m.setKeychainItem({"Ostrel Google Calendar", "refresh-token", "secret"});
         },
         [](const AppModel& a) {
             EXPECT_TRUE(a.googleConnected());
             EXPECT_TRUE(a.calendarReadable());
         }},
        {"google without a token does not read, even with local access",
         [](SimulatedMachine& m, Settings& s) {
             s.set("calendarSource", "google");
             m.setPermission("calendar", MachineState::Permission::granted);
         },
         [](const AppModel& a) {
             EXPECT_FALSE(a.googleConnected());
             EXPECT_FALSE(a.calendarReadable());
         }},
        {"windows not trusted",
         [](SimulatedMachine& m, Settings&) { m.setTrusted(false); },
         [](const AppModel& a) { EXPECT_FALSE(a.watchingWindows()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        c.arrange(world.machine, world.settings);
        AppModel& model = world.make();
        world.time.settle();
        model.refresh();
        c.check(model);
    }
}

TEST(AppModelTest, SetupRemainingCountsTheOpenNumberedSteps) {
    // Everything done but the browser, whose default is a followed family's browser.
    World world(withChrome());
    world.machine.setTrusted(true);
    world.machine.setPermission("calendar", MachineState::Permission::granted);
    world.machine.setLocationAuthorization(MachineState::LocationAuthorization::always);
    world.machine.addLoginItem(ownApp);
    AppModel& model = world.make();
    world.time.settle();
    model.refresh();
    EXPECT_EQ(model.setupRemaining(), 1);
    EXPECT_FALSE(model.onboarding().isDone(Step::browser));
    ASSERT_TRUE(model.onboarding().defaultBrowser().has_value());
    EXPECT_EQ(model.onboarding().defaultBrowser()->appID, "com.google.Chrome");

    // The default browser was captured once: a later change of default does not count.
    world.machine.setDefaultHandler("https", "org.example.Other");
    model.refresh();
    EXPECT_EQ(model.setupRemaining(), 1);

    // A default browser of no followed family never counts.
    World other;
    other.machine.setDefaultHandler("https", "org.example.Other");
    other.machine.setTrusted(true);
    other.machine.setPermission("calendar", MachineState::Permission::granted);
    other.machine.setLocationAuthorization(MachineState::LocationAuthorization::always);
    other.machine.addLoginItem(ownApp);
    AppModel& done = other.make();
    other.time.settle();
    done.refresh();
    EXPECT_EQ(done.setupRemaining(), 0);
}

TEST(AppModelTest, UnchangedRefreshNotifiesOnlyNextUp) {
    World world;
    AppModel& model = world.make();
    world.time.settle();
    model.refresh();
    std::vector<Property> told;
    const Subscription subscription = model.observe([&told](Property property) { told.push_back(property); });
    model.refresh();
    model.refresh();
    EXPECT_EQ(told, (std::vector<Property>{Property::nextUp, Property::nextUp}));

    told.clear();
    world.machine.setLocationAuthorization(MachineState::LocationAuthorization::always);
    model.refresh();
    EXPECT_EQ(told, (std::vector<Property>{Property::nextUp, Property::locationAuthorized,
                                           Property::locationUndetermined, Property::setupRemaining}));
}

TEST(AppModelTest, ConnectingTwiceDoesNotRestartTheSignIn) {
    World world;
    AppModel& model = world.make(); // no Google client id: the sign-in fails when it runs
    world.time.settle();
    model.connectGoogle();
    EXPECT_TRUE(model.googleConnecting());
    EXPECT_FALSE(model.googleError().has_value());
    model.setGoogleError("shown earlier");
    model.connectGoogle();
    EXPECT_EQ(model.googleError(), "shown earlier");

    world.time.settle();
    EXPECT_FALSE(model.googleConnecting());
    ASSERT_TRUE(model.googleError().has_value());
    EXPECT_NE(*model.googleError(), "shown earlier");
}

TEST(AppModelTest, UseGoogleWithoutATokenOnlyStartsTheSignIn) {
    World world;
    AppModel& model = world.make();
    world.time.settle();
    const auto before = world.settings.text("calendarSource");
    model.useGoogleCalendar();
    EXPECT_TRUE(model.googleConnecting());
    EXPECT_EQ(world.settings.text("calendarSource"), before);
    world.time.settle();
}

TEST(AppModelTest, UseAppleAsksForCalendarAccessOnlyWhileUndecided) {
    for (const auto [permission, questions] :
         std::vector<std::pair<MachineState::Permission, int>>{{MachineState::Permission::notDetermined, 1},
                                                                {MachineState::Permission::denied, 0},
                                                                {MachineState::Permission::granted, 0}}) {
        World world;
        world.settings.set("calendarSource", "google");
        world.machine.setPermission("calendar", permission);
        AppModel& model = world.make();
        world.time.settle();
        model.useAppleCalendar();
        world.time.settle();
        EXPECT_EQ(world.machine.calendarQuestions(), questions);
        EXPECT_EQ(world.settings.text("calendarSource"), "apple");
        EXPECT_EQ(model.calendarSource(), CalendarSource::apple);
    }
}

TEST(AppModelTest, DisconnectGoogleForgetsTheTokenAndReadsTheLocalCalendar) {
    World world;
    world.settings.set("calendarSource", "google");
    world.machine.setKeychainItem({"Ostrel Google Calendar", "refresh-token", "secret"});
    AppModel& model = world.make();
    world.time.settle();
    EXPECT_TRUE(model.googleConnected());
    model.disconnectGoogle();
    world.time.settle();
    model.refresh();
    EXPECT_FALSE(model.googleConnected());
    EXPECT_EQ(model.calendarSource(), CalendarSource::apple);
    EXPECT_EQ(world.settings.text("calendarSource"), "apple");
}

TEST(AppModelTest, SignalsReportBrowsersOnlyWhenOneIsFollowed) {
    World world;
    AppModel& model = world.make();
    world.time.settle();
    const auto signals = model.signals();
    EXPECT_EQ(signals.size(), 4u);
    EXPECT_FALSE(signals.at("browser"));
    EXPECT_EQ(signals.at("accessibility"), model.watchingWindows());
}

TEST(AppModelTest, CheckForUpdatesRunsWhatTheApplicationSet) {
    World world;
    AppModel& model = world.make();
    model.checkForUpdates(); // does nothing until set
    int checks = 0;
    model.setCheckForUpdates([&checks] { ++checks; });
    model.checkForUpdates();
    EXPECT_EQ(checks, 1);
}

} // namespace
} // namespace ostrel
