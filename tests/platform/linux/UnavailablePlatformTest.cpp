#include "platform/linux/UnavailablePlatform.hpp"

#include "app/signals/Observer.hpp"
#include "core/store/Store.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/TempDir.hpp"

#include <unistd.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

const Availability notAvailable = Availability::no("not available on this desktop yet");

TEST(UnavailablePlatform, EveryRoleSaysItIsNotAvailable) {
    UnavailablePlatform unavailable;
    Platform platform = unavailable.platform();
    struct Case {
        const char* role;
        Availability availability;
    };
    const Case cases[] = {
        {"workspace", platform.workspace.availability()},
        {"session", platform.session.availability()},
        {"activity", platform.activity.availability()},
        {"accessibility", platform.accessibility.availability()},
        {"logins", platform.logins.availability()},
        {"wifi", platform.wifi.availability()},
        {"location", platform.location.availability()},
        {"audio", platform.audio.availability()},
        {"displays", platform.displays.availability()},
        {"power", platform.power.availability()},
        {"scripting", platform.scripting.availability()},
        {"events", platform.events.availability()},
        {"keychain", platform.keychain.availability()},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.availability, notAvailable) << test.role;
    }
    // The accessors and the bundle hand out the same objects, so one role can be swapped alone.
    EXPECT_EQ(&platform.wifi, &unavailable.wifi());
    EXPECT_EQ(&platform.appearance, &unavailable.appearance());
    EXPECT_EQ(&platform.keychain, &unavailable.keychain());
}

TEST(UnavailablePlatform, ReadsGiveNothingAndTheRefusedAnswer) {
    UnavailablePlatform unavailable;
    Platform platform = unavailable.platform();
    VirtualTime time;
    Executor& main = time.makeExecutor("main");

    EXPECT_TRUE(platform.workspace.runningApps().empty());
    EXPECT_FALSE(platform.workspace.frontmost());
    EXPECT_EQ(platform.workspace.ownPid(), ::getpid());
    EXPECT_FALSE(platform.workspace.instance(::getpid()));
    EXPECT_FALSE(platform.workspace.isRunning(AppInstance{::getpid(), "org.ostrel.Ostrel", 1}));
    EXPECT_FALSE(platform.workspace.applicationPath("firefox.desktop"));
    EXPECT_FALSE(platform.workspace.defaultHandler("https"));
    EXPECT_FALSE(platform.session.isLocked());
    EXPECT_FALSE(platform.activity.idleSeconds());
    EXPECT_FALSE(platform.activity.keepAwake("recording").held());
    EXPECT_FALSE(platform.accessibility.isTrusted());
    EXPECT_EQ(platform.accessibility.observe(::getpid(), main, [](const std::string&, WindowElement) {}), nullptr);
    EXPECT_FALSE(platform.accessibility.windows(::getpid()));
    EXPECT_FALSE(platform.accessibility.setSize(WindowElement{1, 2}, 100, 100));
    EXPECT_TRUE(platform.logins.records().empty());
    EXPECT_GT(platform.logins.uptime(), 0.0) << "the start record carries the real uptime";
    EXPECT_FALSE(platform.wifi.ssid());
    EXPECT_EQ(platform.location.authorization(), LocationAuthorization::denied);
    EXPECT_FALSE(platform.audio.defaultOutputDevice());
    EXPECT_TRUE(platform.audio.devices().empty());
    EXPECT_FALSE(platform.audio.setMuted(1, true));
    EXPECT_TRUE(platform.displays.screens().empty());
    EXPECT_FALSE(platform.power.powerInfo());
    EXPECT_FALSE(platform.power.watchPower(main, [] {}));
    EXPECT_EQ(platform.scripting.permission("org.mozilla.firefox", true), BrowserScripting::notPermitted);
    EXPECT_TRUE(platform.scripting.run("return 1").failed());
    EXPECT_EQ(platform.events.access(), CalendarAccess::denied);
    EXPECT_TRUE(platform.events.events(0, 1e10).empty());
    std::vector<bool> granted;
    platform.events.requestFullAccess([&](bool answer) { granted.push_back(answer); });
    EXPECT_EQ(granted, std::vector<bool>{false});
    EXPECT_FALSE(platform.keychain.read("Ostrel", "google"));
    EXPECT_EQ(platform.keychain.write("Ostrel", "google", "secret"), Keychain::Status::unavailable);
    EXPECT_FALSE(platform.keychain.read("Ostrel", "google"));
    EXPECT_FALSE(platform.appearance.reduceMotion());
}

TEST(UnavailablePlatform, SubscriptionsNeverDeliverAndALocationRequestFails) {
    UnavailablePlatform unavailable;
    Platform platform = unavailable.platform();
    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    int notices = 0;
    std::vector<LocationEvent> located;
    std::vector<Subscription> subscriptions;
    subscriptions.push_back(platform.workspace.subscribe(main, [&](const WorkspaceEvent&) { ++notices; }));
    subscriptions.push_back(platform.session.subscribe(main, [&](const SessionEvent&) { ++notices; }));
    subscriptions.push_back(platform.accessibility.subscribeTrust(main, [&] { ++notices; }));
    subscriptions.push_back(platform.wifi.subscribe(main, [&](const WiFiChange&) { ++notices; }));
    subscriptions.push_back(platform.audio.subscribe(main, [&](AudioSystemChange) { ++notices; }));
    subscriptions.push_back(
        platform.audio.subscribe(1, AudioControl::volume, main, [&](AudioDeviceID, AudioControl) { ++notices; }));
    subscriptions.push_back(platform.displays.subscribe(main, [&] { ++notices; }));
    subscriptions.push_back(platform.events.subscribe(main, [&] { ++notices; }));
    subscriptions.push_back(platform.appearance.subscribe(main, [&](const AppearanceChange&) { ++notices; }));
    subscriptions.push_back(platform.location.subscribe(main, [&](const LocationEvent& event) { located.push_back(event); }));

    platform.location.requestLocation();
    EXPECT_TRUE(located.empty()) << "answered inside the request";
    time.advance(3600);
    EXPECT_EQ(notices, 0);
    ASSERT_EQ(located.size(), 1u);
    EXPECT_EQ(located[0].kind, LocationEvent::Kind::failed);
    EXPECT_FALSE(located[0].error.empty());

    subscriptions.clear();
    platform.location.requestLocation();
    time.advance(1);
    EXPECT_EQ(located.size(), 1u) << "delivered after the subscription was gone";
}

TEST(UnavailablePlatform, OperationsThrowAShortSentence) {
    UnavailablePlatform unavailable;
    Workspace& workspace = unavailable.workspace();
    const AppInstance app{::getpid(), "org.ostrel.Ostrel", 1};
    int completions = 0;
    const auto completion = [&](const OpenOutcome&) { ++completions; };
    struct Case {
        const char* name;
        std::function<void()> operation;
    };
    const Case cases[] = {
        {"launch", [&] { workspace.launch("firefox.desktop"); }},
        {"launchHidden", [&] { workspace.launchHidden("firefox.desktop"); }},
        {"activate", [&] { workspace.activate(1); }},
        {"hide", [&] { workspace.hide(1); }},
        {"unhide", [&] { workspace.unhide(1); }},
        {"quit", [&] { workspace.quit(1); }},
        {"openURL", [&] { workspace.openURL("https://example.org"); }},
        {"launchApp", [&] { workspace.launchApp("firefox.desktop", true, completion); }},
        {"openDocument", [&] { workspace.openDocument("/tmp/notes.txt", false, completion); }},
        {"openPage", [&] { workspace.openPage("https://example.org", completion); }},
        {"hide instance", [&] { workspace.hide(app); }},
        {"unhide instance", [&] { workspace.unhide(app); }},
        {"requestQuit", [&] { workspace.requestQuit(app); }},
    };
    for (const Case& test : cases) {
        try {
            test.operation();
            ADD_FAILURE() << test.name << " did not throw";
        } catch (const OperationError& error) {
            const std::string text = error.what();
            EXPECT_NE(text.find("not available on this desktop yet"), std::string::npos) << test.name << ": " << text;
        }
    }
    EXPECT_EQ(completions, 0);
}

TEST(UnavailablePlatform, AnObserverStartsAndStopsOnIt) {
    const test::TempDir dir;
    VirtualTime time;
    VirtualRuntime runtime(time);
    UnavailablePlatform unavailable;
    Platform platform = unavailable.platform();
    Store store(dir / "quev.sqlite");
    Settings settings(Settings::inMemory);
    SecureRandom random(7);
    auto observer = std::make_unique<Observer>(store, runtime, platform, settings, random, "1.0",
                                               ExclusionList::defaultList(), [](const std::vector<Trigger>&) {});
    time.addFlusher([&] {
        if (observer) {
            observer->writer().flush();
        }
    });
    observer->start();
    time.advance(120);
    observer->writer().flush();
    time.settle();
    observer.reset();

    const auto stored = store.observations(std::numeric_limits<std::int64_t>::min(),
                                           std::numeric_limits<std::int64_t>::max(), std::nullopt);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.front().signal, Signal::quevStart);
}

} // namespace
} // namespace ostrel
