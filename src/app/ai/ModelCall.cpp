#include "app/ai/ModelCall.hpp"

#include <memory>

namespace ostrel::ModelCall {

Subscription whenAvailable(LanguageModel& model, Steps steps) {
    struct Call {
        Steps steps;
        Subscription step; // the probe, then the question
    };
    auto call = std::make_shared<Call>();
    call->steps = std::move(steps);
    const std::weak_ptr<Call> weak = call;
    call->step = model.probe([weak, &model](ModelAvailability availability) {
        const auto held = weak.lock();
        if (!held) {
            return;
        }
        if (availability != ModelAvailability::available) {
            held->steps.unavailable();
            return;
        }
        auto request = held->steps.ready();
        if (!request) {
            return;
        }
        held->step = model.respond(std::move(*request), [weak](const ModelReply& reply) {
            if (const auto held = weak.lock()) {
                held->steps.replied(reply);
            }
        });
    });
    return Subscription([call] {
        call->step.cancel();
        call->steps = {};
    });
}

} // namespace ostrel::ModelCall
