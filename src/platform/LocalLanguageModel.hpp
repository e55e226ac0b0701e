#pragma once

#include "platform/HttpClient.hpp"
#include "platform/LanguageModel.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace ostrel {

class Executor;
class Settings;

// The language model of a local model server that speaks the Ollama chat API, reached over plain
// http on this machine only. The settings "languageModelEndpoint", "languageModelName" and
// "languageModelTimeout" (SettingsKeys.hpp) are read afresh at every call, so a change applies to
// the next probe or request.
//
// A probe asks GET <endpoint>/api/tags (at most probeTimeout): no answer, or no model name set, is
// notEnabled; a list without our model (its name, or the name + ":latest") is notReady; with it,
// available; any other answer (a status other than 200, a body not of that shape) is other. An
// endpoint that is not http on a loopback host is other and is never contacted.
//
// A request trusts the last probe: unless that found the model available, or the settings now
// name no model or a refused endpoint, it is answered with the error kind `unavailable` without
// contacting anyone. Callers probe first (the probe is cheap; a request may take a minute). A
// request is POST <endpoint>/api/chat, not streamed, with the schema as "format" and, since
// structured answers follow the schema best when they can read it, the schema again at the end of
// the prompt (chatBody()). The answer is taken only from a 200 reply whose body, at most
// maxReplyBytes, is one JSON object with "done" true and a text "message"."content".
//
// It does not retry, keep a session, stream, or judge the answer: the caller decodes it. Prompts
// and answers are never logged or put into error texts (they carry what the student typed and did).
//
// Threading: call from the main executor. The blocking exchange runs on the serial queue given at
// construction; answers and the time-out timer run on main. The time-out (languageModelTimeout,
// probeTimeout for probes) is a timer of main's clock: when it fires the call answers timedOut
// (a probe: notEnabled) and the transfer is aborted. Dropping a call's token drops its answer and
// aborts its transfer. The object may go while transfers run; they end on their own.
class LocalLanguageModel final : public LanguageModel {
public:
    static constexpr const char* defaultEndpoint = "http://127.0.0.1:11434";
    static constexpr double defaultTimeout = 60;
    static constexpr double maxTimeout = 3600;
    static constexpr double probeTimeout = 2;
    static constexpr std::size_t maxReplyBytes = 1u << 20;
    // The line between the prompt and the schema in a structured request.
    static constexpr const char* schemaLine = "Answer with JSON that follows this schema:";

    // settings, main and queue must outlive this object. queue: a serial queue of the runtime
    // (the application's "Ostrel.model"), never main.
    LocalLanguageModel(const Settings& settings, Executor& main, Executor& queue);
    ~LocalLanguageModel() override;

    LocalLanguageModel(const LocalLanguageModel&) = delete;
    LocalLanguageModel& operator=(const LocalLanguageModel&) = delete;

    ModelAvailability availability() const override;
    [[nodiscard]] Subscription probe(ProbeDone done) override;
    [[nodiscard]] Subscription respond(ModelRequest request, Done done) override;

    // The endpoint of the settings without a trailing "/", or nothing when it is not plain http to
    // a loopback host.
    static std::optional<std::string> endpoint(const Settings& settings);
    // The model name of the settings; nothing when missing or empty.
    static std::optional<std::string> modelName(const Settings& settings);
    // Seconds an answer may take: the setting when positive and finite (at most maxTimeout), else
    // defaultTimeout.
    static double timeout(const Settings& settings);

    // The JSON body of the chat request for model: {"format"?, "messages": [system, user],
    // "model", "stream": false}. The user message is the prompt; with a schema, then "\n",
    // schemaLine, "\n" and the schema's compact JSON. Text that is not UTF-8 is replaced, never
    // sent as it is.
    static std::string chatBody(const std::string& model, const ModelRequest& request);

    // What a reply to a probe means; model is the name asked for.
    static ModelAvailability availabilityOf(const HttpResponse& response, const std::string& model);
    // The content of a chat reply; throws ModelError (badReply) for anything but the one accepted
    // shape.
    static std::string contentOf(const HttpResponse& response);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ostrel
