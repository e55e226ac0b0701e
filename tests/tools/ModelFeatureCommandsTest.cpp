// `ostrel-dev describe`, `smart-name` and `look-back`: the features asked through the real
// language-model role, against the fake model server, on a generated week.
#include "core/foundation/Json.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "support/FakeHttpServer.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::FakeReply;
using test::runProgram;

std::string chatAnswer(const std::string& content) {
    json::Value body = {{"done", true}, {"message", {{"role", "assistant"}, {"content", content}}}};
    return json::encode(body);
}

// A generated week in a store, preferences pointing at the fake server's model "tiny".
class ModelFeatureCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        week = new test::TempDir;
        const auto result =
            runProgram(OSTREL_DEV_PATH, {"generate", (*week / "q.sqlite").string(), "--days", "7",
                                         "--per-day", "400", "--seed", "2", "--tz", "Europe/Berlin"});
        ASSERT_EQ(result.status, 0) << result.err;
        const auto routines =
            runProgram(OSTREL_DEV_PATH, {"routines", (*week / "q.sqlite").string(), "--tz", "Europe/Berlin"});
        ASSERT_EQ(routines.status, 0) << routines.err;
        const json::Value parsed = json::parse(routines.out);
        for (const json::Value& routine : parsed.is_array() ? parsed : parsed.at("routines")) {
            const std::string key = routine.at("key").get<std::string>();
            if (slotKey.empty() && key.rfind("slot:", 0) == 0) {
                slotKey = key;
            }
            if (eventKey.empty() && key.rfind("event:", 0) == 0) {
                eventKey = key;
            }
        }
    }
    static void TearDownTestSuite() { delete week; }

    void SetUp() override {
        Settings settings(config.path());
        settings.set(settingsKeys::languageModelEndpoint,
                     std::string("http://127.0.0.1:") + std::to_string(server.port()));
        settings.set(settingsKeys::languageModelName, std::string("tiny"));
    }

    void modelIsThere(int probes) {
        for (int i = 0; i < probes; ++i) {
            server.enqueue("GET", "/api/tags",
                           FakeReply::json(200, R"({"models":[{"name":"tiny:latest"}]})"));
        }
    }
    std::vector<test::RecordedRequest> chats() const {
        std::vector<test::RecordedRequest> found;
        for (const auto& request : server.requests()) {
            if (request.path() == "/api/chat") {
                found.push_back(request);
            }
        }
        return found;
    }
    std::string db() const { return (*week / "q.sqlite").string(); }

    static inline test::TempDir* week = nullptr;
    static inline std::string slotKey;
    static inline std::string eventKey;
    test::TempDir config;
    test::FakeHttpServer server;
};

TEST_F(ModelFeatureCommands, TheLookBackIsAskedOnceADayAndKeptInThePreferences) {
    modelIsThere(2);
    server.enqueue("POST", "/api/chat", FakeReply::json(200, chatAnswer("  A busy week, mostly reading.\n")));
    const std::vector<std::string> arguments = {
        "look-back", db(), "--tz", "Europe/Berlin", "--at", "2026-10-19", "--config", config.path().string()};
    const auto first = runProgram(OSTREL_DEV_PATH, arguments);
    ASSERT_EQ(first.status, 0) << first.err;
    const json::Value printed = json::parse(first.out);
    EXPECT_EQ(printed.at("text"), "A busy week, mostly reading.");
    EXPECT_EQ(printed.at("stored").at("text"), "A busy week, mostly reading.");
    ASSERT_EQ(chats().size(), 1u);
    const json::Value body = json::parse(chats().front().body);
    EXPECT_EQ(
        body.at("messages").at(1).at("content").get<std::string>().rfind("Total on the Mac this week: ", 0),
        0u);
    EXPECT_FALSE(body.contains("format")) << "the look-back is plain text";

    // The same day again: the kept text, no second question.
    const auto second = runProgram(OSTREL_DEV_PATH, arguments);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(json::parse(second.out).at("text"), "A busy week, mostly reading.");
    EXPECT_EQ(chats().size(), 1u);
}

TEST_F(ModelFeatureCommands, ASlotRoutineIsNamedOnceAndAClassIsNeverAsked) {
    ASSERT_FALSE(slotKey.empty());
    ASSERT_FALSE(eventKey.empty());
    modelIsThere(1);
    server.enqueue("POST", "/api/chat",
                   FakeReply::json(200, chatAnswer(R"({"name":"\"Evening reading.\""})")));
    const auto named = runProgram(OSTREL_DEV_PATH, {"smart-name", db(), "--key", slotKey, "--tz",
                                                    "Europe/Berlin", "--config", config.path().string()});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(json::parse(named.out).at("name"), "Evening reading");
    EXPECT_EQ(json::parse(named.out).at("stored").at(slotKey), "Evening reading");
    ASSERT_EQ(chats().size(), 1u);
    EXPECT_NE(json::parse(chats().front().body).at("format"), json::Value())
        << "the name comes as a structure";

    const std::size_t asked = server.requests().size();
    for (const std::string& key : {slotKey, eventKey}) { // named already; a class keeps its title
        const auto again = runProgram(OSTREL_DEV_PATH, {"smart-name", db(), "--key", key, "--tz",
                                                        "Europe/Berlin", "--config", config.path().string()});
        ASSERT_EQ(again.status, 0) << again.err;
        EXPECT_EQ(json::parse(again.out).at("name"), json::Value()) << key;
    }
    EXPECT_EQ(server.requests().size(), asked) << "no probe, no question";

    const auto unknown = runProgram(OSTREL_DEV_PATH, {"smart-name", db(), "--key", "slot:9:9:nowhere", "--tz",
                                                      "Europe/Berlin", "--config", config.path().string()});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no routine slot:9:9:nowhere"), std::string::npos) << unknown.err;
}

TEST_F(ModelFeatureCommands, WhateverGoesWrongWithTheServerNothingIsStored) {
    ASSERT_FALSE(slotKey.empty());
    const struct {
        const char* name;
        std::function<FakeReply()> reply;
    } cases[] = {
        {"garbage", [] { return FakeReply::text(200, "<html>not a model</html>"); }},
        {"an error status", [] { return FakeReply::json(500, R"({"error":"model crashed"})"); }},
        {"a stream", [] { return FakeReply::text(200, chatAnswer("A") + "\n" + chatAnswer("B")); }},
        {"a partial body", [] { return FakeReply::truncated(200, R"({"done":true,"message":{"con)", 400); }},
        {"a hang-up", [] { return FakeReply::hangUp(); }},
    };
    for (const auto& one : cases) {
        modelIsThere(2);
        server.enqueue("POST", "/api/chat", one.reply());
        server.enqueue("POST", "/api/chat", one.reply());
        const auto named = runProgram(OSTREL_DEV_PATH, {"smart-name", db(), "--key", slotKey, "--tz",
                                                        "Europe/Berlin", "--config", config.path().string()});
        const auto looked = runProgram(OSTREL_DEV_PATH, {"look-back", db(), "--tz", "Europe/Berlin", "--at",
                                                         "2026-10-19", "--config", config.path().string()});
        ASSERT_EQ(named.status, 0) << one.name << ": " << named.err;
        ASSERT_EQ(looked.status, 0) << one.name << ": " << looked.err;
        EXPECT_EQ(json::parse(named.out).at("name"), json::Value()) << one.name;
        EXPECT_EQ(json::parse(named.out).at("stored"), json::Value()) << one.name;
        EXPECT_EQ(json::parse(looked.out).at("text"), json::Value()) << one.name;
        EXPECT_EQ(json::parse(looked.out).at("stored"), json::Value()) << one.name;
    }
    EXPECT_EQ(chats().size(), 2 * std::size(cases)) << "each got as far as the question";
}

TEST_F(ModelFeatureCommands, ADescriptionBecomesEditsAndADryRunSendsNothing) {
    test::TempDir folder;
    const std::string machine =
        folder.write("machine.json", R"({"installed": [{"appID": "org.zotero.Zotero", "name": "Zotero"}]})");
    const std::string words = "Open Zotero at 9 on weekdays";

    const auto dry = runProgram(OSTREL_DEV_PATH, {"describe", words, "--machine", machine, "--config",
                                                  config.path().string(), "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    const json::Value body = json::parse(dry.out);
    EXPECT_EQ(body.at("model"), "tiny");
    EXPECT_NE(
        body.at("messages").at(0).at("content").get<std::string>().find("spelled exactly as listed: Zotero."),
        std::string::npos);
    EXPECT_EQ(body.at("messages").at(1).at("content").get<std::string>().rfind(words + "\n", 0), 0u);
    EXPECT_TRUE(server.requests().empty()) << "a dry run contacts nobody";

    modelIsThere(1);
    server.enqueue(
        "POST", "/api/chat",
        FakeReply::json(200, chatAnswer(R"({"name":"library","apps":["Zotero"],"websites":[],"places":[],)"
                                        R"("hide":[],"mute":false,"when":{"kind":"at a time of day",)"
                                        R"("hour":9,"minute":0,"days":[],"name":""}})")));
    const auto described = runProgram(
        OSTREL_DEV_PATH, {"describe", words, "--machine", machine, "--config", config.path().string()});
    ASSERT_EQ(described.status, 0) << described.err;
    const json::Value edits = json::parse(described.out).at("edits");
    EXPECT_EQ(edits.at("name"), "Library");
    EXPECT_EQ(edits.at("added"), json::parse(R"(["app:org.zotero.Zotero"])"));
    EXPECT_EQ(edits.at("cues"), json::parse(R"([{"time":{"minute":540,"weekdays":[2,3,4,5,6]}}])"));

    // Without a model there is no routine, only the sentence to show.
    const auto unavailable = runProgram(OSTREL_DEV_PATH, {"describe", words, "--machine", machine});
    ASSERT_EQ(unavailable.status, 0) << unavailable.err;
    EXPECT_EQ(json::parse(unavailable.out).at("error"),
              "Turn on the on-device model in Ostrel's settings to use this.");
}

} // namespace
} // namespace ostrel
