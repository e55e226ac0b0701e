#pragma once

#include "platform/Executor.hpp"
#include "platform/LanguageModel.hpp"

#include <deque>
#include <memory>
#include <vector>

namespace ostrel {

// A language model that answers from a script, for tests and the simulator. Each request takes the
// next scripted step: an answer (JSON or text), an error, or a hold, which keeps the request
// waiting until release(). With the script empty a request fails with a connection error. A model
// that is not available answers every request with the error kind `unavailable` and takes no step.
// Every request is recorded, answered or not.
//
// Threading: everything on the executor given (the main executor); answers are posted to it.
class SimulatedLanguageModel final : public LanguageModel {
public:
    explicit SimulatedLanguageModel(Executor& main,
                                    ModelAvailability availability = ModelAvailability::available);
    ~SimulatedLanguageModel() override;

    SimulatedLanguageModel(const SimulatedLanguageModel&) = delete;
    SimulatedLanguageModel& operator=(const SimulatedLanguageModel&) = delete;

    // What the next probe finds. availability() changes only when a probe has found it.
    void setAvailability(ModelAvailability availability);

    void answer(std::string content);
    void fail(ModelError error);
    void hold();
    // Answers the oldest held request with the next step after the holds; false when none is held.
    bool release();

    // Every request, in the order asked.
    const std::vector<ModelRequest>& requests() const;
    int probes() const;

    ModelAvailability availability() const override;
    [[nodiscard]] Subscription probe(ProbeDone done) override;
    [[nodiscard]] Subscription respond(ModelRequest request, Done done) override;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ostrel
