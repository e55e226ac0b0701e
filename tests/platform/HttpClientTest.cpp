#include "platform/HttpClient.hpp"

#include "support/FakeHttpServer.hpp"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::FakeHttpServer;
using test::FakeReply;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Optional;

class HttpClientTest : public ::testing::Test {
protected:
    FakeHttpServer server;
    HttpClient client;

    HttpRequest get(const std::string& target, double timeout = 10) const {
        HttpRequest request;
        request.url = server.baseUrl() + target;
        request.timeout = timeout;
        return request;
    }

    // The HttpError text of request, or a failure when it did not throw one.
    std::string errorOf(const HttpRequest& request, const HttpClient& with) const {
        try {
            const HttpResponse response = with.send(request);
            ADD_FAILURE() << "answered with status " << response.status;
        } catch (const HttpError& error) {
            return error.what();
        }
        return {};
    }
};

TEST_F(HttpClientTest, GetArrivesAsSentAndReturnsTheAnswer) {
    server.enqueue("GET", "/calendar/v3/users/me/calendarList", FakeReply::json(200, R"({"items":[]})"));
    HttpRequest request = get("/calendar/v3/users/me/calendarList?maxResults=250&pageToken=a%40b");
    request.headers = {{"Authorization", "Bearer secret-token"}, {"Accept", "application/json"}};

    const HttpResponse response = client.send(request);

    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, R"({"items":[]})");
    ASSERT_EQ(server.requests().size(), 1u);
    const auto seen = server.requests().front();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.target, "/calendar/v3/users/me/calendarList?maxResults=250&pageToken=a%40b");
    EXPECT_THAT(seen.header("authorization"), Optional(std::string("Bearer secret-token")));
    EXPECT_THAT(seen.header("Accept"), Optional(std::string("application/json")));
    EXPECT_EQ(seen.header("Expect"), std::nullopt);
    EXPECT_EQ(seen.body, "");
}

TEST_F(HttpClientTest, PostSendsBodyAndHeadersWhole) {
    server.enqueue("POST", "/token", FakeReply::json(200, R"({"access_token":"a"})"));
    HttpRequest request = get("/token");
    request.method = "POST";
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}, {"X-Empty", ""}};
    // Large enough that a client asking for 100-continue would do so.
    request.body = "grant_type=refresh_token&refresh_token=" + std::string(2 << 20, 'r');

    const HttpResponse response = client.send(request);

    EXPECT_EQ(response.status, 200);
    ASSERT_EQ(server.requests().size(), 1u);
    const auto seen = server.requests().front();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.body, request.body);
    EXPECT_THAT(seen.header("Content-Type"), Optional(std::string("application/x-www-form-urlencoded")));
    EXPECT_THAT(seen.header("X-Empty"), Optional(std::string("")));
    EXPECT_EQ(seen.header("Expect"), std::nullopt);
}

TEST_F(HttpClientTest, OtherMethodsAreSentByName) {
    server.enqueue("DELETE", "/item", FakeReply::text(204, ""));
    server.enqueue("PUT", "/item", FakeReply::text(200, "put"));
    HttpRequest remove = get("/item");
    remove.method = "DELETE";
    HttpRequest put = get("/item");
    put.method = "PUT";
    put.body = "new";

    EXPECT_EQ(client.send(remove).status, 204);
    const HttpResponse putResponse = client.send(put);

    EXPECT_EQ(putResponse.status, 200);
    EXPECT_EQ(putResponse.body, "put");
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[0].method, "DELETE");
    EXPECT_EQ(server.requests()[1].method, "PUT");
    EXPECT_EQ(server.requests()[1].body, "new");
}

TEST_F(HttpClientTest, EveryStatusIsAnAnswerNotAnError) {
    for (int status : {200, 401, 403, 429, 500, 503}) {
        SCOPED_TRACE(status);
        server.enqueue("GET", "/status", FakeReply::json(status, "{\"status\":" + std::to_string(status) + "}"));
        const HttpResponse response = client.send(get("/status"));
        EXPECT_EQ(response.status, status);
        EXPECT_EQ(response.body, "{\"status\":" + std::to_string(status) + "}");
    }
}

TEST_F(HttpClientTest, RedirectIsReturnedNotFollowed) {
    server.enqueue("GET", "/from", FakeReply::redirect(302, server.baseUrl() + "/to"));
    server.always("GET", "/to", FakeReply::text(200, "followed"));

    const HttpResponse response = client.send(get("/from"));

    EXPECT_EQ(response.status, 302);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpClientTest, BytesThatAreNotHttpAreStatusZero) {
    for (const std::string bytes : {"SSH-2.0-OpenSSH_9.2p1\r\n", "garbage\r\n\r\n{\"items\":[]}", "HTTP/1.1 abc\r\n\r\n"}) {
        SCOPED_TRACE(bytes);
        server.enqueue("GET", "/raw", FakeReply::raw(bytes));
        EXPECT_EQ(client.send(get("/raw")).status, 0);
    }
}

TEST_F(HttpClientTest, StallPastTheTimeOutIsAnErrorNamingTheHostOnly) {
    server.enqueue("GET", "/stall", FakeReply::stall());
    HttpRequest request = get("/stall?access_token=secret-token", 0.3);
    request.headers = {{"Authorization", "Bearer secret-token"}};

    const auto started = std::chrono::steady_clock::now();
    const std::string error = errorOf(request, client);
    const auto waited = std::chrono::steady_clock::now() - started;

    EXPECT_THAT(error, HasSubstr("127.0.0.1"));
    EXPECT_THAT(error, Not(HasSubstr("secret-token")));
    EXPECT_THAT(error, Not(HasSubstr("/stall")));
    // The fake holds a stall for a minute: only the time-out ends it this early.
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(20));
}

TEST_F(HttpClientTest, BrokenExchangesAreErrors) {
    struct Case {
        const char* name;
        FakeReply reply;
    };
    const Case cases[] = {
        {"hang-up without a byte", FakeReply::hangUp()},
        {"body cut short", FakeReply::truncated(200, R"({"items":[{"id")", 400)},
    };
    for (const auto& [name, reply] : cases) {
        SCOPED_TRACE(name);
        server.enqueue("GET", "/broken", reply);
        EXPECT_THAT(errorOf(get("/broken"), client), HasSubstr("127.0.0.1"));
    }
}

TEST_F(HttpClientTest, StalledServerStopsPromptlyAndThenRefuses) {
    server.enqueue("GET", "/stall", FakeReply::stall());
    HttpRequest stalled = get("/stall", 30);
    std::string stalledError;
    std::thread waiting([&] { stalledError = errorOf(stalled, client); });
    ASSERT_TRUE(server.waitForRequests(1));

    server.stop(); // ends the stall: the client sees the connection close without an answer
    waiting.join();

    EXPECT_THAT(stalledError, HasSubstr("127.0.0.1"));
    EXPECT_THAT(errorOf(get("/after", 5), client), HasSubstr("127.0.0.1"));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpClientTest, ReplyPastTheLimitIsAnError) {
    const HttpClient small(1000);
    server.enqueue("GET", "/fits", FakeReply::text(200, std::string(1000, 'x')));
    server.enqueue("GET", "/big", FakeReply::text(200, std::string(1001, 'x')));
    // Without a length announced, the limit has to hold while the bytes arrive.
    server.enqueue("GET", "/unannounced",
                   FakeReply::raw("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(200'000, 'x')));

    EXPECT_EQ(small.send(get("/fits")).body.size(), 1000u);
    EXPECT_THAT(errorOf(get("/big"), small), HasSubstr("larger than 1000 bytes"));
    EXPECT_THAT(errorOf(get("/unannounced"), small), HasSubstr("larger than 1000 bytes"));
}

TEST_F(HttpClientTest, RefusedAddressesNeverReachTheNetwork) {
    struct Case {
        std::string url;
        bool allowed;
    };
    const Case cases[] = {
        {"https://oauth2.googleapis.com/token", true},
        {"HTTPS://www.googleapis.com/calendar/v3", true},
        {server.baseUrl() + "/token", true},
        {"http://127.0.0.1/", true},
        {"http://127.0.0.2:11434/", true},
        {"http://127.255.255.254/", true},
        {"http://localhost:8080/", true},
        {"http://LOCALHOST/", true},
        {"http://[::1]:11434/", true},
        {"http://example.com/", false},
        {"http://128.0.0.1/", false},
        {"http://10.127.0.1/", false},
        {"http://localhost.example.com/", false},
        {"http://mylocalhost/", false},
        {"http://127.0.0.1.example.com/", false},
        {"http://127.0.0.1@example.com/", false},
        {"http://[::2]/", false},
        {"http://[::ffff:8.8.8.8]/", false},
        {"ftp://127.0.0.1/", false},
        {"file:///etc/passwd", false},
        {"gopher://127.0.0.1/", false},
        {"https://", false},
        {"not a url", false},
        {"", false},
    };
    for (const auto& [url, allowed] : cases) {
        SCOPED_TRACE(url);
        EXPECT_EQ(HttpClient::isAllowed(url), allowed);
        if (!allowed) {
            HttpRequest request;
            request.url = url;
            request.timeout = 5;
            EXPECT_THAT(errorOf(request, client), HasSubstr("refused"));
        }
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpClientTest, LocalhostReachesTheLoopbackServer) {
    server.enqueue("GET", "/api/tags", FakeReply::json(200, "{}"));
    HttpRequest request;
    request.url = "http://localhost:" + std::to_string(server.port()) + "/api/tags";
    request.timeout = 10;

    EXPECT_EQ(client.send(request).status, 200);
}

TEST_F(HttpClientTest, FailuresSayWhatKindTheyAre) {
    struct Case {
        const char* name;
        FakeReply reply;
        double timeout;
        HttpError::Kind kind;
    };
    const HttpClient small(1000);
    const Case cases[] = {
        {"hang-up without a byte", FakeReply::hangUp(), 10, HttpError::Kind::failed},
        {"body cut short", FakeReply::truncated(200, R"({"models":[)", 400), 10, HttpError::Kind::partial},
        {"reply past the limit", FakeReply::text(200, std::string(1001, 'x')), 10, HttpError::Kind::tooLarge},
        {"stall past the time-out", FakeReply::stall(), 0.2, HttpError::Kind::timedOut},
    };
    for (const auto& [name, reply, timeout, kind] : cases) {
        SCOPED_TRACE(name);
        server.enqueue("GET", "/kind", reply);
        try {
            small.send(get("/kind", timeout));
            ADD_FAILURE() << "answered";
        } catch (const HttpError& error) {
            EXPECT_EQ(error.kind(), kind) << error.what();
        }
    }
    HttpRequest refused;
    refused.url = "http://example.com/";
    try {
        client.send(refused);
        ADD_FAILURE() << "sent";
    } catch (const HttpError& error) {
        EXPECT_EQ(error.kind(), HttpError::Kind::refused);
    }
}

TEST_F(HttpClientTest, CancelFlagAbortsAStalledTransfer) {
    server.enqueue("GET", "/stall", FakeReply::stall());
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    HttpRequest request = get("/stall", 120);
    request.cancel = cancel;
    std::optional<HttpError::Kind> kind;
    std::thread waiting([&] {
        try {
            client.send(request);
        } catch (const HttpError& error) {
            kind = error.kind();
        }
    });
    ASSERT_TRUE(server.waitForRequests(1));

    cancel->store(true);
    waiting.join(); // without the flag this would wait for the fake's stall limit

    EXPECT_EQ(kind, HttpError::Kind::cancelled);
}

TEST_F(HttpClientTest, CancelledBeforeSendingNeverConnects) {
    HttpRequest request = get("/never");
    request.cancel = std::make_shared<std::atomic<bool>>(true);

    EXPECT_THAT(errorOf(request, client), HasSubstr("cancelled"));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpClientTest, MalformedRequestsAreRejectedBeforeSending) {
    HttpRequest badMethod = get("/x");
    badMethod.method = "GET /evil HTTP/1.1\r\nX:";
    HttpRequest badHeader = get("/x");
    badHeader.headers = {{"X-Token", "a\r\nInjected: yes"}};
    HttpRequest badName = get("/x");
    badName.headers = {{"Bad Name", "v"}};
    HttpRequest noTime = get("/x", 0);

    for (const HttpRequest* request : {&badMethod, &badHeader, &badName, &noTime}) {
        EXPECT_THROW(client.send(*request), std::invalid_argument);
    }
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
} // namespace ostrel
