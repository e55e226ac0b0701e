// The Google Calendar client against a fake Google on 127.0.0.1: the token store and access
// tokens, the fetch with its paging, filtering and range, failures that keep what was fetched, the
// periodic refresh, stop and disconnect.

#include "app/google/GoogleCalendar.hpp"

#include "platform/HttpClient.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/LogCapture.hpp"

#include <gtest/gtest.h>

#include <atomic>

namespace ostrel {
namespace {

using test::FakeReply;
using test::RecordedRequest;

constexpr const char* refreshToken = "1//refresh-SECRET";
constexpr const char* accessToken = "ya29.access-SECRET";
constexpr Date start = 1'796'806'096.0; // 2026-12-09T08:48:16Z

std::string event(const std::string& id, const std::string& summary, const std::string& startTime,
                  const std::string& endTime) {
    return R"({"id":")" + id + R"(","summary":")" + summary + R"(","start":{"dateTime":")" + startTime +
           R"("},"end":{"dateTime":")" + endTime + R"("}})";
}

std::string tokens(const std::string& access = accessToken, int expiresIn = 3600) {
    return R"({"access_token":")" + access + R"(","expires_in":)" + std::to_string(expiresIn) +
           R"(,"token_type":"Bearer"})";
}

class GoogleCalendarTest : public ::testing::Test {
protected:
    VirtualTime time{start};
    Executor& main = time.makeExecutor("main");
    Executor& worker = time.makeExecutor("worker");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    SecureRandom random{7};
    HttpClient http;
    test::FakeHttpServer server;
    std::unique_ptr<GoogleCalendar> calendar;
    int changes = 0;

    static constexpr const char* listPath = "/calendar/v3/users/me/calendarList";
    static constexpr const char* primaryPath = "/calendar/v3/calendars/me%40uni.example/events";

    void SetUp() override {
        machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, refreshToken});
        calendar = makeCalendar();
        calendar->setOnChange([this] { ++changes; });
    }

    void TearDown() override {
        calendar.reset();
        server.stop();
    }

    std::unique_ptr<GoogleCalendar> makeCalendar(double timeout = 5) {
        GoogleCalendar::Configuration configuration;
        configuration.endpoints = GoogleEndpoints::local(server.baseUrl());
        configuration.clientID = "client-1";
        configuration.clientSecret = "secret 1";
        configuration.requestTimeout = timeout;
        return std::make_unique<GoogleCalendar>(configuration, machine.keychain(), machine.workspace(), http, random,
                                                main, worker);
    }

    // A token endpoint that always grants, and one primary calendar with one event.
    void serveOneCalendar(const std::string& title = "Algebra") {
        server.always("POST", "/token", FakeReply::json(200, tokens()));
        server.always("GET", listPath, FakeReply::json(200, R"({"items":[{"id":"me@uni.example","primary":true}]})"));
        server.always("GET", primaryPath,
                      FakeReply::json(200, R"({"items":[)" +
                                               event("e1", title, "2026-12-10T09:00:00Z", "2026-12-10T10:30:00Z") +
                                               "]}"));
    }

    std::vector<RecordedRequest> requestsTo(const std::string& path) const {
        std::vector<RecordedRequest> found;
        for (const RecordedRequest& request : server.requests()) {
            if (request.path() == path) {
                found.push_back(request);
            }
        }
        return found;
    }

    std::optional<std::string> storedToken() const {
        for (const auto& item : machine.state().keychain) {
            if (item.service == GoogleCalendar::keychainService && item.account == GoogleCalendar::keychainAccount) {
                return item.secret;
            }
        }
        return std::nullopt;
    }

    std::vector<std::string> titles() const {
        std::vector<std::string> result;
        for (const CalendarEvent& event : calendar->fetched().value_or(std::vector<CalendarEvent>{})) {
            result.push_back(event.calendar + ": " + event.title);
        }
        return result;
    }
};

TEST_F(GoogleCalendarTest, WithoutAStoredTokenARefreshAsksNothing) {
    machine.setState(MachineState::withOwnApp());
    calendar = makeCalendar();
    calendar->refresh();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(calendar->hasToken());
    EXPECT_EQ(calendar->fetched(), std::nullopt);
}

TEST_F(GoogleCalendarTest, AFetchFollowsPagesFetchesSelectedAndPrimaryCalendarsAndEncodesIds) {
    server.always("POST", "/token", FakeReply::json(200, tokens()));
    server.enqueue("GET", listPath, FakeReply::json(200, R"({"nextPageToken":"list 2"})"));
    server.enqueue("GET", listPath,
                   FakeReply::json(200, R"({"items":[
                        {"id":"me@uni.example","summary":"Me","primary":true},
                        {"id":"hidden@uni.example","summary":"Hidden","selected":false},
                        {"id":"en.german#holiday@group.v.calendar.google.com","summary":"Holidays",
                         "summaryOverride":"Days off","selected":true},
                        {"id":"listed-only","summary":"Listed"}]})"));
    server.enqueue("GET", primaryPath,
                   FakeReply::json(200, R"({"nextPageToken":"p+2/=","items":[)" +
                                            event("a", "Algebra", "2026-12-10T09:00:00Z", "2026-12-10T10:00:00Z") +
                                            R"(,{"id":"broken","start":5},{"id":"allday","start":{"date":"2026-12-11"},
                                            "end":{"date":"2026-12-12"}}]})"));
    server.enqueue("GET", primaryPath,
                   FakeReply::json(200, R"({"items":[)" +
                                            event("b", "Biology", "2026-12-01T09:00:00Z", "2026-12-01T10:00:00Z") +
                                            "]}"));
    server.enqueue("GET", "/calendar/v3/calendars/en.german%23holiday%40group.v.calendar.google.com/events",
                   FakeReply::json(200, R"({"items":[)" +
                                            event("h", "Winter", "2026-12-24T00:00:00Z", "2026-12-24T23:00:00Z") +
                                            "]}"));
    test::LogCapture logs(true);

    calendar->refresh();

    EXPECT_EQ(titles(), (std::vector<std::string>{"Me: Algebra", "Me: Biology", "Days off: Winter"}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(server.unusedReplies(), 0u);

    const auto lists = requestsTo(listPath);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].query(), "minAccessRole=reader");
    EXPECT_EQ(lists[1].query(), "minAccessRole=reader&pageToken=list%202");
    const std::string window =
        "singleEvents=true&timeMin=2026-11-11T08%3A48%3A16Z&timeMax=2027-01-06T08%3A48%3A16Z&maxResults=2500";
    const auto primary = requestsTo(primaryPath);
    ASSERT_EQ(primary.size(), 2u);
    EXPECT_EQ(primary[0].query(), window);
    EXPECT_EQ(primary[1].query(), window + "&pageToken=p%2B2%2F%3D");
    for (const RecordedRequest& request : server.requests()) {
        if (request.method == "GET") {
            EXPECT_EQ(request.header("Authorization"), std::string("Bearer ") + accessToken);
        }
    }

    const auto grants = requestsTo("/token");
    ASSERT_EQ(grants.size(), 1u);
    EXPECT_EQ(grants[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(grants[0].body,
              "refresh_token=1%2F%2Frefresh-SECRET&grant_type=refresh_token&client_id=client-1&client_secret=secret%201");

    bool skippedLogged = false;
    for (const LogEntry& entry : logs.entries()) {
        skippedLogged = skippedLogged || entry.message == "Skipped 1 Google Calendar events that couldn't be read";
    }
    EXPECT_TRUE(skippedLogged);
}

TEST_F(GoogleCalendarTest, TheSameEventsAgainChangeNothingAndNewOnesNotify) {
    serveOneCalendar();
    calendar->refresh();
    calendar->refresh();
    EXPECT_EQ(changes, 1);

    server.always("GET", primaryPath, FakeReply::json(200, R"({"items":[]})"));
    calendar->refresh();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(calendar->fetched(), std::vector<CalendarEvent>{});
}

TEST_F(GoogleCalendarTest, AnAccessTokenIsReusedUntilSixtySecondsBeforeItsExpiry) {
    serveOneCalendar();
    calendar->refresh();
    ASSERT_EQ(requestsTo("/token").size(), 1u);

    time.advance(3539);
    calendar->refresh();
    EXPECT_EQ(requestsTo("/token").size(), 1u) << "3,539 s after receipt the token is still good";

    time.advance(1);
    calendar->refresh();
    EXPECT_EQ(requestsTo("/token").size(), 2u) << "at 3,540 s it is refreshed";
}

TEST_F(GoogleCalendarTest, AnApiRefusalDropsTheAccessTokenAndTheNextFetchGetsOneNew) {
    serveOneCalendar();
    calendar->refresh();
    const auto before = calendar->fetched();
    ASSERT_TRUE(before.has_value());

    server.enqueue("GET", listPath, FakeReply::json(401, R"({"error":{"code":401}})"));
    calendar->refresh();
    EXPECT_EQ(calendar->fetched(), before);
    EXPECT_EQ(requestsTo("/token").size(), 1u) << "the refused request is not retried";

    calendar->refresh();
    EXPECT_EQ(requestsTo("/token").size(), 2u);
    EXPECT_EQ(requestsTo(listPath).size(), 3u);
    EXPECT_EQ(calendar->fetched(), before);
    EXPECT_TRUE(calendar->hasToken());
}

TEST_F(GoogleCalendarTest, ARefusedRefreshDeletesTheTokenOnlyForAnInvalidGrant) {
    struct Case {
        int status;
        std::string body;
        bool deletes;
    };
    const std::vector<Case> cases = {
        {400, R"({"error":"invalid_grant","error_description":"Token has been expired or revoked."})", true},
        {401, R"({"error":"invalid_grant"})", true},
        {400, R"({"error":"invalid_client"})", false},
        {401, R"({"error":"unauthorized_client"})", false},
        {400, "<html>bad request</html>", false},
        {500, R"({"error":"invalid_grant"})", false},
        {403, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.body);
        machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, refreshToken});
        calendar = makeCalendar();
        server.enqueue("POST", "/token", FakeReply::json(c.status, c.body));
        const auto listsBefore = requestsTo(listPath).size();

        calendar->refresh();

        EXPECT_EQ(requestsTo(listPath).size(), listsBefore) << "no API request without an access token";
        EXPECT_EQ(calendar->hasToken(), !c.deletes);
        EXPECT_EQ(storedToken().has_value(), !c.deletes);
        EXPECT_EQ(calendar->fetched(), std::nullopt);
    }
}

TEST_F(GoogleCalendarTest, FailedFetchesKeepTheEventsAndTheTokenAndSayWhatWentWrong) {
    struct Case {
        std::string name;
        FakeReply reply;
        std::string logged; // the start of the error's text
    };
    const std::vector<Case> cases = {
        {"403", FakeReply::json(403, R"({"error":{"code":403}})"), "Google answered 403."},
        {"429", FakeReply::json(429, "{}"), "Google answered 429."},
        {"500", FakeReply::text(500, "oops"), "Google answered 500."},
        {"503", FakeReply::text(503, ""), "Google answered 503."},
        {"not HTTP", FakeReply::raw("SSH-2.0-OpenSSH_9.2\r\n"), "Google answered 0."},
        {"broken JSON", FakeReply::json(200, R"({"items":[{"id":"a")"), "not valid JSON"},
        {"wrong type", FakeReply::json(200, R"({"items":[],"nextPageToken":7})"), ""},
        {"hang-up", FakeReply::hangUp(), ""},
        {"stall", FakeReply::stall(), ""},
    };
    calendar = makeCalendar(1);
    calendar->setOnChange([this] { ++changes; });
    serveOneCalendar();
    calendar->refresh();
    const auto before = calendar->fetched();
    ASSERT_TRUE(before && before->size() == 1u);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture logs(true);
        server.enqueue("GET", primaryPath, c.reply);

        calendar->refresh();

        EXPECT_EQ(calendar->fetched(), before);
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(storedToken(), refreshToken);
        EXPECT_TRUE(calendar->hasToken());
        std::vector<std::string> errors;
        for (const LogEntry& entry : logs.entries()) {
            if (entry.level == LogLevel::error) {
                errors.push_back(entry.message);
            }
        }
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind("Couldn't read Google Calendar: " + c.logged, 0), 0u) << errors[0];
        EXPECT_GT(errors[0].size(), std::string("Couldn't read Google Calendar: ").size());
    }

    // The next try, with Google well again, goes through.
    server.always("GET", primaryPath,
                  FakeReply::json(200, R"({"items":[)" +
                                           event("e2", "Chemistry", "2026-12-11T09:00:00Z", "2026-12-11T10:00:00Z") +
                                           "]}"));
    calendar->refresh();
    EXPECT_EQ(titles(), std::vector<std::string>{": Chemistry"});
    EXPECT_EQ(changes, 2);
}

TEST_F(GoogleCalendarTest, PagingThatNeverEndsFailsTheFetch) {
    serveOneCalendar();
    calendar->refresh();
    const auto before = calendar->fetched();

    // A page token seen before: the server goes round in circles.
    server.enqueue("GET", primaryPath, FakeReply::json(200, R"({"items":[],"nextPageToken":"a"})"));
    server.enqueue("GET", primaryPath, FakeReply::json(200, R"({"items":[],"nextPageToken":"b"})"));
    server.enqueue("GET", primaryPath, FakeReply::json(200, R"({"items":[],"nextPageToken":"a"})"));
    calendar->refresh();
    EXPECT_EQ(server.unusedReplies(), 0u);
    EXPECT_EQ(calendar->fetched(), before);

    // Fifty pages are read; a fifty-first is not asked for.
    const auto asked = requestsTo(primaryPath).size();
    for (int page = 1; page <= 50; ++page) {
        server.enqueue("GET", primaryPath,
                       FakeReply::json(200, R"({"items":[],"nextPageToken":"t)" + std::to_string(page) + R"("})"));
    }
    calendar->refresh();
    EXPECT_EQ(requestsTo(primaryPath).size(), asked + 50);
    EXPECT_EQ(calendar->fetched(), before);

    // Forty-nine pages and an end are fine.
    for (int page = 1; page <= 49; ++page) {
        server.enqueue("GET", primaryPath,
                       FakeReply::json(200, R"({"items":[],"nextPageToken":"u)" + std::to_string(page) + R"("})"));
    }
    server.enqueue("GET", primaryPath, FakeReply::json(200, R"({"items":[]})"));
    calendar->refresh();
    EXPECT_EQ(calendar->fetched(), std::vector<CalendarEvent>{});
}

TEST_F(GoogleCalendarTest, AFetchUnderWayWhenStoppedOrDisconnectedKeepsNothing) {
    for (const bool disconnect : {false, true}) {
        SCOPED_TRACE(disconnect ? "disconnect" : "stop");
        machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, refreshToken});
        calendar = makeCalendar();
        int notified = 0;
        calendar->setOnChange([&] { ++notified; });
        server.always("POST", "/token", FakeReply::json(200, tokens()));
        server.always("GET", listPath, FakeReply::json(200, R"({"items":[{"id":"me@uni.example","primary":true}]})"));
        server.route("GET", primaryPath, [&](const RecordedRequest&) {
            if (disconnect) {
                calendar->disconnect();
            } else {
                calendar->stop();
            }
            return FakeReply::json(200, R"({"items":[)" +
                                            event("e1", "Algebra", "2026-12-10T09:00:00Z", "2026-12-10T10:00:00Z") +
                                            "]}");
        });

        calendar->refresh();

        EXPECT_EQ(calendar->fetched(), std::nullopt);
        EXPECT_EQ(notified, disconnect ? 1 : 0) << "only the disconnect itself notifies";
    }
}

TEST_F(GoogleCalendarTest, StartFetchesAtOnceThenEveryFifteenMinutesUntilStopped) {
    serveOneCalendar();
    calendar->start();
    calendar->start();
    time.settle();
    EXPECT_EQ(requestsTo(listPath).size(), 1u);
    EXPECT_EQ(changes, 1);

    time.advance(899);
    EXPECT_EQ(requestsTo(listPath).size(), 1u);
    time.advance(1);
    EXPECT_EQ(requestsTo(listPath).size(), 2u);
    time.advance(900);
    EXPECT_EQ(requestsTo(listPath).size(), 3u) << "one timer, however often started";

    calendar->stop();
    EXPECT_EQ(calendar->fetched(), std::nullopt);
    time.advance(900);
    EXPECT_EQ(requestsTo(listPath).size(), 3u);
    EXPECT_TRUE(calendar->hasToken()) << "stopping keeps the sign-in";

    calendar->start();
    time.settle();
    EXPECT_EQ(requestsTo(listPath).size(), 4u);
    EXPECT_EQ(requestsTo("/token").size(), 1u) << "the access token outlives a stop";
}

TEST_F(GoogleCalendarTest, DisconnectForgetsEverythingAndRevokesTheTokenInTheBackground) {
    serveOneCalendar();
    server.always("POST", "/revoke", FakeReply::json(200, "{}"));
    calendar->start();
    time.settle();
    ASSERT_TRUE(calendar->fetched().has_value());

    calendar->disconnect();
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(calendar->hasToken());
    EXPECT_EQ(calendar->fetched(), std::nullopt);
    EXPECT_EQ(storedToken(), std::nullopt);
    time.settle();
    const auto revokes = requestsTo("/revoke");
    ASSERT_EQ(revokes.size(), 1u);
    EXPECT_EQ(revokes[0].body, "token=1%2F%2Frefresh-SECRET");
    EXPECT_EQ(revokes[0].header("Content-Type"), "application/x-www-form-urlencoded");

    time.advance(1800);
    EXPECT_EQ(requestsTo(listPath).size(), 1u) << "the timer went with the sign-in";

    // Without a token there is nothing to revoke.
    calendar->disconnect();
    time.settle();
    EXPECT_EQ(requestsTo("/revoke").size(), 1u);
    EXPECT_EQ(changes, 3);
}

TEST_F(GoogleCalendarTest, ARefusedRevokeOrAFailedDeleteStillForgetsLocally) {
    server.always("POST", "/revoke", FakeReply::hangUp());
    machine.failCalls("keychainRemove", 1);
    calendar->disconnect();
    time.settle();
    EXPECT_FALSE(calendar->hasToken());
    EXPECT_EQ(requestsTo("/revoke").size(), 1u);
}

TEST_F(GoogleCalendarTest, NoTokenAppearsInAnyLogEntry) {
    test::LogCapture logs(true);
    serveOneCalendar();
    calendar->refresh();
    server.enqueue("GET", listPath, FakeReply::json(200, std::string(R"({"items":)") + accessToken));
    calendar->refresh();
    server.enqueue("POST", "/token", FakeReply::json(200, std::string(R"({"access_token":")") + accessToken));
    time.advance(4000);
    calendar->refresh();
    server.enqueue("POST", "/token", FakeReply::json(400, std::string(R"({"error":"invalid_grant","x":")") +
                                                              refreshToken + "\"}"));
    calendar->refresh();

    ASSERT_FALSE(logs.entries().empty());
    for (const LogEntry& entry : logs.entries()) {
        EXPECT_EQ(entry.message.find("SECRET"), std::string::npos) << entry.message;
        for (const std::string& argument : entry.arguments) {
            EXPECT_EQ(argument.find("SECRET"), std::string::npos) << argument;
        }
    }
}

TEST(GoogleFailureTest, TextsAreTheOnesTheUserSees) {
    using Kind = GoogleFailure::Kind;
    EXPECT_STREQ(GoogleFailure::http(503).what(), "Google answered 503.");
    EXPECT_STREQ(GoogleFailure::http(0).what(), "Google answered 0.");
    EXPECT_EQ(GoogleFailure::http(429).status(), 429);
    EXPECT_EQ(GoogleFailure::http(429).kind(), Kind::http);
    EXPECT_STREQ(GoogleFailure::of(Kind::notConfigured).what(), "This copy of Ostrel can't connect to Google yet.");
    EXPECT_STREQ(GoogleFailure::of(Kind::cancelled).what(), "Google sign-in didn't finish.");
    EXPECT_STREQ(GoogleFailure::of(Kind::noToken).what(), "Google Calendar isn't connected.");
    EXPECT_STREQ(GoogleFailure::of(Kind::malformed).what(), "Google's answer didn't make sense.");
    EXPECT_STREQ(GoogleFailure::of(Kind::notSaved).what(), "Couldn't save the Google sign-in.");
    EXPECT_EQ(GoogleFailure::of(Kind::notSaved).kind(), Kind::notSaved);
}

} // namespace
} // namespace ostrel
