#pragma once

#include "app/ai/RoutineIdea.hpp"
#include "platform/LanguageModel.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace ostrel {

// The model could not be used. Its message is the sentence for the model's state at the moment the
// message is asked for (empty once the model has become available), not at the moment of failing.
// Reads the model it was made with: show it while that model lives.
class DescribeError {
public:
    explicit DescribeError(const LanguageModel& model) : model_(&model) {}

    std::string message() const;

    friend bool operator==(const DescribeError&, const DescribeError&) { return true; }

private:
    const LanguageModel* model_;
};

// Turns a student's description of a routine into routine edits through the language model: the
// model gets the words with the installed apps and the student's classes and answers with a
// RoutineIdea, which RoutineIdea::draft checks against the words and the surroundings. It does not
// scan for apps or read devices itself (the caller hands in what it found, so that the names the
// model saw are the ones matched), stores nothing and never retries.
//
// Threading: call from the main executor; the outcome arrives there, later, never inside the call.
namespace Describe {

// A failure of the model other than unavailability (no answer, a time-out, a bad reply) stays a
// ModelError; an answer that is no RoutineIdea is an IdeaDecodingError.
using Outcome = std::variant<Described, DescribeError, ModelError, IdeaDecodingError>;
using Done = std::function<void(const Outcome&)>;

// The model's fixed instructions: the installed apps' names and the series' titles, each in the
// order given, joined by ", ".
std::string instructions(const std::vector<InstalledApps::App>& apps, const std::vector<CalendarSeries>& series);

// Asks the model about words (the prompt, unchanged) with the instructions and RoutineIdea's
// schema, and drafts the answer against the same words and surroundings. An unavailable model gives
// DescribeError. Letting the token go drops the outcome.
[[nodiscard]] Subscription routine(const std::string& words, RoutineIdea::Surroundings surroundings,
                                   LanguageModel& model, Done done);

// The sentence to show for an outcome that is no Described; "" for one that is.
std::string message(const Outcome& outcome);

} // namespace Describe

} // namespace ostrel
