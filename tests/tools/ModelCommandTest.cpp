// `ostrel-dev model-server` (the scripted stand-in for a local model server) and `ostrel-dev model
// status` (the real role's probe) against it.

#include "core/foundation/Json.hpp"
#include "platform/HttpClient.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/RunProgram.hpp"
#include "support/StartedProgram.hpp"
#include "support/TempDir.hpp"

#include <signal.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// The model server started on a script, owned by pid: stopped with SIGTERM and reaped within a
// deadline when the test is done with it.
class ScriptedServer {
public:
    ScriptedServer(const test::TempDir& folder, const std::string& script)
        : program_(OSTREL_DEV_PATH, {"model-server", "--script", folder.write("script.json", script)}) {
        const auto first = program_.readLine();
        if (!first) {
            ADD_FAILURE() << "the model server printed no port";
            return;
        }
        port_ = json::parse(*first).at("port").get<int>();
    }

    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // The next request line the server printed.
    json::Value nextRequest() {
        const auto line = program_.readLine();
        if (!line) {
            ADD_FAILURE() << "no request line";
            return json::Value::object();
        }
        return json::parse(*line);
    }

    // Stops it and returns its exit status and whatever it printed after the lines read.
    test::StartedProgram::Result stop() {
        program_.signal(SIGTERM);
        return program_.finish();
    }

private:
    test::StartedProgram program_;
    int port_ = 0;
};

HttpResponse send(const std::string& method, const std::string& url, const std::string& body = {}) {
    HttpRequest request;
    request.method = method;
    request.url = url;
    request.body = body;
    request.timeout = 20;
    return HttpClient().send(request);
}

TEST(ModelServerCommandTest, AnswersEachRouteInScriptOrderAndPrintsEachRequest) {
    test::TempDir folder;
    ScriptedServer server(folder, R"({
        "tags": [{"body": {"models": [{"name": "tiny"}]}}],
        "chat": [
            {"body": {"done": true, "message": {"content": "hi"}}},
            {"status": 500, "body": "model crashed"},
            {"stream": [{"done": false}, {"done": true}]},
            {"oversized": 4096},
            {"delay": 0.05, "body": "late"}
        ]})");
    struct Case {
        const char* name;
        std::string method;
        std::string path;
        int status;
        std::optional<std::string> body; // nothing: a finished answer of `size` bytes
        std::size_t size;
    };
    const Case cases[] = {
        {"the model list", "GET", "/api/tags", 200, R"({"models":[{"name":"tiny"}]})", 0},
        {"a JSON body", "POST", "/api/chat", 200, R"({"done":true,"message":{"content":"hi"}})", 0},
        {"a status and text", "POST", "/api/chat", 500, "model crashed", 0},
        {"a stream", "POST", "/api/chat", 200, "{\"done\":false}\n{\"done\":true}\n", 0},
        {"oversized", "POST", "/api/chat", 200, std::nullopt, 4096},
        {"a delay", "POST", "/api/chat", 200, "late", 0},
        {"used up", "POST", "/api/chat", 503, R"({"error":"no scripted reply left"})", 0},
    };
    int index = 0;
    for (const auto& [name, method, path, status, body, size] : cases) {
        SCOPED_TRACE(name);
        const std::string sent = method == "GET" ? "" : R"({"n":)" + std::to_string(index++) + "}";

        const HttpResponse response = send(method, server.baseUrl() + path, sent);

        EXPECT_EQ(response.status, status);
        if (body) {
            EXPECT_EQ(response.body, *body);
        } else {
            EXPECT_EQ(response.body.size(), size);
            EXPECT_EQ(json::parse(response.body).at("done"), true);
        }
        json::Value expected = json::Value::object();
        expected["method"] = method;
        expected["path"] = path;
        expected["body"] = sent;
        EXPECT_EQ(server.nextRequest(), expected);
    }

    const auto result = server.stop();
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(ModelServerCommandTest, MisbehavesAsScripted) {
    test::TempDir folder;
    ScriptedServer server(folder, R"({"chat": [{"close": true}, {"partial": true, "body": {"done": true}}]})");

    for (const HttpError::Kind kind : {HttpError::Kind::failed, HttpError::Kind::partial}) {
        try {
            send("POST", server.baseUrl() + "/api/chat", "{}");
            ADD_FAILURE() << "answered";
        } catch (const HttpError& error) {
            EXPECT_EQ(error.kind(), kind) << error.what();
        }
    }

    EXPECT_EQ(server.stop().status, 0);
}

TEST(ModelServerCommandTest, RefusesAMalformedScript) {
    test::TempDir folder;
    const std::string cases[] = {
        "not json",
        "[]",
        R"({"tags": {}})",
        R"({"chats": []})",
        R"({"chat": [{"status": "200"}]})",
        R"({"chat": [{"delay": -1}]})",
        R"({"chat": [{"close": 1}]})",
        R"({"chat": [{"options": {}}]})",
    };
    for (const std::string& script : cases) {
        SCOPED_TRACE(script);
        const auto result =
            test::runProgram(OSTREL_DEV_PATH, {"model-server", "--script", folder.write("bad.json", script)});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("ostrel-dev model-server: "), std::string::npos) << result.err;
    }
}

TEST(ModelStatusCommandTest, ReportsEachStateWithItsSentence) {
    struct Case {
        const char* name;
        std::optional<std::string> tags;     // the fake's reply; nothing: no server there
        std::optional<std::string> endpoint; // nothing: the fake
        std::optional<std::string> model;
        std::string expected;
    };
    const std::string available = R"({"reason":"","state":"available"})";
    const std::string notEnabled =
        R"({"reason":"Turn on the on-device model in Ostrel's settings to use this.","state":"notEnabled"})";
    const std::string notReady =
        R"({"reason":"The on-device model is still downloading. Try again in a while.","state":"notReady"})";
    const std::string other = R"({"reason":"The on-device model isn't available right now.","state":"other"})";
    const Case cases[] = {
        {"our model listed", R"({"body": {"models": [{"name": "tiny:latest"}]}})", std::nullopt, "tiny", available},
        {"our model missing", R"({"body": {"models": [{"name": "big"}]}})", std::nullopt, "tiny", notReady},
        {"an error status", R"({"status": 500})", std::nullopt, "tiny", other},
        {"a reply of another shape", R"({"body": [1, 2]})", std::nullopt, "tiny", other},
        {"no model named", R"({"body": {"models": []}})", std::nullopt, std::nullopt, notEnabled},
        {"nobody listening", std::nullopt, std::nullopt, "tiny", notEnabled},
        {"an endpoint off this machine", R"({"body": {"models": []}})", "http://192.0.2.1:11434", "tiny", other},
    };
    for (const auto& [name, tags, endpoint, model, expected] : cases) {
        SCOPED_TRACE(name);
        test::TempDir folder;
        std::unique_ptr<ScriptedServer> server;
        std::string base;
        if (tags) {
            server = std::make_unique<ScriptedServer>(folder, R"({"tags": [)" + *tags + "]}");
            base = server->baseUrl();
        } else {
            test::FakeHttpServer gone;
            base = gone.baseUrl();
            gone.stop();
        }
        {
            Settings settings(folder / "config");
            settings.set(settingsKeys::languageModelEndpoint, endpoint.value_or(base));
            if (model) {
                settings.set(settingsKeys::languageModelName, *model);
            }
        }

        const auto result = test::runProgram(OSTREL_DEV_PATH, {"model", "status", "--config", (folder / "config").string()});

        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, expected + "\n");
        if (server) {
            const auto stopped = server->stop();
            const bool contacted = !stopped.out.empty();
            EXPECT_EQ(contacted, model.has_value() && !endpoint.has_value()) << stopped.out;
        }
    }
}

TEST(ModelStatusCommandTest, WithoutPreferencesTheModelIsNotEnabled) {
    test::TempDir folder;

    const auto result = test::runProgram(OSTREL_DEV_PATH, {"model", "status", "--config", (folder / "none").string()});

    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(json::parse(result.out).at("state"), "notEnabled");
    EXPECT_FALSE(std::filesystem::exists(folder / "none")); // reading never creates the folder
}

} // namespace
} // namespace ostrel
