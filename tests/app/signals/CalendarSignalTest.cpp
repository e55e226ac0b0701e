#include "app/signals/CalendarSignal.hpp"

#include "app/signals/CalendarSource.hpp"
#include "core/observations/EventStartPayload.hpp"
#include "platform/HttpClient.hpp"
#include "platform/Keychain.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/LogCapture.hpp"
#include "support/RawBrowser.hpp"
#include "support/SettleUntil.hpp"
#include "support/ObserverWorld.hpp"

#include <limits>
#include <map>
#include <mutex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::ObserverWorld;

void storeToken(Keychain& keychain) {
    keychain.write(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, "refresh");
}

// The calendar source alone over a writer, on a machine in virtual time whose calendar "School"
// the tests fill. Times are seconds after the world's start.
class CalendarSignalTest : public ::testing::Test {
protected:
    CalendarSignalTest() {
        world.startWriterOnly();
        world.machine.addCalendar({"school", "School"});
        world.settings.set(settingsKeys::calendarSource, "apple");
    }

    ~CalendarSignalTest() override { signal.reset(); }

    // Nothing may leave the machine: by default every Google address is a closed local port.
    void build(std::string googleBase = "http://127.0.0.1:9") {
        GoogleCalendar::Configuration google;
        google.endpoints = GoogleEndpoints::local(googleBase);
        google.clientID = "client-1";
        google.requestTimeout = 5;
        signal = std::make_unique<CalendarSignal>(world.store, world.writer(), world.runtime, world.platform, keychain,
                                                  world.settings, http, world.random, google, [this] { ++started; });
    }

    // Builds the source with access granted and starts it.
    void startWithAccess() {
        world.machine.setPermission("calendar", MachineState::Permission::granted);
        build();
        signal->start();
        world.settle();
    }

    MachineState::CalendarEvent event(const std::string& id, double startsIn, double lasts = 3000) {
        MachineState::CalendarEvent made;
        made.id = id;
        made.calendarID = "school";
        made.title = id;
        made.start = t0 + startsIn;
        made.end = t0 + startsIn + lasts;
        return made;
    }

    std::int64_t ms(double secondsAfterStart) const { return static_cast<std::int64_t>((t0 + secondsAfterStart) * 1000); }

    // The recorded starts as "key@start idle locked", in store order.
    std::vector<std::string> starts() {
        std::vector<std::string> found;
        world.settle();
        const auto rows = world.store.observations(std::numeric_limits<std::int64_t>::min(),
                                                   std::numeric_limits<std::int64_t>::max(),
                                                   std::set<Signal>{Signal::eventStart});
        for (const SignalObservation& row : rows) {
            const auto payload = EventStartPayload::fromJSON(json::parse(row.payload));
            found.push_back(payload.event + "@" + std::to_string((payload.start - ms(0)) / 1000) + " " +
                            std::to_string(payload.idle) + (payload.locked ? " locked" : " unlocked") + " ts+" +
                            std::to_string((row.ts - ms(0)) / 1000));
        }
        return found;
    }

    std::vector<std::string> storedKeys() {
        std::vector<std::string> keys;
        for (const CalendarEvent& stored : world.store.calendarEvents(std::numeric_limits<std::int64_t>::min(),
                                                                      std::numeric_limits<std::int64_t>::max())) {
            keys.push_back(stored.key);
        }
        return keys;
    }

    ObserverWorld world;
    const Date t0 = world.time.clock().now();
    Keychain& keychain = world.machine.keychain();
    HttpClient http;
    int started = 0;
    std::unique_ptr<CalendarSignal> signal;
};

TEST(CalendarSource, TheSettingDecidesElseTheTokenAndTheChoiceIsWritten) {
    const struct {
        const char* name;
        std::optional<std::string> setting;
        bool token;
        CalendarSource chosen;
        std::string written;
    } cases[] = {
        {"unset without a token", std::nullopt, false, CalendarSource::apple, "apple"},
        {"unset with a token", std::nullopt, true, CalendarSource::google, "google"},
        {"unknown without a token", "outlook", false, CalendarSource::apple, "apple"},
        {"unknown with a token", "Google", true, CalendarSource::google, "google"},
        {"apple with a token", "apple", true, CalendarSource::apple, "apple"},
        {"google without a token", "google", false, CalendarSource::google, "google"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings(Settings::inMemory);
        SimulatedMachine machine;
        Keychain& keychain = machine.keychain();
        if (c.setting) {
            settings.set(settingsKeys::calendarSource, *c.setting);
        }
        if (c.token) {
            storeToken(keychain);
        }
        EXPECT_EQ(chosenCalendarSource(settings, keychain), c.chosen);
        EXPECT_EQ(settings.text(settingsKeys::calendarSource), c.written);
        keychain.remove(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount);
        EXPECT_EQ(chosenCalendarSource(settings, keychain), c.chosen) << "a written choice outlives the token";
    }
    Settings settings(Settings::inMemory);
    settings.set(settingsKeys::calendarSource, 3);
    SimulatedMachine machine;
    EXPECT_EQ(chosenCalendarSource(settings, machine.keychain()), CalendarSource::apple) << "a setting of another type";
    EXPECT_EQ(settings.text(settingsKeys::calendarSource), "apple");
}

TEST_F(CalendarSignalTest, StartsOfOneMomentAreOneBatchWithOneReadingAndOneCallback) {
    world.machine.addCalendarEvent(event("physics", 600));
    world.machine.addCalendarEvent(event("maths", 600));
    world.machine.addCalendarEvent(event("art", 1200));
    startWithAccess();
    EXPECT_THAT(storedKeys(), ElementsAre("maths", "physics", "art")) << "stored by start, then key";

    world.machine.setIdle(42.9);
    world.machine.lock();
    world.time.advance(599);
    EXPECT_THAT(starts(), IsEmpty());
    world.time.advance(1);
    EXPECT_THAT(starts(), ElementsAre("physics@600 42 locked ts+600", "maths@600 42 locked ts+600"))
        << "in the calendar's order, both with one reading";
    EXPECT_EQ(started, 1);

    world.machine.failCalls("idleSeconds");
    world.machine.unlock();
    test::LogCapture logs;
    world.time.advance(600);
    EXPECT_THAT(starts(), ElementsAre("physics@600 42 locked ts+600", "maths@600 42 locked ts+600",
                                      "art@1200 0 unlocked ts+1200"))
        << "an unreadable idle time is 0 s";
    EXPECT_EQ(started, 2);
    bool logged = false;
    for (const LogEntry& entry : logs.entries()) {
        logged = logged || (entry.category == "calendar" && entry.level == LogLevel::error &&
                            entry.message == "Couldn't read the idle time");
    }
    EXPECT_TRUE(logged);
}

TEST_F(CalendarSignalTest, AStartAlreadyPastWhenItsTimerIsMadeIsRecordedAtOnce) {
    world.machine.addCalendarEvent(event("maths", 600));
    startWithAccess();
    // The clock is set forward past the start: the timer's deadline is behind it.
    world.time.setWall(t0 + 900);
    world.settle();
    EXPECT_THAT(starts(), ElementsAre("maths@600 0 unlocked ts+900"));
    EXPECT_EQ(started, 1);
}

TEST_F(CalendarSignalTest, AnEventBegunBeforeASyncIsStoredButItsStartNeverRecorded) {
    world.machine.addCalendarEvent(event("maths", -600));
    world.machine.addCalendarEvent(event("art", 0));
    startWithAccess();
    EXPECT_THAT(storedKeys(), ElementsAre("maths", "art"));
    world.machine.notifyCalendarChanged();
    world.time.advance(4000);
    world.time.advance(CalendarSignal::resyncInterval);
    EXPECT_THAT(starts(), IsEmpty()) << "a start at the sync's own moment has begun too";
    EXPECT_EQ(started, 0);
}

TEST_F(CalendarSignalTest, AStartIsRecordedOnceHoweverOftenItsEventIsSyncedAgain) {
    world.machine.addCalendarEvent(event("maths", 600));
    world.machine.addCalendarEvent(event("art", 1200));
    startWithAccess();
    world.time.advance(600);
    signal->start(); // a sync that finds maths already recorded, art still ahead
    world.machine.notifyCalendarChanged();
    world.time.advance(600);
    EXPECT_THAT(starts(), ElementsAre("maths@600 0 unlocked ts+600", "art@1200 0 unlocked ts+1200"));
}

TEST_F(CalendarSignalTest, TwoStartsMakeOneObserverAndOneDailySync) {
    world.machine.addCalendarEvent(event("maths", 600));
    startWithAccess();
    signal->start();
    world.settle();
    EXPECT_EQ(world.machine.calls("reset"), 1);
    EXPECT_EQ(world.machine.calls("events"), 2) << "each start syncs";

    world.machine.resetCalls();
    world.machine.notifyCalendarChanged();
    world.time.advance(CalendarSignal::changeDelay);
    EXPECT_EQ(world.machine.calls("events"), 1) << "one change observer";

    world.machine.resetCalls();
    world.time.advance(CalendarSignal::resyncInterval - CalendarSignal::changeDelay - 1);
    EXPECT_EQ(world.machine.calls("events"), 0);
    world.time.advance(1);
    EXPECT_EQ(world.machine.calls("events"), 1) << "one daily timer";
    world.time.advance(CalendarSignal::resyncInterval);
    EXPECT_EQ(world.machine.calls("events"), 2) << "and it repeats";
}

TEST_F(CalendarSignalTest, TenChangesWithinFiveSecondsSyncOnceFiveSecondsAfterTheLast) {
    startWithAccess();
    world.machine.resetCalls();
    for (int change = 0; change < 10; ++change) {
        world.machine.notifyCalendarChanged();
        world.time.advance(0.5);
    }
    // The last change came at +4.5 s, so its sync is due at +9.5 s.
    world.time.advance(4.25);
    EXPECT_EQ(world.machine.calls("events"), 0);
    world.time.advance(0.25);
    EXPECT_EQ(world.machine.calls("events"), 1);
    world.time.advance(60);
    EXPECT_EQ(world.machine.calls("events"), 1);
}

TEST_F(CalendarSignalTest, ADebounceWaitsInAwakeTimeNotThroughSleep) {
    startWithAccess();
    world.machine.resetCalls();
    world.machine.notifyCalendarChanged();
    world.time.advance(2);
    world.time.sleep(3600);
    EXPECT_EQ(world.machine.calls("events"), 0);
    world.time.advance(3);
    EXPECT_EQ(world.machine.calls("events"), 1);
}

TEST_F(CalendarSignalTest, WithoutAccessStartDoesNothingAndAGrantedRequestStarts) {
    world.machine.addCalendarEvent(event("maths", 600));
    build();
    signal->start();
    world.settle();
    EXPECT_EQ(world.machine.calls("reset"), 0);
    EXPECT_THAT(storedKeys(), IsEmpty());

    std::vector<bool> answers;
    signal->requestAccess([&](bool granted) {
        EXPECT_TRUE(world.runtime.main().isCurrent());
        answers.push_back(granted);
    });
    world.settle();
    EXPECT_THAT(answers, ElementsAre(true));
    EXPECT_THAT(storedKeys(), ElementsAre("maths"));
    world.time.advance(600);
    EXPECT_THAT(starts(), ElementsAre("maths@600 0 unlocked ts+600"));
}

TEST_F(CalendarSignalTest, ARefusedRequestAnswersFalseAndStartsNothing) {
    world.machine.setCalendarAnswer(MachineState::Permission::denied);
    world.machine.addCalendarEvent(event("maths", 600));
    build();
    std::vector<bool> answers;
    signal->requestAccess([&](bool granted) { answers.push_back(granted); });
    world.settle();
    EXPECT_THAT(answers, ElementsAre(false));
    EXPECT_EQ(world.machine.calls("reset"), 0);
    EXPECT_THAT(storedKeys(), IsEmpty());
}

TEST_F(CalendarSignalTest, ASyncFirstRecordsTheStartsThatFellDueWhileItWaited) {
    // Asleep through the daily sync and a class start after it: at wake the daily sync runs first.
    world.machine.addCalendarEvent(event("maths", CalendarSignal::resyncInterval + 600));
    startWithAccess();
    world.time.sleep(CalendarSignal::resyncInterval + 1200);
    world.settle();
    const auto wake = static_cast<std::int64_t>(CalendarSignal::resyncInterval + 1200);
    EXPECT_THAT(starts(), ElementsAre("maths@" + std::to_string(wake - 600) + " 0 unlocked ts+" +
                                      std::to_string(wake)));
    EXPECT_EQ(started, 1);
}

TEST_F(CalendarSignalTest, ASourceThatCannotBeReadStopsTheStartsAndKeepsTheStoredRows) {
    world.machine.addCalendarEvent(event("maths", 600));
    startWithAccess();
    test::LogCapture logs;
    world.machine.setPermission("calendar", MachineState::Permission::denied);
    world.time.advance(CalendarSignal::changeDelay);
    world.time.advance(1200);
    EXPECT_THAT(starts(), IsEmpty()) << "the calendar is off";
    EXPECT_THAT(storedKeys(), ElementsAre("maths"));
    std::vector<std::string> messages;
    for (const LogEntry& entry : logs.entries()) {
        if (entry.category == "calendar") {
            messages.push_back(entry.message);
        }
    }
    EXPECT_THAT(messages, ElementsAre("Apple Calendar can't be read; the calendar Signal is off"));

    // Access again before the next class: its start is recorded.
    world.machine.addCalendarEvent(event("art", 3600));
    world.machine.setPermission("calendar", MachineState::Permission::granted);
    signal->start();
    world.time.advance(3600);
    EXPECT_THAT(starts(), ElementsAre("art@3600 0 unlocked ts+3600"));
}

TEST_F(CalendarSignalTest, EventsGoneFromTheCalendarAreDeletedUnlessBegun) {
    world.machine.addCalendarEvent(event("begun", -600));
    world.machine.addCalendarEvent(event("maths", 600));
    world.machine.addCalendarEvent(event("art", 1200));
    startWithAccess();
    world.machine.removeCalendarEvent("begun");
    world.machine.removeCalendarEvent("art");
    world.time.advance(CalendarSignal::changeDelay);
    EXPECT_THAT(storedKeys(), ElementsAre("begun", "maths"));
    world.time.advance(1200);
    EXPECT_THAT(starts(), ElementsAre("maths@600 0 unlocked ts+600")) << "a removed event starts nothing";
}

TEST_F(CalendarSignalTest, TheGoogleSourceWithNothingFetchedStoresNothingAndLeavesNoTimer) {
    world.machine.addCalendarEvent(event("maths", 600));
    startWithAccess();
    ASSERT_THAT(storedKeys(), ElementsAre("maths"));

    storeToken(keychain);
    world.settings.set(settingsKeys::calendarSource, "google");
    signal->start();
    world.time.advance(1200);
    EXPECT_EQ(signal->google().fetched(), std::nullopt) << "its fetch cannot reach a server";
    EXPECT_THAT(storedKeys(), ElementsAre("maths")) << "nothing deleted";
    EXPECT_THAT(starts(), IsEmpty()) << "the Apple event's timer went with the switch";
}

TEST_F(CalendarSignalTest, TheGoogleSourceStoresWhatItFetchedAndRecordsItsStartsUntilDisconnected) {
    test::FakeHttpServer server;
    server.always("POST", "/token", test::FakeReply::json(200, R"({"access_token":"a","expires_in":3600})"));
    server.always("GET", "/calendar/v3/users/me/calendarList",
                  test::FakeReply::json(200, R"({"items":[{"id":"me@uni.example","primary":true}]})"));
    // The world starts at 2025-09-15T06:00:00Z: classes 1 h and 2 h later.
    server.always("GET", "/calendar/v3/calendars/me%40uni.example/events",
                  test::FakeReply::json(200, R"({"items":[)"
                                             R"({"id":"g1","summary":"Maths","start":{"dateTime":"2025-09-15T07:00:00Z"},"end":{"dateTime":"2025-09-15T07:45:00Z"}},)"
                                             R"({"id":"g2","summary":"Art","start":{"dateTime":"2025-09-15T08:00:00Z"},"end":{"dateTime":"2025-09-15T08:45:00Z"}}]})"));
    world.machine.addCalendarEvent(event("local", 1800));
    world.machine.setPermission("calendar", MachineState::Permission::granted);
    storeToken(keychain);
    world.settings.remove(settingsKeys::calendarSource);
    build(server.baseUrl());
    signal->start();
    world.settle();
    world.time.advance(CalendarSignal::changeDelay);
    EXPECT_EQ(world.settings.text(settingsKeys::calendarSource), "google") << "a stored token chose it";
    EXPECT_THAT(storedKeys(), ElementsAre("g1", "g2")) << "the local calendar is not read";

    world.time.advance(3600 - CalendarSignal::changeDelay);
    EXPECT_THAT(starts(), ElementsAre("g1@3600 0 unlocked ts+3600"));

    test::LogCapture logs;
    signal->google().disconnect();
    world.time.advance(CalendarSignal::changeDelay);
    world.time.advance(3600);
    EXPECT_THAT(starts(), ElementsAre("g1@3600 0 unlocked ts+3600")) << "a disconnected calendar starts nothing";
    EXPECT_THAT(storedKeys(), ElementsAre("g1", "g2")) << "stored rows stay";
    bool logged = false;
    for (const LogEntry& entry : logs.entries()) {
        logged = logged || entry.message == "Google Calendar can't be read; the calendar Signal is off";
    }
    EXPECT_TRUE(logged);
    signal.reset();
    server.stop();
}

// The value of one field of the query of the last page the machine opened.
std::string openedField(const SimulatedMachine& machine, const std::string& name) {
    const auto opened = machine.state().openedURLs;
    if (opened.empty()) {
        return {};
    }
    const std::string& url = opened.back().url;
    const auto at = url.find("&" + name + "=");
    if (at == std::string::npos) {
        return {};
    }
    const auto from = at + name.size() + 2;
    return url.substr(from, url.find('&', from) - from);
}

TEST_F(CalendarSignalTest, ASignInSwitchesToGoogleAndSyncsAndAFailedOneChangesNothing) {
    test::FakeHttpServer server;
    server.always("POST", "/token",
                  test::FakeReply::json(200, R"({"access_token":"a","expires_in":3600,"refresh_token":"r"})"));
    server.always("GET", "/calendar/v3/users/me/calendarList",
                  test::FakeReply::json(200, R"({"items":[{"id":"me@uni.example","primary":true}]})"));
    server.always("GET", "/calendar/v3/calendars/me%40uni.example/events",
                  test::FakeReply::json(200, R"({"items":[{"id":"g1","summary":"Maths","start":{"dateTime":)"
                                             R"("2025-09-15T07:00:00Z"},"end":{"dateTime":"2025-09-15T07:45:00Z"}}]})"));
    world.machine.setPermission("calendar", MachineState::Permission::granted);
    world.machine.installApp({"org.mozilla.firefox", "Firefox", std::nullopt, true, {}});
    world.machine.setDefaultHandler("http", "org.mozilla.firefox");
    build(server.baseUrl());

    std::vector<std::exception_ptr> results;
    signal->connectGoogle([&](std::exception_ptr error) { results.push_back(error); });
    ASSERT_TRUE(test::settleUntil(world.time, [&] { return !openedField(world.machine, "state").empty(); }));
    const std::string redirect = openedField(world.machine, "redirect_uri");
    const std::string prefix = "http%3A%2F%2F127.0.0.1%3A";
    ASSERT_EQ(redirect.rfind(prefix, 0), 0u) << redirect;
    test::RawBrowser browser(std::stoi(redirect.substr(prefix.size())),
                             "GET /?state=" + openedField(world.machine, "state") +
                                 "&code=code-1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(test::settleUntil(world.time, [&] { return browser.poll() && !results.empty(); }));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], nullptr);
    EXPECT_EQ(world.settings.text(settingsKeys::calendarSource), "google");
    world.time.advance(CalendarSignal::changeDelay);
    EXPECT_THAT(storedKeys(), ElementsAre("g1"));

    // Without a client id the sign-in fails at once and the source stays as it was.
    world.settings.set(settingsKeys::calendarSource, "apple");
    signal.reset();
    GoogleCalendar::Configuration unconfigured;
    signal = std::make_unique<CalendarSignal>(world.store, world.writer(), world.runtime, world.platform, keychain,
                                              world.settings, http, world.random, unconfigured, [] {});
    results.clear();
    signal->connectGoogle([&](std::exception_ptr error) { results.push_back(error); });
    world.settle();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_NE(results[0], nullptr);
    EXPECT_EQ(world.settings.text(settingsKeys::calendarSource), "apple");
    signal.reset();
    server.stop();
}

TEST(CalendarSignalConversion, EachRecordBecomesItsStoredEventOrNothing) {
    EventRecord base;
    base.identifier = "local-1";
    base.externalIdentifier = "ext-1";
    base.title = "Maths";
    base.start = 1'757'919'600.0625;
    base.end = 1'757'923'200.9;
    base.status = EventStatus::confirmed;
    base.location = "Room 4 https://meet.example/room4";
    base.notes = "Slides: https://slides.example/1";
    base.url = "https://school.example/maths";
    base.calendarTitle = "School";

    CalendarEvent stored;
    stored.key = "ext-1";
    stored.occurrence = 1'757'919'600'062;
    stored.title = "Maths";
    stored.start = 1'757'919'600'062;
    stored.end = 1'757'923'200'900;
    stored.location = "Room 4 https://meet.example/room4";
    stored.calendar = "School";
    stored.links = {"https://school.example/maths", "https://slides.example/1", "https://meet.example/room4"};

    const auto change = [&](auto edit) {
        EventRecord record = base;
        edit(record);
        return record;
    };
    const auto expect = [&](auto edit) {
        CalendarEvent event = stored;
        edit(event);
        return std::optional(event);
    };
    const auto me = [](Participation participation) { return EventAttendee{"Me", true, participation}; };
    const auto other = [](Participation participation) { return EventAttendee{"Ada", false, participation}; };

    const struct {
        const char* name;
        EventRecord record;
        std::optional<CalendarEvent> event;
    } cases[] = {
        {"as it is", base, stored},
        {"all day", change([](EventRecord& r) { r.allDay = true; }), std::nullopt},
        {"cancelled", change([](EventRecord& r) { r.status = EventStatus::cancelled; }), std::nullopt},
        {"tentative is kept", change([](EventRecord& r) { r.status = EventStatus::tentative; }), stored},
        {"declined by the user", change([&](EventRecord& r) { r.attendees = {other(Participation::accepted), me(Participation::declined)}; }),
         std::nullopt},
        {"declined by someone else", change([&](EventRecord& r) { r.attendees = {other(Participation::declined), me(Participation::accepted)}; }),
         stored},
        {"only the user's first entry counts",
         change([&](EventRecord& r) { r.attendees = {me(Participation::accepted), me(Participation::declined)}; }), stored},
        {"the user's first entry declines",
         change([&](EventRecord& r) { r.attendees = {me(Participation::declined), me(Participation::accepted)}; }),
         std::nullopt},
        {"no start", change([](EventRecord& r) { r.start.reset(); }), std::nullopt},
        {"no end", change([](EventRecord& r) { r.end.reset(); }), std::nullopt},
        {"an empty external id gives the local one", change([](EventRecord& r) { r.externalIdentifier = ""; }),
         expect([](CalendarEvent& e) { e.key = "local-1"; })},
        {"no external id", change([](EventRecord& r) { r.externalIdentifier.reset(); }),
         expect([](CalendarEvent& e) { e.key = "local-1"; })},
        {"an occurrence of its own", change([](EventRecord& r) { r.occurrence = 1'757'833'200.5; }),
         expect([](CalendarEvent& e) { e.occurrence = 1'757'833'200'500; })},
        {"recurring", change([](EventRecord& r) { r.hasRecurrenceRules = true; }),
         expect([](CalendarEvent& e) { e.recurring = true; })},
        {"a detached occurrence is recurring", change([](EventRecord& r) { r.detached = true; }),
         expect([](CalendarEvent& e) { e.recurring = true; })},
        {"no title", change([](EventRecord& r) { r.title.reset(); }), expect([](CalendarEvent& e) { e.title = ""; })},
        {"an empty location is none but its text is still read",
         change([](EventRecord& r) { r.location = ""; }), expect([](CalendarEvent& e) {
             e.location.reset();
             e.links = {"https://school.example/maths", "https://slides.example/1"};
         })},
        {"no calendar", change([](EventRecord& r) { r.calendarTitle.reset(); }),
         expect([](CalendarEvent& e) { e.calendar = ""; })},
        {"no links at all", change([](EventRecord& r) {
             r.url.reset();
             r.notes.reset();
             r.location = "Room 4";
         }),
         expect([](CalendarEvent& e) {
             e.location = "Room 4";
             e.links = {};
         })},
        {"a start with no millisecond form", change([](EventRecord& r) { r.start = 1e300; }), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CalendarSignal::calendarEvent(c.record), c.event);
    }
}

} // namespace
} // namespace ostrel
