#pragma once

#include "core/foundation/Json.hpp"
#include "platform/Subscription.hpp"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrel {

// Whether the machine's language model can answer, and if not, why: the states the features tell
// the student apart. `other` covers everything else (a server that answers oddly, an endpoint we
// refuse to contact, a state not known yet).
enum class ModelAvailability { available, notEligible, notEnabled, notReady, other };

// "available", "notEligible", "notEnabled", "notReady", "other".
std::string_view toString(ModelAvailability availability);

// One question to the model: fixed instructions (the system's part), the prompt (the user's part)
// and, for a structured answer, the JSON Schema the answer must follow; without one the answer is
// plain text. The schema keeps its properties in the order written: the model generates them in
// that order, so a later property can build on an earlier one.
struct ModelRequest {
    std::string instructions;
    std::string prompt;
    std::optional<nlohmann::ordered_json> schema;

    friend bool operator==(const ModelRequest&, const ModelRequest&) = default;
};

// Why a request got no answer. The message names the failure, never the request or the answer
// (they carry what the student typed and did).
class ModelError : public std::runtime_error {
public:
    enum class Kind {
        unavailable, // the model cannot be used now (see availability())
        connection,  // the model did not answer: refused, reset, gone
        timedOut,    // no whole answer within the time-out
        badReply,    // an answer that is not what was asked for (status, format, size)
    };

    ModelError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// The answer to one request: the content (the JSON text of the structured answer, or the plain
// text), or the error.
struct ModelReply {
    std::optional<std::string> content;
    std::optional<ModelError> error;

    static ModelReply answer(std::string content) { return {std::move(content), std::nullopt}; }
    static ModelReply failure(ModelError error) { return {std::nullopt, std::move(error)}; }
};

// The language model of this machine, as the features that name routines, turn descriptions into
// routines and write the week's look-back use it. It knows nothing of those features: it sends a
// request and hands back the raw answer, which the caller decodes and judges.
//
// Threading: call from the main executor. Answers arrive on the main executor, never inside the
// call that asked. Destroying the token a call returns drops its answer (the callback is not
// called, not even when the answer was already on its way) and stops the work where it can, so a
// caller that goes away simply lets its token go.
class LanguageModel {
public:
    using ProbeDone = std::function<void(ModelAvailability)>;
    using Done = std::function<void(const ModelReply&)>;

    virtual ~LanguageModel() = default;

    // What the last probe found; `other` before the first probe has finished.
    virtual ModelAvailability availability() const = 0;
    // Asks the model afresh whether it can answer; done gets the new state, which availability()
    // reports from then on.
    [[nodiscard]] virtual Subscription probe(ProbeDone done) = 0;
    // Asks the model one question. done gets the answer or a ModelError; an unavailable model
    // answers with the error kind `unavailable`.
    [[nodiscard]] virtual Subscription respond(ModelRequest request, Done done) = 0;
};

} // namespace ostrel
