#include "core/learning/Answers.hpp"

#include "core/learning/AnswerPayload.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Record = Answers::Record;

SignalObservation answer(std::int64_t ts, const std::string& routine, const std::string& text) {
    return {ts, Signal::quevAnswer, R"({"answer":")" + text + R"(","routine":")" + routine + R"("})"};
}
SignalObservation yes(std::int64_t ts, const std::string& routine = "event:algebra") {
    return answer(ts, routine, "yes");
}
SignalObservation no(std::int64_t ts, const std::string& routine = "event:algebra") {
    return answer(ts, routine, "no");
}
SignalObservation expired(std::int64_t ts, const std::string& routine = "event:algebra") {
    return answer(ts, routine, "expired");
}
SignalObservation run(std::int64_t ts, const std::string& id, const std::string& routine = "event:algebra") {
    return {ts, Signal::quevRun, json::encodeRecord(RunPayload{id, routine, {"app:com.apple.Notes"}, false})};
}
SignalObservation undo(std::int64_t ts, const std::string& id, const Signal& signal = Signal::quevUndo) {
    return {ts, signal, json::encodeRecord(UndoPayload{id})};
}

TEST(Answers, StreaksFollowTheAnswersInTimeOrder) {
    const struct {
        const char* name;
        std::vector<SignalObservation> observations;
        Record algebra;
    } cases[] = {
        {"nothing", {}, {0, 0, 0}},
        {"yes yes no", {yes(1), yes(2), no(3)}, {0, 1, 3}},
        {"no no yes", {no(1), no(2), yes(3)}, {1, 0, 3}},
        {"expired only asks", {yes(1), expired(2), yes(3)}, {2, 0, 3}},
        {"undo ends the yes streak", {yes(1), yes(2), yes(3), run(4, "R"), undo(5, "R")}, {0, 0, 3}},
        {"undo keeps the noes", {no(1), run(2, "R"), undo(3, "R")}, {0, 1, 1}},
        {"undo of an unknown run", {yes(1), undo(2, "R")}, {1, 0, 1}},
        {"undo before its run", {yes(1), undo(2, "R"), run(3, "R")}, {1, 0, 1}},
        {"a tidy-up is no undo", {yes(1), run(2, "R"), undo(3, "R", Signal::quevTidy)}, {1, 0, 1}},
        {"out of order", {no(20), yes(10)}, {0, 1, 2}},
        {"equal times keep their order", {no(10), yes(10)}, {1, 0, 2}},
        {"equal times keep their order, reversed", {yes(10), no(10)}, {0, 1, 2}},
        {"unknown answer text skipped", {yes(1), answer(2, "event:algebra", "maybe"), yes(3)}, {2, 0, 2}},
        {"payload that is not JSON", {yes(1), {2, Signal::quevAnswer, "yes"}}, {1, 0, 1}},
        {"answer payload under another signal", {{1, Signal::windowFocus, yes(1).payload}}, {0, 0, 0}},
        {"run re-recorded for another routine",
         {yes(1), run(2, "R"), run(3, "R", "event:physics"), undo(4, "R")},
         {1, 0, 1}},
        {"other routines apart", {yes(1), no(2, "event:physics"), yes(3)}, {2, 0, 2}},
    };
    for (const auto& c : cases) {
        const Answers answers(c.observations);
        EXPECT_EQ(answers["event:algebra"], c.algebra) << c.name;
    }
}

TEST(Answers, RecordsOnlyRoutinesSomeAnswerOrUndoConcerned) {
    EXPECT_TRUE(Answers().records.empty());
    EXPECT_TRUE(Answers(std::vector<SignalObservation>{}).records.empty());
    EXPECT_EQ(Answers()["slot:2:19:unknown"], (Record{0, 0, 0}));

    // A run alone makes no record; its undo makes one of zeros.
    const Answers runOnly({run(1, "R", "made:x")});
    EXPECT_TRUE(runOnly.records.empty());
    const Answers undone({run(1, "R", "made:x"), undo(2, "R")});
    ASSERT_EQ(undone.records.size(), 1u);
    EXPECT_EQ(undone.records.at("made:x"), (Record{0, 0, 0}));

    const Answers skipped({answer(1, "event:algebra", "maybe"), answer(2, "event:algebra", "Yes")});
    EXPECT_TRUE(skipped.records.empty());

    const Answers two({yes(1), no(2, "event:physics")});
    EXPECT_EQ(two.records.size(), 2u);
    EXPECT_EQ(two["event:physics"], (Record{0, 1, 1}));
}

TEST(Answers, RoutineIdsCompareAsUnicodeText) {
    const Answers answers({yes(1, "title:caf\u00E9"), yes(2, "title:cafe\u0301")});
    EXPECT_EQ(answers.records.size(), 1u);
    EXPECT_EQ(answers["title:cafe\u0301"], (Record{2, 0, 2}));
    EXPECT_EQ(Answers({yes(1, "title:caf\u00E9")}), Answers({yes(1, "title:cafe\u0301")}));
    EXPECT_NE(Answers({yes(1)}), Answers({no(1)}));
    EXPECT_NE(Answers({yes(1)}), Answers({yes(1, "event:physics")}));
}

} // namespace
} // namespace ostrel
