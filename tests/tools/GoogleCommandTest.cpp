// `ostrel-dev google` against a fake Google: the sign-in with a browser played over a raw socket,
// fetch, status and disconnect, as JSON lines that never carry a token.

#include "core/foundation/Json.hpp"
#include "core/foundation/Url.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/RawBrowser.hpp"
#include "support/RunProgram.hpp"
#include "support/StartedProgram.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace ostrel {
namespace {

using test::FakeReply;

constexpr const char* listPath = "/calendar/v3/users/me/calendarList";
constexpr const char* eventsPath = "/calendar/v3/calendars/me%40uni.example/events";

class GoogleCommandTest : public ::testing::Test {
protected:
    test::FakeHttpServer server;

    void SetUp() override {
        server.always("GET", listPath, FakeReply::json(200, R"({"items":[{"id":"me@uni.example","primary":true,
                                                                "summary":"Me"}]})"));
        server.always("GET", eventsPath,
                      FakeReply::json(200, R"({"items":[{"id":"e1","summary":"Algebra",
                          "start":{"dateTime":"2026-12-10T09:00:00Z"},"end":{"dateTime":"2026-12-10T10:30:00Z"}}]})"));
        server.always("POST", "/revoke", FakeReply::json(200, "{}"));
    }

    void TearDown() override { server.stop(); }

    static void expectNoSecret(const std::string& text) {
        EXPECT_EQ(text.find("SECRET"), std::string::npos) << text;
    }
};

std::string queryItem(const std::string& url, const std::string& name) {
    const auto parsed = Url::parse(url);
    if (!parsed || !parsed->query()) {
        return "";
    }
    std::string_view query = *parsed->query();
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&'), query.size());
        const std::string_view item = query.substr(0, end);
        query.remove_prefix(std::min(end + 1, query.size()));
        if (item.substr(0, name.size() + 1) == name + "=") {
            return percentDecode(item.substr(name.size() + 1));
        }
    }
    return "";
}

TEST_F(GoogleCommandTest, SignsInFetchesAndDisconnectsWithoutShowingATokenAnywhere) {
    server.always("POST", "/token", FakeReply::json(200, R"({"access_token":"ya29.SECRET-access","expires_in":3600,
                                                            "refresh_token":"1//SECRET-refresh"})"));
    test::StartedProgram tool(OSTREL_DEV_PATH, {"google", "--base", server.baseUrl(), "--client-id", "client-1",
                                                "--wait", "20", "status", "connect", "fetch", "status", "disconnect",
                                                "status"});
    EXPECT_EQ(tool.readLine(), R"({"accessTokenValid":false,"hasToken":false})");
    const auto open = tool.readLine();
    ASSERT_TRUE(open.has_value());
    const json::Value opened = json::parse(*open);
    const std::string url = opened.at("open").get<std::string>();
    EXPECT_EQ(url.rfind(server.baseUrl() + "/o/oauth2/v2/auth?client_id=client-1&", 0), 0u) << url;
    const std::string redirect = queryItem(url, "redirect_uri");
    ASSERT_EQ(redirect.rfind("http://127.0.0.1:", 0), 0u) << url;
    const int port = std::stoi(redirect.substr(17));

    {
        test::RawBrowser icon(port, "GET /favicon.ico HTTP/1.1\r\n\r\n");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!icon.poll() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(icon.received().rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << icon.received();
    }
    test::RawBrowser browser(port, "GET /?state=" + queryItem(url, "state") + "&code=c1 HTTP/1.1\r\n\r\n");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!browser.poll() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NE(browser.received().find("You\u2019re connected."), std::string::npos) << browser.received();

    const auto result = tool.finish();
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string rest = result.out;
    EXPECT_EQ(rest.substr(0, rest.find('\n')), R"({"connected":true})");
    std::vector<json::Value> lines;
    for (std::size_t at = rest.find('\n') + 1; at < rest.size();) {
        const std::size_t end = rest.find('\n', at);
        lines.push_back(json::parse(rest.substr(at, end - at)));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 5u) << rest;
    EXPECT_EQ(lines[0].at("title"), "Algebra");
    EXPECT_EQ(lines[0].at("calendar"), "Me");
    EXPECT_EQ(json::encode(lines[1]), R"({"fetched":1})");
    EXPECT_EQ(json::encode(lines[2]), R"({"accessTokenValid":true,"hasToken":true})");
    EXPECT_EQ(json::encode(lines[3]), R"({"revoked":true})");
    EXPECT_EQ(json::encode(lines[4]), R"({"accessTokenValid":false,"hasToken":false})");

    bool revoked = false;
    for (const auto& request : server.requests()) {
        revoked = revoked || (request.path() == "/revoke" && request.body == "token=1%2F%2FSECRET-refresh");
    }
    EXPECT_TRUE(revoked) << "the revoke went out before the tool ended";
    expectNoSecret(*open);
    expectNoSecret(result.out);
    expectNoSecret(result.err);
}

TEST_F(GoogleCommandTest, FetchWithASeededTokenReportsEventsOrTheFailure) {
    server.always("POST", "/token", FakeReply::json(200, R"({"access_token":"ya29.SECRET-a","expires_in":3600})"));
    auto result = test::runProgram(OSTREL_DEV_PATH,
                                   {"google", "--base", server.baseUrl(), "--client-id", "c", "--token", "1//SECRET-t",
                                    "fetch", "status"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"title\":\"Algebra\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("{\"fetched\":1}\n{\"accessTokenValid\":true,\"hasToken\":true}\n"), std::string::npos)
        << result.out;

    server.enqueue("GET", eventsPath, FakeReply::json(503, "{}"));
    result = test::runProgram(OSTREL_DEV_PATH, {"google", "--base", server.baseUrl(), "--client-id", "c", "--token",
                                                "1//SECRET-t", "fetch", "fetch"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')), R"({"error":"Google answered 503."})");
    EXPECT_NE(result.out.find("{\"fetched\":1}"), std::string::npos) << "the next fetch goes through";
    expectNoSecret(result.out);
    expectNoSecret(result.err);
}

TEST_F(GoogleCommandTest, StepsWithoutASignInOrConfigurationSaySo) {
    const auto result = test::runProgram(OSTREL_DEV_PATH,
                                         {"google", "--base", server.baseUrl(), "connect", "fetch", "disconnect"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "{\"error\":\"This copy of Ostrel can't connect to Google yet.\"}\n"
                          "{\"error\":\"Google Calendar isn't connected.\"}\n"
                          "{\"revoked\":false}\n");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(GoogleCommandTest, ASignInNobodyFinishesEndsAfterTheWait) {
    const auto result = test::runProgram(OSTREL_DEV_PATH, {"google", "--base", server.baseUrl(), "--client-id", "c",
                                                           "--wait", "1", "connect", "status"});
    EXPECT_EQ(result.status, 1);
    const std::size_t first = result.out.find('\n');
    ASSERT_NE(first, std::string::npos) << result.out;
    EXPECT_EQ(result.out.rfind("{\"open\":\"" + server.baseUrl() + "/o/oauth2/v2/auth?", 0), 0u) << result.out;
    EXPECT_EQ(result.out.substr(first + 1), "{\"error\":\"Google sign-in didn't finish.\"}\n"
                                            "{\"accessTokenValid\":false,\"hasToken\":false}\n");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(GoogleCommandTest, MistakesInTheArgumentsAreRefused) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"google", "status"}, {"google", "--base", server.baseUrl()},
          {"google", "--base", server.baseUrl(), "sync"}, {"google", "--base", server.baseUrl(), "--wait", "0", "status"}}) {
        const auto result = test::runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_NE(result.status, 0) << arguments.back();
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find("ostrel-dev google"), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace ostrel
