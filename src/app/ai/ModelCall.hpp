#pragma once

#include "platform/LanguageModel.hpp"

#include <functional>
#include <optional>

// The one way the features that ask the language model on their own go about it: find out
// whether it can answer now, and only then ask. Each step replaces the one before in the call's
// token, so letting the token go stops whichever step is in flight and no callback runs after.
namespace ostrel::ModelCall {

struct Steps {
    // The model probed anything but available.
    std::function<void()> unavailable;
    // The model is available: the request to send, or nothing when the caller has its answer
    // already (it then answers for itself).
    std::function<std::optional<ModelRequest>()> ready;
    // The model's reply to that request.
    std::function<void(const ModelReply&)> replied;
};

// Threading: call from the main executor; every step runs there, later, never inside this call.
[[nodiscard]] Subscription whenAvailable(LanguageModel& model, Steps steps);

} // namespace ostrel::ModelCall
