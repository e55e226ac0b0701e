// Describing a routine through the (scripted) language model: what the model is asked and how each
// kind of answer reaches the caller.

#include "app/ai/Describe.hpp"
#include "platform/sim/SimulatedLanguageModel.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "support/Items.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

class DescribeTest : public ::testing::Test {
protected:
    RoutineIdea::Surroundings surroundings() const {
        return {{{"Slack", "com.slack.Slack"}, {"Zotero", "org.zotero.Zotero"}},
                {{"s-calc", "Calculus II", 0}, {"s-bio", "Biology Lab", 0}},
                std::nullopt,
                {},
                {}};
    }

    // Asks and waits until the model has answered.
    std::optional<Describe::Outcome> describe(const std::string& words) {
        std::optional<Describe::Outcome> outcome;
        Subscription token = Describe::routine(words, surroundings(), model,
                                               [&](const Describe::Outcome& given) { outcome = given; });
        EXPECT_FALSE(outcome) << "never answered inside the call";
        time.settle();
        return outcome;
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedLanguageModel model{main};
};

TEST_F(DescribeTest, AsksWithTheAppsAndClassesInTheInstructionsAndTheWordsAsThePrompt) {
    model.answer("{}");
    (void)describe("Slack and Zotero at 9 on weekdays");
    ASSERT_EQ(model.requests().size(), 1u);
    const ModelRequest& request = model.requests().front();
    EXPECT_EQ(request.instructions,
              "You turn a student's description of how they like their Mac set up into a routine for the app Ostrel. "
              "Only use apps from this list of apps installed on their Mac, spelled exactly as listed: Slack, Zotero. "
              "Their classes are: Calculus II, Biology Lab. Leave out anything they didn't ask for.");
    EXPECT_EQ(request.prompt, "Slack and Zotero at 9 on weekdays");
    EXPECT_EQ(request.schema, RoutineIdea::schema()); // in schema order, as written
}

TEST_F(DescribeTest, WithoutAppsOrClassesTheListsAreEmpty) {
    EXPECT_EQ(Describe::instructions({}, {}),
              "You turn a student's description of how they like their Mac set up into a routine for the app Ostrel. "
              "Only use apps from this list of apps installed on their Mac, spelled exactly as listed: . "
              "Their classes are: . Leave out anything they didn't ask for.");
}

TEST_F(DescribeTest, AnAnswerIsDraftedAgainstTheSameWordsAndSurroundings) {
    model.answer(R"({"name": "desk", "apps": ["slack", "Zotero"], "websites": [], "places": [], "hide": [],
                     "mute": false, "when": {"kind": "a class starting", "hour": 0, "minute": 0, "days": [],
                     "name": "calculus"}})");
    const auto outcome = describe("open slack and zotero, but close zotero, when calculus starts");
    ASSERT_TRUE(outcome);
    const auto* described = std::get_if<Described>(&*outcome);
    ASSERT_NE(described, nullptr) << Describe::message(*outcome);
    EXPECT_EQ(described->edits.name, "Desk");
    EXPECT_EQ(test::ids(described->edits.added), std::vector<std::string>{"app:com.slack.Slack"});
    EXPECT_EQ(described->edits.putAway, std::vector<std::string>{"org.zotero.Zotero"});
    EXPECT_EQ(described->edits.cues, std::vector<Cue>{Cue{Cue::Event{"s-calc"}}});
    EXPECT_EQ(Describe::message(*outcome), "");
}

TEST_F(DescribeTest, FailuresReachTheCallerEachAsItsOwnKind) {
    model.answer("Sure! Here is your routine.");
    const auto garbage = describe("slack");
    ASSERT_TRUE(garbage);
    EXPECT_TRUE(std::holds_alternative<IdeaDecodingError>(*garbage));
    EXPECT_NE(Describe::message(*garbage), "");

    model.answer(R"({"name": "x", "apps": [], "websites": [], "places": [], "hide": [], "mute": false,
                     "when": {"kind": "at a time of day", "hour": 25, "minute": 0, "days": [], "name": ""}})");
    const auto outOfRange = describe("slack");
    ASSERT_TRUE(outOfRange);
    EXPECT_TRUE(std::holds_alternative<IdeaDecodingError>(*outOfRange));

    model.fail(ModelError(ModelError::Kind::timedOut, "The model took too long to answer."));
    const auto late = describe("slack");
    ASSERT_TRUE(late);
    const auto* error = std::get_if<ModelError>(&*late);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->kind(), ModelError::Kind::timedOut);
    EXPECT_EQ(Describe::message(*late), "The model took too long to answer.");
}

TEST_F(DescribeTest, AnUnavailableModelGivesTheSentenceOfItsStateWhenItIsRead) {
    SimulatedLanguageModel off(main, ModelAvailability::notEnabled);
    off.setAvailability(ModelAvailability::notEnabled);
    Subscription probe = off.probe([](ModelAvailability) {});
    time.settle();

    std::optional<Describe::Outcome> outcome;
    Subscription token =
        Describe::routine("slack", surroundings(), off, [&](const Describe::Outcome& given) { outcome = given; });
    time.settle();
    ASSERT_TRUE(outcome);
    ASSERT_TRUE(std::holds_alternative<DescribeError>(*outcome));
    EXPECT_EQ(Describe::message(*outcome), "Turn on the on-device model in Ostrel's settings to use this.");

    // The message follows the model's state, not the state at the failure.
    off.setAvailability(ModelAvailability::notReady);
    probe = off.probe([](ModelAvailability) {});
    time.settle();
    EXPECT_EQ(Describe::message(*outcome), "The on-device model is still downloading. Try again in a while.");
    off.setAvailability(ModelAvailability::available);
    probe = off.probe([](ModelAvailability) {});
    time.settle();
    EXPECT_EQ(std::get<DescribeError>(*outcome).message(), "");
}

TEST_F(DescribeTest, LettingTheTokenGoDropsTheOutcome) {
    model.hold();
    model.answer("{}");
    bool called = false;
    Subscription token = Describe::routine("slack", surroundings(), model, [&](const Describe::Outcome&) { called = true; });
    time.settle();
    token.cancel();
    EXPECT_TRUE(model.release());
    time.settle();
    EXPECT_FALSE(called);
    EXPECT_EQ(model.requests().size(), 1u);
}

} // namespace
} // namespace ostrel
