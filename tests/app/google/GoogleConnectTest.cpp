// The browser sign-in end to end: the client's loopback listener, a browser played over a raw
// socket, and a fake Google token endpoint that checks the PKCE verifier against the challenge.

#include "app/google/GoogleCalendar.hpp"

#include "app/google/GoogleSignIn.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Url.hpp"
#include "platform/HttpClient.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/LogCapture.hpp"
#include "support/RawBrowser.hpp"
#include "support/SettleUntil.hpp"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace ostrel {
namespace {

using test::FakeReply;
using test::RecordedRequest;
using Kind = GoogleFailure::Kind;

constexpr const char* newRefreshToken = "1//new-refresh-SECRET";
constexpr const char* newAccessToken = "ya29.new-access-SECRET";
constexpr const char* oldRefreshToken = "1//old-refresh-SECRET";

std::map<std::string, std::string> fields(std::string_view text) {
    std::map<std::string, std::string> result;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('&'), text.size());
        const std::string_view item = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t equals = item.find('=');
        result.emplace(percentDecode(item.substr(0, equals)),
                       equals == std::string_view::npos ? "" : percentDecode(item.substr(equals + 1)));
    }
    return result;
}

// What connect() reported, once it did.
struct Outcome {
    bool reported = false;
    std::exception_ptr error;
    int reports = 0;

    std::optional<Kind> kind() const {
        try {
            if (error) {
                std::rethrow_exception(error);
            }
        } catch (const GoogleFailure& failure) {
            return failure.kind();
        } catch (...) {
        }
        return std::nullopt;
    }
    std::string text() const {
        try {
            if (error) {
                std::rethrow_exception(error);
            }
        } catch (const std::exception& failure) {
            return failure.what();
        }
        return "";
    }
};

class GoogleConnectTest : public ::testing::Test {
protected:
    VirtualTime time{1'796'806'096.0};
    Executor& main = time.makeExecutor("main");
    Executor& worker = time.makeExecutor("worker");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    SecureRandom random;
    HttpClient http;
    test::FakeHttpServer server;
    std::unique_ptr<GoogleCalendar> calendar;
    std::string tokenReply = std::string(R"({"access_token":")") + newAccessToken +
                             R"(","expires_in":3600,"refresh_token":")" + newRefreshToken + R"("})";
    int tokenStatus = 200;

    void SetUp() override {
        machine.installApp({"org.mozilla.firefox", "Firefox", std::nullopt, true, {}});
        machine.setDefaultHandler("http", "org.mozilla.firefox");
        machine.setDefaultHandler("https", "org.mozilla.firefox");
        calendar = makeCalendar("client-1");
        // The fake token endpoint grants "code-1" only with the verifier of the challenge it was
        // shown in the authorisation URL, and for the same redirect URI.
        server.route("POST", "/token", [this](const RecordedRequest& request) {
            const auto form = fields(request.body);
            const auto opened = authorization();
            const bool valid = form.count("code_verifier") == 1 && opened.count("code_challenge") == 1 &&
                               GoogleSignIn::challenge(form.at("code_verifier")) == opened.at("code_challenge") &&
                               form.at("code") == "code-1" && form.at("redirect_uri") == opened.at("redirect_uri");
            if (!valid) {
                return FakeReply::json(400, R"({"error":"invalid_grant"})");
            }
            return FakeReply::json(tokenStatus, tokenReply);
        });
    }

    void TearDown() override {
        calendar.reset();
        server.stop();
    }

    std::unique_ptr<GoogleCalendar> makeCalendar(const std::string& clientID) {
        GoogleCalendar::Configuration configuration;
        configuration.endpoints = GoogleEndpoints::local(server.baseUrl());
        configuration.clientID = clientID;
        configuration.clientSecret = "";
        configuration.requestTimeout = 5;
        return std::make_unique<GoogleCalendar>(configuration, machine.keychain(), machine.workspace(), http, random,
                                                main, worker);
    }

    std::shared_ptr<Outcome> connect() {
        auto outcome = std::make_shared<Outcome>();
        calendar->connect([outcome](std::exception_ptr error) {
            outcome->reported = true;
            outcome->error = error;
            ++outcome->reports;
        });
        return outcome;
    }

    std::size_t opened() const { return machine.state().openedURLs.size(); }

    // The query of the last authorisation URL opened.
    std::map<std::string, std::string> authorization() const {
        const auto urls = machine.state().openedURLs;
        if (urls.empty()) {
            return {};
        }
        const auto url = Url::parse(urls.back().url);
        return url && url->query() ? fields(*url->query()) : std::map<std::string, std::string>{};
    }

    int port() const {
        const std::string redirect = authorization()["redirect_uri"];
        const std::string prefix = "http://127.0.0.1:";
        return redirect.rfind(prefix, 0) == 0 ? std::stoi(redirect.substr(prefix.size())) : 0;
    }

    // Sends one request as the browser and waits for the whole answer.
    std::string browse(const std::string& target) {
        test::RawBrowser browser(port(), "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n");
        EXPECT_TRUE(test::settleUntil(time, [&] { return browser.poll(); }));
        return browser.received();
    }

    std::string redirect(const std::string& query) { return browse("/?" + query); }

    std::string state() { return authorization()["state"]; }

    std::string page(bool connected) {
        return GoogleSignIn::response("200 OK", GoogleSignIn::page(connected, time.clock().now(), {}));
    }

    std::optional<std::string> storedToken() const {
        for (const auto& item : machine.state().keychain) {
            if (item.service == GoogleCalendar::keychainService && item.account == GoogleCalendar::keychainAccount) {
                return item.secret;
            }
        }
        return std::nullopt;
    }

    std::size_t tokenRequests() const {
        std::size_t count = 0;
        for (const auto& request : server.requests()) {
            count += request.path() == "/token" ? 1 : 0;
        }
        return count;
    }
};

TEST_F(GoogleConnectTest, TheWholeSignInStoresTheTokenAndAnswersTheBrowser) {
    test::LogCapture logs(true);
    const auto outcome = connect();
    ASSERT_TRUE(test::settleUntil(time, [&] { return opened() == 1; }));

    const std::string url = machine.state().openedURLs[0].url;
    EXPECT_EQ(url.rfind(server.baseUrl() + "/o/oauth2/v2/auth?client_id=client-1&redirect_uri=http%3A%2F%2F127.0.0.1%3A", 0),
              0u)
        << url;
    auto items = authorization();
    EXPECT_EQ(items["response_type"], "code");
    EXPECT_EQ(items["scope"], server.baseUrl() + "/auth/calendar.readonly");
    EXPECT_EQ(items["code_challenge_method"], "S256");
    EXPECT_EQ(items["access_type"], "offline");
    EXPECT_EQ(items["prompt"], "consent");
    EXPECT_EQ(items["state"].size(), 43u);
    EXPECT_EQ(items["code_challenge"].size(), 43u);
    EXPECT_EQ(items["redirect_uri"], "http://127.0.0.1:" + std::to_string(port()));
    ASSERT_GT(port(), 0);

    // The browser asks for its icon first: no query, so 404 and the wait goes on.
    EXPECT_EQ(browse("/favicon.ico"), GoogleSignIn::response("404 Not Found", ""));
    EXPECT_EQ(browse("/favicon.ico"),
              "HTTP/1.1 404 Not Found\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: 0\r\n"
              "Cache-Control: no-store\r\nConnection: close\r\n\r\n");
    time.settle();
    EXPECT_FALSE(outcome->reported);

    EXPECT_EQ(redirect("state=" + state() + "&code=code-1&scope=" + percentDecode(items["scope"])), page(true));
    ASSERT_TRUE(test::settleUntil(time, [&] { return outcome->reported; }));
    EXPECT_EQ(outcome->error, nullptr) << outcome->text();

    EXPECT_EQ(storedToken(), newRefreshToken);
    EXPECT_TRUE(calendar->hasToken());
    const auto grant = server.requests().front();
    const auto form = fields(grant.body);
    EXPECT_EQ(form.at("grant_type"), "authorization_code");
    EXPECT_EQ(form.at("client_id"), "client-1");
    EXPECT_EQ(form.at("client_secret"), "") << "an empty secret is sent as it is";
    EXPECT_EQ(form.at("code_verifier").size(), 43u);

    // The access token of the exchange is used at once.
    server.always("GET", "/calendar/v3/users/me/calendarList", FakeReply::json(200, "{}"));
    calendar->refresh();
    EXPECT_EQ(tokenRequests(), 1u);
    EXPECT_EQ(server.requests().back().header("Authorization"), std::string("Bearer ") + newAccessToken);
    EXPECT_EQ(calendar->fetched(), std::vector<CalendarEvent>{});

    for (const LogEntry& entry : logs.entries()) {
        EXPECT_EQ(entry.message.find("SECRET"), std::string::npos) << entry.message;
    }
    EXPECT_EQ(outcome->reports, 1);
}

TEST_F(GoogleConnectTest, BadRedirectsGetTheFailurePageAndCancelTheSignIn) {
    struct Case {
        std::string name;
        std::function<std::string(const std::string& state)> query;
    };
    const std::vector<Case> cases = {
        {"wrong state", [](const std::string&) { return "state=someone-else&code=code-1"; }},
        {"no state", [](const std::string&) { return "code=code-1"; }},
        {"declined", [](const std::string& s) { return "error=access_denied&state=" + s; }},
        {"empty code", [](const std::string& s) { return "state=" + s + "&code="; }},
        {"state later", [](const std::string& s) { return "state=x&code=code-1&state=" + s; }},
    };
    machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, oldRefreshToken});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto outcome = connect();
        const std::size_t before = opened();
        ASSERT_TRUE(test::settleUntil(time, [&] { return opened() == before + 1; }));

        EXPECT_EQ(redirect(c.query(state())), page(false));
        ASSERT_TRUE(test::settleUntil(time, [&] { return outcome->reported; }));
        EXPECT_EQ(outcome->kind(), Kind::cancelled);
        EXPECT_EQ(outcome->text(), "Google sign-in didn't finish.");
    }
    EXPECT_EQ(tokenRequests(), 0u);
    EXPECT_EQ(storedToken(), oldRefreshToken);
}

TEST_F(GoogleConnectTest, AFailedExchangeShowsTheFailurePageAndStoresNothing) {
    struct Case {
        std::string name;
        int status;
        std::string reply;
        int failWrites;
        std::optional<Kind> kind;
        std::string text;
    };
    const std::string withoutRefresh = R"({"access_token":"ya29.x-SECRET","expires_in":3600})";
    const std::vector<Case> cases = {
        {"refused", 400, R"({"error":"invalid_grant"})", 0, Kind::http, "Google answered 400."},
        {"server error", 500, "oops", 0, Kind::http, "Google answered 500."},
        {"no refresh token", 200, withoutRefresh, 0, Kind::malformed, "Google's answer didn't make sense."},
        {"broken JSON", 200, R"({"access_token":"ya29.x-SECRET","expi)", 0, std::nullopt,
         "the token reply is not valid JSON"},
        {"keychain fails", 200, tokenReply, 1, Kind::notSaved, "Couldn't save the Google sign-in."},
    };
    machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, oldRefreshToken});
    calendar = makeCalendar("client-1");
    ASSERT_TRUE(calendar->hasToken());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tokenStatus = c.status;
        tokenReply = c.reply;
        machine.failCalls("keychainWrite", c.failWrites == 0 ? 0 : c.failWrites);
        if (c.failWrites == 0) {
            machine.stopFailing("keychainWrite");
        }
        const auto outcome = connect();
        const std::size_t before = opened();
        ASSERT_TRUE(test::settleUntil(time, [&] { return opened() == before + 1; }));

        EXPECT_EQ(redirect("state=" + state() + "&code=code-1"), page(false));
        ASSERT_TRUE(test::settleUntil(time, [&] { return outcome->reported; }));
        EXPECT_EQ(outcome->kind(), c.kind);
        EXPECT_EQ(outcome->text(), c.text);
        EXPECT_EQ(storedToken(), oldRefreshToken) << "the earlier sign-in stays";
        EXPECT_TRUE(calendar->hasToken());
    }
}

TEST_F(GoogleConnectTest, WithoutAClientIdNothingOpens) {
    calendar = makeCalendar("");
    const auto outcome = connect();
    time.settle();
    ASSERT_TRUE(outcome->reported);
    EXPECT_EQ(outcome->kind(), Kind::notConfigured);
    EXPECT_EQ(outcome->text(), "This copy of Ostrel can't connect to Google yet.");
    EXPECT_EQ(opened(), 0u);
}

TEST_F(GoogleConnectTest, ASignInWithoutARedirectEndsAfterFiveMinutes) {
    const auto outcome = connect();
    ASSERT_TRUE(test::settleUntil(time, [&] { return opened() == 1; }));
    const int listening = port();

    time.advance(299);
    EXPECT_FALSE(outcome->reported);
    time.advance(1);
    ASSERT_TRUE(test::settleUntil(time, [&] { return outcome->reported; }));
    EXPECT_EQ(outcome->kind(), Kind::cancelled);

    // A redirect after the end changes nothing.
    try {
        test::RawBrowser late(listening, "GET /?state=" + state() + "&code=code-1 HTTP/1.1\r\n\r\n");
        test::settleUntil(time, [&] { return late.poll(); }, std::chrono::milliseconds(500));
    } catch (const std::system_error&) {
        // refused: the listener is gone
    }
    time.settle();
    EXPECT_EQ(outcome->reports, 1);
    EXPECT_EQ(tokenRequests(), 0u);
    EXPECT_EQ(storedToken(), std::nullopt);
}

TEST_F(GoogleConnectTest, ANewerSignInCancelsTheOlderOne) {
    const auto older = connect();
    ASSERT_TRUE(test::settleUntil(time, [&] { return opened() == 1; }));
    const auto newer = connect();
    ASSERT_TRUE(test::settleUntil(time, [&] { return opened() == 2 && older->reported; }));
    EXPECT_EQ(older->kind(), Kind::cancelled);
    EXPECT_FALSE(newer->reported);

    EXPECT_EQ(redirect("state=" + state() + "&code=code-1"), page(true));
    ASSERT_TRUE(test::settleUntil(time, [&] { return newer->reported; }));
    EXPECT_EQ(newer->error, nullptr) << newer->text();
    EXPECT_EQ(older->reports, 1);
    EXPECT_EQ(storedToken(), newRefreshToken);
}

} // namespace
} // namespace ostrel
