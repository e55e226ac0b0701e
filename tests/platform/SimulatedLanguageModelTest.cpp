// The scripted language model the features' tests drive: steps in order, holds, dropped answers.

#include "platform/sim/SimulatedLanguageModel.hpp"

#include "platform/sim/VirtualTime.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class SimulatedLanguageModelTest : public ::testing::Test {
protected:
    // What each answer was: its content, or "error:" and the kind's number.
    std::string said(const ModelReply& reply) {
        return reply.content ? *reply.content
                             : "error:" + std::to_string(static_cast<int>(reply.error->kind()));
    }
    Subscription ask(const std::string& prompt) {
        return model.respond({"instructions", prompt, std::nullopt},
                             [this](const ModelReply& reply) { answers.push_back(said(reply)); });
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedLanguageModel model{main};
    std::vector<std::string> answers;
};

TEST_F(SimulatedLanguageModelTest, StepsAnswerInOrderOnTheExecutorAndHoldsWaitForRelease) {
    model.answer(R"({"name":"Desk"})");
    model.hold();
    model.answer("plain words");
    model.fail(ModelError(ModelError::Kind::timedOut, "late"));
    Subscription first = ask("one");
    Subscription second = ask("two"); // held
    Subscription third = ask("three");
    EXPECT_TRUE(answers.empty()) << "never answered inside the call";
    time.settle();
    EXPECT_EQ(answers, (std::vector<std::string>{R"({"name":"Desk"})", "plain words"}));

    EXPECT_TRUE(model.release());
    EXPECT_FALSE(model.release());
    time.settle();
    EXPECT_EQ(answers.back(), "error:2");
    Subscription fourth = ask("four"); // the script is used up
    time.settle();
    EXPECT_EQ(answers.back(), "error:1");
    ASSERT_EQ(model.requests().size(), 4u);
    EXPECT_EQ(model.requests()[1].prompt, "two");
}

TEST_F(SimulatedLanguageModelTest, AnAnswerIsDroppedOnceItsTokenIsGoneEvenWhenAlreadyPosted) {
    model.answer("kept");
    model.answer("dropped");
    Subscription kept = ask("a");
    {
        Subscription dropped = ask("b"); // posted, then its token goes before it runs
    }
    model.hold();
    Subscription held = ask("c");
    held.cancel();
    time.settle();
    model.release();
    time.settle();
    EXPECT_EQ(answers, std::vector<std::string>{"kept"});
}

TEST_F(SimulatedLanguageModelTest, AvailabilityIsWhatTheLastProbeFoundAndAnUnavailableModelAnswersNothing) {
    EXPECT_EQ(model.availability(), ModelAvailability::other);
    std::vector<ModelAvailability> found;
    model.setAvailability(ModelAvailability::notReady);
    Subscription probe = model.probe([&](ModelAvailability availability) { found.push_back(availability); });
    EXPECT_EQ(model.availability(), ModelAvailability::other) << "known only once the probe has answered";
    time.settle();
    EXPECT_EQ(found, std::vector<ModelAvailability>{ModelAvailability::notReady});
    EXPECT_EQ(model.availability(), ModelAvailability::notReady);

    model.answer("never used");
    Subscription call = ask("x");
    time.settle();
    EXPECT_EQ(answers, std::vector<std::string>{"error:0"});

    model.setAvailability(ModelAvailability::available);
    Subscription next = ask("y");
    time.settle();
    EXPECT_EQ(answers.back(), "never used") << "an unavailable model took no step of the script";
    EXPECT_EQ(model.probes(), 1);
    EXPECT_EQ(toString(ModelAvailability::notEnabled), "notEnabled");
}

} // namespace
} // namespace ostrel
