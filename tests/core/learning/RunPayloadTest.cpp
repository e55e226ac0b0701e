#include "core/learning/RunPayload.hpp"

#include "core/learning/AnswerPayload.hpp"
#include "core/learning/UndoPayload.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(RunPayload, RequiredFieldsAlwaysWrittenOptionalOnlyWithAValue) {
    const RunPayload plain{
        "R1", "slot:2:19:unknown", {"app:com.apple.Notes", "page:https://x.example/a"}, true};
    EXPECT_EQ(json::encodeRecord(plain),
              R"({"automatic":true,"items":["app:com.apple.Notes","page:https://x.example/a"],)"
              R"("routine":"slot:2:19:unknown","run":"R1"})");

    RunPayload full = plain;
    full.hid = 2;
    full.arranged = 0;
    full.muted = false;
    EXPECT_EQ(
        json::encodeRecord(full),
        R"({"arranged":0,"automatic":true,"hid":2,"items":["app:com.apple.Notes","page:https://x.example/a"],)"
        R"("muted":false,"routine":"slot:2:19:unknown","run":"R1"})");

    for (const RunPayload& payload : {plain, full, RunPayload{"R2", "made:x", {}, false}}) {
        EXPECT_EQ(json::decodeRecord<RunPayload>(json::encodeRecord(payload)), payload);
    }
    EXPECT_NE(plain, full);
}

TEST(RunPayload, DecodingIsStrictAboutRequiredKeysAndTypes) {
    const struct {
        const char* text;
        bool decodes;
    } cases[] = {
        {R"({"run":"R","routine":"k","items":[],"automatic":false})", true},
        {R"({"run":"R","routine":"k","items":[],"automatic":false,"hid":null,"muted":null,"extra":[1]})",
         true},
        {R"({"run":"R","routine":"k","automatic":false})", false},
        {R"({"run":"R","routine":"k","items":[],"automatic":null})", false},
        {R"({"run":"R","routine":"k","items":[],"automatic":1})", false},
        {R"({"run":"R","routine":"k","items":[1],"automatic":false})", false},
        {R"({"run":"R","routine":"k","items":[],"automatic":false,"hid":1.5})", false},
        {R"({"run":"R","routine":"k","items":[],"automatic":false,"muted":"yes"})", false},
        {R"({"run":7,"routine":"k","items":[],"automatic":false})", false},
        {R"([])", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<RunPayload>(c.text).has_value(), c.decodes) << c.text;
    }
}

TEST(UndoPayload, HoldsTheRunIdentifier) {
    EXPECT_EQ(json::encodeRecord(UndoPayload{"R1"}), R"({"run":"R1"})");
    EXPECT_EQ(json::tryDecodeRecord<UndoPayload>(R"({"run":"R1","x":1})"), UndoPayload{"R1"});
    EXPECT_FALSE(json::tryDecodeRecord<UndoPayload>(R"({})"));
    EXPECT_FALSE(json::tryDecodeRecord<UndoPayload>(R"({"run":null})"));
}

TEST(AnswerPayload, AnswerIsOneOfThreeTexts) {
    using Answer = AnswerPayload::Answer;
    EXPECT_EQ(json::encodeRecord(AnswerPayload{"event:k", Answer::yes}),
              R"({"answer":"yes","routine":"event:k"})");
    const struct {
        const char* text;
        std::optional<Answer> answer;
    } cases[] = {
        {R"({"routine":"r","answer":"yes"})", Answer::yes},
        {R"({"routine":"r","answer":"no"})", Answer::no},
        {R"({"routine":"r","answer":"expired"})", Answer::expired},
        {R"({"routine":"r","answer":"Yes"})", std::nullopt},
        {R"({"routine":"r","answer":"maybe"})", std::nullopt},
        {R"({"routine":"r","answer":true})", std::nullopt},
        {R"({"routine":"r"})", std::nullopt},
        {R"({"answer":"yes"})", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto decoded = json::tryDecodeRecord<AnswerPayload>(c.text);
        ASSERT_EQ(decoded.has_value(), c.answer.has_value()) << c.text;
        if (decoded) {
            EXPECT_EQ(decoded->answer, *c.answer);
            EXPECT_EQ(fromString<Answer>(toString(*c.answer)), c.answer);
        }
    }
}

} // namespace
} // namespace ostrel
