#include "platform/LocalLanguageModel.hpp"

#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/ThreadExecutor.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/SettleUntil.hpp"

#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::FakeHttpServer;
using test::FakeReply;
using ::testing::ElementsAre;

constexpr const char* tagsWithTiny = R"({"models":[{"name":"other:7b"},{"name":"tiny"}]})";

std::string chatReply(const std::string& content) {
    json::Value message = json::Value::object();
    message["role"] = "assistant";
    message["content"] = content;
    json::Value reply = json::Value::object();
    reply["model"] = "tiny";
    reply["message"] = message;
    reply["done"] = true;
    return reply.dump();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

class LocalLanguageModelTest : public ::testing::Test {
protected:
    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SystemClock clock;
    // The blocking sends need a real thread; main stays in virtual time. Declared before the server
    // so that the server (and any stall) is gone before the queue joins.
    ThreadExecutor queue{"Ostrel.model", clock};
    FakeHttpServer server;
    Settings settings{Settings::inMemory};

    void SetUp() override {
        settings.set(settingsKeys::languageModelEndpoint, server.baseUrl());
        settings.set(settingsKeys::languageModelName, "tiny");
    }

    ModelAvailability probe(LocalLanguageModel& model) {
        std::optional<ModelAvailability> found;
        const Subscription token = model.probe([&](ModelAvailability state) { found = state; });
        EXPECT_TRUE(test::settleUntil(time, [&] { return found.has_value(); }));
        return found.value_or(ModelAvailability::other);
    }

    // A model whose last probe found it available.
    std::unique_ptr<LocalLanguageModel> availableModel() {
        server.enqueue("GET", "/api/tags", FakeReply::json(200, tagsWithTiny));
        auto model = std::make_unique<LocalLanguageModel>(settings, main, queue);
        EXPECT_EQ(probe(*model), ModelAvailability::available);
        return model;
    }

    ModelReply ask(LocalLanguageModel& model, ModelRequest request = {"Be brief.", "Name it.", std::nullopt}) {
        std::optional<ModelReply> reply;
        const Subscription token = model.respond(std::move(request), [&](const ModelReply& got) { reply = got; });
        EXPECT_TRUE(test::settleUntil(time, [&] { return reply.has_value(); }));
        return reply.value_or(ModelReply::failure(ModelError(ModelError::Kind::unavailable, "no reply in the test")));
    }

    std::size_t chatRequests() const {
        std::size_t count = 0;
        for (const auto& request : server.requests()) {
            count += request.path() == "/api/chat" ? 1 : 0;
        }
        return count;
    }
};

TEST_F(LocalLanguageModelTest, ProbeReadsTheServersModelList) {
    struct Case {
        const char* name;
        FakeReply reply;
        ModelAvailability expected;
    };
    const Case cases[] = {
        {"our model listed", FakeReply::json(200, tagsWithTiny), ModelAvailability::available},
        {"our model as latest", FakeReply::json(200, R"({"models":[{"name":"tiny:latest"}]})"),
         ModelAvailability::available},
        {"another tag of ours", FakeReply::json(200, R"({"models":[{"name":"tiny:7b"}]})"), ModelAvailability::notReady},
        {"a longer name", FakeReply::json(200, R"({"models":[{"name":"tinyllama"}]})"), ModelAvailability::notReady},
        {"no models", FakeReply::json(200, R"({"models":[]})"), ModelAvailability::notReady},
        {"error status", FakeReply::json(500, R"({"error":"boom"})"), ModelAvailability::other},
        {"not JSON", FakeReply::text(200, "<html>hello</html>"), ModelAvailability::other},
        {"no models key", FakeReply::json(200, "{}"), ModelAvailability::other},
        {"models not a list", FakeReply::json(200, R"({"models":{"name":"tiny"}})"), ModelAvailability::other},
        {"an entry without a name", FakeReply::json(200, R"({"models":[{"name":"tiny"},{"model":"x"}]})"),
         ModelAvailability::other},
        {"not HTTP", FakeReply::raw("SSH-2.0-OpenSSH\r\n"), ModelAvailability::other},
        {"body cut short", FakeReply::truncated(200, R"({"models":[)", 300), ModelAvailability::other},
        {"hang-up", FakeReply::hangUp(), ModelAvailability::notEnabled},
    };
    for (const auto& [name, reply, expected] : cases) {
        SCOPED_TRACE(name);
        server.enqueue("GET", "/api/tags", reply);
        LocalLanguageModel model(settings, main, queue);
        EXPECT_EQ(model.availability(), ModelAvailability::other);

        EXPECT_EQ(probe(model), expected);
        EXPECT_EQ(model.availability(), expected);
    }
    EXPECT_EQ(server.unusedReplies(), 0u);
}

TEST_F(LocalLanguageModelTest, ProbeWithoutANameOrAtARefusedEndpointContactsNobody) {
    struct Case {
        const char* name;
        std::optional<std::string> endpoint; // nothing: as the fixture set it
        std::optional<std::string> model;
        ModelAvailability expected;
    };
    const std::string port = std::to_string(server.port());
    const Case cases[] = {
        {"no name", std::nullopt, std::nullopt, ModelAvailability::notEnabled},
        {"empty name", std::nullopt, "", ModelAvailability::notEnabled},
        {"another machine", "http://192.168.1.20:" + port, "tiny", ModelAvailability::other},
        {"a host name", "http://example.com:" + port, "tiny", ModelAvailability::other},
        {"https", "https://127.0.0.1:" + port, "tiny", ModelAvailability::other},
        {"user part hiding the host", "http://127.0.0.1:" + port + "@example.com", "tiny", ModelAvailability::other},
        {"a query", "http://127.0.0.1:" + port + "/?x=1", "tiny", ModelAvailability::other},
        {"not a URL", "127.0.0.1:" + port, "tiny", ModelAvailability::other},
    };
    server.always("GET", "/api/tags", FakeReply::json(200, tagsWithTiny));
    for (const auto& [name, endpoint, model, expected] : cases) {
        SCOPED_TRACE(name);
        settings.set(settingsKeys::languageModelEndpoint, endpoint.value_or(server.baseUrl()));
        if (model) {
            settings.set(settingsKeys::languageModelName, *model);
        } else {
            settings.remove(settingsKeys::languageModelName);
        }
        LocalLanguageModel local(settings, main, queue);

        EXPECT_EQ(probe(local), expected);
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(LocalLanguageModelTest, ProbeWithNobodyListeningIsNotEnabled) {
    server.stop();
    LocalLanguageModel model(settings, main, queue);

    EXPECT_EQ(probe(model), ModelAvailability::notEnabled);
}

TEST_F(LocalLanguageModelTest, ProbeThatGetsNoAnswerInTimeIsNotEnabled) {
    server.enqueue("GET", "/api/tags", FakeReply::stall());
    LocalLanguageModel model(settings, main, queue);
    std::optional<ModelAvailability> found;
    const Subscription token = model.probe([&](ModelAvailability state) { found = state; });
    ASSERT_TRUE(server.waitForRequests(1));
    time.settle();
    EXPECT_FALSE(found.has_value());

    time.advance(LocalLanguageModel::probeTimeout);

    EXPECT_EQ(found, ModelAvailability::notEnabled);
    EXPECT_EQ(model.availability(), ModelAvailability::notEnabled);
}

TEST_F(LocalLanguageModelTest, RequestCarriesInstructionsPromptAndSchema) {
    auto model = availableModel();
    // Written out of alphabetical order: the server must see the order it was written in.
    nlohmann::ordered_json schema = nlohmann::ordered_json::object();
    schema["type"] = "object";
    schema["properties"]["name"]["type"] = "string";
    schema["properties"]["apps"]["type"] = "array";
    schema["required"] = {"name", "apps"};
    schema["additionalProperties"] = false;
    const std::string written = R"({"type":"object","properties":{"name":{"type":"string"},"apps":{"type":"array"}},)"
                                R"("required":["name","apps"],"additionalProperties":false})";
    server.enqueue("POST", "/api/chat", FakeReply::json(200, chatReply(R"({"name":"Maths"})")));

    const ModelReply reply = ask(*model, {"You name routines.", "Apps: Calculator\nClass: Maths", schema});

    EXPECT_EQ(reply.content, std::optional<std::string>(R"({"name":"Maths"})"));
    ASSERT_EQ(chatRequests(), 1u);
    const test::RecordedRequest sent = server.requests().back();
    EXPECT_EQ(sent.method, "POST");
    const json::Value body = json::parse(sent.body);
    std::set<std::string> keys;
    for (const auto& [key, value] : body.items()) {
        keys.insert(key);
    }
    EXPECT_EQ(keys, (std::set<std::string>{"format", "messages", "model", "stream"})); // no "options"
    EXPECT_EQ(body["model"], "tiny");
    EXPECT_EQ(body["stream"], false);
    EXPECT_NE(sent.body.find(R"("format":)" + written), std::string::npos) << sent.body;
    ASSERT_EQ(body["messages"].size(), 2u);
    EXPECT_EQ(body["messages"][0], json::parse(R"({"role":"system","content":"You name routines."})"));
    EXPECT_EQ(body["messages"][1]["role"], "user");
    EXPECT_THAT(linesOf(body["messages"][1]["content"].get<std::string>()),
                ElementsAre("Apps: Calculator", "Class: Maths", LocalLanguageModel::schemaLine, written));
}

TEST_F(LocalLanguageModelTest, PlainRequestHasNoFormatAndThePromptAsItIs) {
    auto model = availableModel();
    server.enqueue("POST", "/api/chat", FakeReply::json(200, chatReply("A quiet week.")));

    const ModelReply reply = ask(*model, {"Write two sentences.", "Active: 3 hours", std::nullopt});

    EXPECT_EQ(reply.content, std::optional<std::string>("A quiet week."));
    const json::Value body = json::parse(server.requests().back().body);
    EXPECT_FALSE(body.contains("format"));
    EXPECT_FALSE(body.contains("options"));
    EXPECT_EQ(body["messages"][1]["content"], "Active: 3 hours");
}

TEST_F(LocalLanguageModelTest, TextThatIsNotUtf8IsReplacedNotSent) {
    const std::string body = LocalLanguageModel::chatBody("tiny", {"ok", "caf\xe9 \xff", std::nullopt});

    const json::Value parsed = json::parse(body);
    EXPECT_EQ(parsed["messages"][1]["content"], "caf\xEF\xBF\xBD \xEF\xBF\xBD");
}

TEST_F(LocalLanguageModelTest, AnythingButOneFinishedAnswerIsAnError) {
    using Kind = ModelError::Kind;
    struct Case {
        const char* name;
        FakeReply reply;
        std::optional<Kind> error; // nothing: answered
    };
    const std::string filler(LocalLanguageModel::maxReplyBytes, 'x');
    const std::string fits = chatReply(filler.substr(0, filler.size() - chatReply("").size()));
    const Case cases[] = {
        {"largest answer that fits", FakeReply::json(200, fits), std::nullopt},
        {"garbage", FakeReply::text(200, "I am not JSON"), Kind::badReply},
        {"body cut short", FakeReply::truncated(200, R"({"message":{"content":"Ma)", 400), Kind::badReply},
        {"error status", FakeReply::json(500, R"({"error":"model crashed"})"), Kind::badReply},
        {"not found status", FakeReply::json(404, R"({"error":"model not found"})"), Kind::badReply},
        {"a stream of objects",
         FakeReply::json(200, R"({"message":{"role":"assistant","content":"Ma"},"done":false})"
                              "\n"
                              R"({"message":{"role":"assistant","content":"ths"},"done":true})"),
         Kind::badReply},
        {"oversized", FakeReply::json(200, fits + " "), Kind::badReply},
        {"not finished", FakeReply::json(200, R"({"message":{"content":"Ma"},"done":false})"), Kind::badReply},
        {"done as text", FakeReply::json(200, R"({"message":{"content":"Ma"},"done":"true"})"), Kind::badReply},
        {"no message", FakeReply::json(200, R"({"done":true})"), Kind::badReply},
        {"content not text", FakeReply::json(200, R"({"message":{"content":42},"done":true})"), Kind::badReply},
        {"a list", FakeReply::json(200, "[]"), Kind::badReply},
        {"not HTTP", FakeReply::raw("garbage\r\n\r\n"), Kind::badReply},
        {"hang-up", FakeReply::hangUp(), Kind::connection},
    };
    auto model = availableModel();
    for (const auto& [name, reply, error] : cases) {
        SCOPED_TRACE(name);
        server.enqueue("POST", "/api/chat", reply);

        const ModelReply got = ask(*model);

        if (error) {
            ASSERT_TRUE(got.error.has_value());
            EXPECT_EQ(got.error->kind(), *error) << got.error->what();
            EXPECT_FALSE(got.content.has_value());
        } else {
            ASSERT_FALSE(got.error.has_value()) << got.error->what();
            EXPECT_EQ(got.content->size(), filler.size() - chatReply("").size());
        }
    }
}

TEST_F(LocalLanguageModelTest, NoAnswerWithinTheTimeOutAbortsTheTransfer) {
    settings.set(settingsKeys::languageModelTimeout, 30);
    auto model = availableModel();
    server.enqueue("POST", "/api/chat", FakeReply::stall());
    std::optional<ModelReply> reply;
    const Subscription token = model->respond({"i", "p", std::nullopt}, [&](const ModelReply& got) { reply = got; });
    ASSERT_TRUE(server.waitForRequests(2));

    time.advance(29.5);
    EXPECT_FALSE(reply.has_value());
    time.advance(0.5);

    ASSERT_TRUE(reply.has_value());
    ASSERT_TRUE(reply->error.has_value());
    EXPECT_EQ(reply->error->kind(), ModelError::Kind::timedOut);
    // The stalled transfer no longer holds the queue: a fake stall lasts a minute, past the wait.
    server.enqueue("POST", "/api/chat", FakeReply::json(200, chatReply("next")));
    EXPECT_EQ(ask(*model).content, std::optional<std::string>("next"));
}

TEST_F(LocalLanguageModelTest, DroppedTokenDropsTheAnswerAndAbortsTheTransfer) {
    auto model = availableModel();
    server.enqueue("POST", "/api/chat", FakeReply::stall());
    bool called = false;
    {
        const Subscription token = model->respond({"i", "p", std::nullopt}, [&](const ModelReply&) { called = true; });
        ASSERT_TRUE(server.waitForRequests(2));
    }
    server.enqueue("POST", "/api/chat", FakeReply::json(200, chatReply("next")));

    EXPECT_EQ(ask(*model).content, std::optional<std::string>("next"));
    time.advance(LocalLanguageModel::defaultTimeout * 2);
    EXPECT_FALSE(called);
}

TEST_F(LocalLanguageModelTest, ServerGoneBetweenProbeAndAskIsAConnectionError) {
    auto model = availableModel();
    server.stop();

    const ModelReply reply = ask(*model);

    ASSERT_TRUE(reply.error.has_value());
    EXPECT_EQ(reply.error->kind(), ModelError::Kind::connection);
    EXPECT_EQ(model->availability(), ModelAvailability::available); // until the next probe
}

TEST_F(LocalLanguageModelTest, UnavailableModelAnswersWithoutContactingAnyone) {
    struct Case {
        const char* name;
        std::optional<std::string> tags; // probed first with this list; nothing: never probed
        std::optional<std::string> endpointAfter;
        bool removeName;
    };
    const Case cases[] = {
        {"never probed", std::nullopt, std::nullopt, false},
        {"probe found it not ready", R"({"models":[]})", std::nullopt, false},
        {"name removed since", tagsWithTiny, std::nullopt, true},
        {"endpoint moved off this machine since", tagsWithTiny, "http://192.168.1.20:11434", false},
    };
    for (const auto& [name, tags, endpointAfter, removeName] : cases) {
        SCOPED_TRACE(name);
        settings.set(settingsKeys::languageModelEndpoint, server.baseUrl());
        settings.set(settingsKeys::languageModelName, "tiny");
        LocalLanguageModel model(settings, main, queue);
        if (tags) {
            server.enqueue("GET", "/api/tags", FakeReply::json(200, *tags));
            probe(model);
        }
        if (endpointAfter) {
            settings.set(settingsKeys::languageModelEndpoint, *endpointAfter);
        }
        if (removeName) {
            settings.remove(settingsKeys::languageModelName);
        }
        std::optional<ModelReply> reply;
        const Subscription token = model.respond({"i", "p", std::nullopt}, [&](const ModelReply& got) { reply = got; });
        EXPECT_FALSE(reply.has_value()); // never inside the call

        time.settle();

        ASSERT_TRUE(reply.has_value());
        ASSERT_TRUE(reply->error.has_value());
        EXPECT_EQ(reply->error->kind(), ModelError::Kind::unavailable);
    }
    EXPECT_EQ(chatRequests(), 0u);
}

TEST_F(LocalLanguageModelTest, SettingsReadWithTheirDefaults) {
    struct EndpointCase {
        std::optional<std::string> setting;
        std::optional<std::string> expected;
    };
    const EndpointCase endpoints[] = {
        {std::nullopt, "http://127.0.0.1:11434"},
        {"http://localhost:11434/", "http://localhost:11434"},
        {"http://[::1]:11434", "http://[::1]:11434"},
        {"http://127.0.0.1:8080/ollama//", "http://127.0.0.1:8080/ollama"},
        {"https://127.0.0.1:11434", std::nullopt},
        {"http://10.0.0.5:11434", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [setting, expected] : endpoints) {
        SCOPED_TRACE(setting.value_or("(missing)"));
        if (setting) {
            settings.set(settingsKeys::languageModelEndpoint, *setting);
        } else {
            settings.remove(settingsKeys::languageModelEndpoint);
        }
        EXPECT_EQ(LocalLanguageModel::endpoint(settings), expected);
    }

    struct TimeoutCase {
        std::optional<SettingsValue> setting;
        double expected;
    };
    const TimeoutCase timeouts[] = {
        {std::nullopt, 60}, {SettingsValue(12.5), 12.5}, {SettingsValue(0), 60}, {SettingsValue(-3), 60},
        {SettingsValue(1e9), LocalLanguageModel::maxTimeout}, {SettingsValue("30"), 60},
    };
    for (const auto& [setting, expected] : timeouts) {
        if (setting) {
            settings.set(settingsKeys::languageModelTimeout, *setting);
        } else {
            settings.remove(settingsKeys::languageModelTimeout);
        }
        EXPECT_EQ(LocalLanguageModel::timeout(settings), expected);
    }
}

} // namespace
} // namespace ostrel
