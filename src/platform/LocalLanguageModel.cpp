#include "platform/LocalLanguageModel.hpp"

#include "platform/Executor.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <utility>
#include <variant>

namespace ostrel {

namespace {

// libcurl's own limit stays behind the timer on main, which is the one that decides; it only
// ends a transfer whose main executor has stopped running timers.
constexpr double transferMargin = 5;

using Outcome = std::variant<HttpResponse, HttpError>;

// One call on its way. finish, timer: main only. The transfer holds its own copy of cancel.
template <class Result>
struct Call {
    std::function<void(Result)> finish; // cleared once answered or dropped
    std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
    TaskHandle timer;

    void answer(Result result) {
        if (finish) {
            timer.cancel();
            std::exchange(finish, nullptr)(std::move(result));
        }
    }
};

template <class Result>
Subscription tokenOf(const std::shared_ptr<Call<Result>>& call) {
    return Subscription([call] {
        call->finish = nullptr;
        call->timer.cancel();
        call->cancel->store(true);
    });
}

std::string dumpReplacing(const json::Value& value) {
    return value.dump(-1, ' ', false, json::Value::error_handler_t::replace);
}

ModelReply replyOf(const Outcome& outcome) {
    if (const auto* error = std::get_if<HttpError>(&outcome)) {
        switch (error->kind()) {
        case HttpError::Kind::timedOut:
        case HttpError::Kind::cancelled:
            return ModelReply::failure(ModelError(ModelError::Kind::timedOut, "the model did not answer in time"));
        case HttpError::Kind::partial:
            return ModelReply::failure(ModelError(ModelError::Kind::badReply, "the model's answer was cut short"));
        case HttpError::Kind::tooLarge:
            return ModelReply::failure(ModelError(ModelError::Kind::badReply, "the model's answer is too large"));
        case HttpError::Kind::failed:
        case HttpError::Kind::refused:
            break;
        }
        return ModelReply::failure(ModelError(ModelError::Kind::connection, "the model server did not answer"));
    }
    try {
        return ModelReply::answer(LocalLanguageModel::contentOf(std::get<HttpResponse>(outcome)));
    } catch (const ModelError& error) {
        return ModelReply::failure(error);
    }
}

ModelAvailability availabilityOf(const Outcome& outcome, const std::string& model) {
    if (const auto* error = std::get_if<HttpError>(&outcome)) {
        switch (error->kind()) {
        case HttpError::Kind::failed:
        case HttpError::Kind::timedOut:
        case HttpError::Kind::cancelled:
            return ModelAvailability::notEnabled; // no server answers there
        case HttpError::Kind::refused:
        case HttpError::Kind::partial:
        case HttpError::Kind::tooLarge:
            break;
        }
        return ModelAvailability::other;
    }
    return LocalLanguageModel::availabilityOf(std::get<HttpResponse>(outcome), model);
}

} // namespace

struct LocalLanguageModel::State {
    State(const Settings& settings, Executor& main, Executor& queue) : settings(settings), main(main), queue(queue) {}

    const Settings& settings;
    Executor& main;
    Executor& queue;
    const HttpClient http{maxReplyBytes};
    ModelAvailability known = ModelAvailability::other; // main only

    // Answers call with result on main, soon but never inside the caller's call.
    template <class Result>
    void post(const std::shared_ptr<Call<Result>>& call, Result result) {
        main.post([call, result = std::move(result)]() mutable { call->answer(std::move(result)); });
    }

    // Sends request on the queue and answers call on main with what interpret makes of it, or with
    // late once `limit` seconds have passed on main's clock, whichever comes first.
    template <class Result>
    void exchange(const std::shared_ptr<State>& self, const std::shared_ptr<Call<Result>>& call, HttpRequest request,
                  double limit, std::function<Result(const Outcome&)> interpret, Result late) {
        request.cancel = call->cancel;
        request.timeout = limit + transferMargin;
        call->timer = main.postAfter(limit, [call, late = std::move(late)] {
            if (call->finish) {
                call->cancel->store(true);
                call->answer(late);
            }
        });
        queue.post([self, call, request = std::move(request), interpret = std::move(interpret)] {
            Outcome outcome = HttpResponse{};
            try {
                outcome = self->http.send(request);
            } catch (const HttpError& error) {
                outcome = error;
            } catch (const std::exception&) {
                outcome = HttpError("the request could not be made");
            }
            self->post(call, interpret(outcome));
        });
    }
};

LocalLanguageModel::LocalLanguageModel(const Settings& settings, Executor& main, Executor& queue)
    : state_(std::make_shared<State>(settings, main, queue)) {}

LocalLanguageModel::~LocalLanguageModel() = default;

ModelAvailability LocalLanguageModel::availability() const {
    return state_->known;
}

std::optional<std::string> LocalLanguageModel::endpoint(const Settings& settings) {
    std::string url = settings.text(settingsKeys::languageModelEndpoint).value_or(defaultEndpoint);
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    // Checked with a path after it, as it is sent: the path must not change where it goes.
    if (!HttpClient::isLoopbackHttp(url) || !HttpClient::isLoopbackHttp(url + "/api/tags") ||
        url.find_first_of("?#") != std::string::npos) {
        return std::nullopt;
    }
    return url;
}

std::optional<std::string> LocalLanguageModel::modelName(const Settings& settings) {
    auto name = settings.text(settingsKeys::languageModelName);
    if (!name || name->empty()) {
        return std::nullopt;
    }
    return name;
}

double LocalLanguageModel::timeout(const Settings& settings) {
    const auto seconds = settings.number(settingsKeys::languageModelTimeout);
    if (!seconds || !std::isfinite(*seconds) || *seconds <= 0) {
        return defaultTimeout;
    }
    return std::min(*seconds, maxTimeout);
}

std::string LocalLanguageModel::chatBody(const std::string& model, const ModelRequest& request) {
    // Ordered throughout, so the schema reaches the server, in the prompt and as the format, in
    // the order its properties were written.
    using Ordered = nlohmann::ordered_json;
    std::string prompt = request.prompt;
    if (request.schema) {
        prompt += "\n";
        prompt += schemaLine;
        prompt += "\n";
        prompt += request.schema->dump(-1, ' ', false, Ordered::error_handler_t::replace);
    }
    Ordered body = Ordered::object();
    body["model"] = model;
    body["messages"] = Ordered::array({Ordered{{"role", "system"}, {"content", request.instructions}},
                                       Ordered{{"role", "user"}, {"content", std::move(prompt)}}});
    body["stream"] = false;
    if (request.schema) {
        body["format"] = *request.schema;
    }
    return body.dump(-1, ' ', false, Ordered::error_handler_t::replace);
}

ModelAvailability LocalLanguageModel::availabilityOf(const HttpResponse& response, const std::string& model) {
    if (response.status != 200) {
        return ModelAvailability::other;
    }
    json::Value tags;
    try {
        tags = json::parse(response.body);
    } catch (const json::DecodingError&) {
        return ModelAvailability::other;
    }
    const auto models = tags.is_object() ? tags.find("models") : tags.end();
    if (!tags.is_object() || models == tags.end() || !models->is_array()) {
        return ModelAvailability::other;
    }
    bool found = false;
    for (const json::Value& entry : *models) {
        const auto name = entry.is_object() ? entry.find("name") : entry.end();
        if (!entry.is_object() || name == entry.end() || !name->is_string()) {
            return ModelAvailability::other;
        }
        const auto& text = name->get_ref<const std::string&>();
        found = found || text == model || text == model + ":latest";
    }
    return found ? ModelAvailability::available : ModelAvailability::notReady;
}

std::string LocalLanguageModel::contentOf(const HttpResponse& response) {
    if (response.status != 200) {
        throw ModelError(ModelError::Kind::badReply,
                         "the model server answered with status " + std::to_string(response.status));
    }
    json::Value reply;
    try {
        reply = json::parse(response.body);
    } catch (const json::DecodingError&) {
        throw ModelError(ModelError::Kind::badReply, "the model's answer is not one JSON object");
    }
    if (!reply.is_object()) {
        throw ModelError(ModelError::Kind::badReply, "the model's answer is not one JSON object");
    }
    const auto done = reply.find("done");
    if (done == reply.end() || !done->is_boolean() || !done->get<bool>()) {
        throw ModelError(ModelError::Kind::badReply, "the model's answer is not finished");
    }
    const auto message = reply.find("message");
    if (message == reply.end() || !message->is_object()) {
        throw ModelError(ModelError::Kind::badReply, "the model's answer has no message");
    }
    const auto content = message->find("content");
    if (content == message->end() || !content->is_string()) {
        throw ModelError(ModelError::Kind::badReply, "the model's answer has no text");
    }
    return content->get<std::string>();
}

Subscription LocalLanguageModel::probe(ProbeDone done) {
    auto call = std::make_shared<Call<ModelAvailability>>();
    call->finish = [state = std::weak_ptr<State>(state_), done = std::move(done)](ModelAvailability found) {
        if (const auto held = state.lock()) {
            held->known = found;
        }
        done(found);
    };
    const auto url = endpoint(state_->settings);
    const auto model = modelName(state_->settings);
    if (!url) {
        state_->post(call, ModelAvailability::other);
    } else if (!model) {
        state_->post(call, ModelAvailability::notEnabled);
    } else {
        HttpRequest request;
        request.url = *url + "/api/tags";
        request.headers = {{"Accept", "application/json"}};
        state_->exchange<ModelAvailability>(
            state_, call, std::move(request), probeTimeout,
            [model = *model](const Outcome& outcome) { return ostrel::availabilityOf(outcome, model); },
            ModelAvailability::notEnabled);
    }
    return tokenOf(call);
}

Subscription LocalLanguageModel::respond(ModelRequest request, Done done) {
    auto call = std::make_shared<Call<ModelReply>>();
    call->finish = [done = std::move(done)](const ModelReply& reply) { done(reply); };
    const auto url = endpoint(state_->settings);
    const auto model = modelName(state_->settings);
    if (!url || !model || state_->known != ModelAvailability::available) {
        state_->post(call, ModelReply::failure(ModelError(ModelError::Kind::unavailable, "the model is not available")));
    } else {
        HttpRequest post;
        post.method = "POST";
        post.url = *url + "/api/chat";
        post.headers = {{"Content-Type", "application/json"}, {"Accept", "application/json"}};
        post.body = chatBody(*model, request);
        state_->exchange<ModelReply>(
            state_, call, std::move(post), timeout(state_->settings), &replyOf,
            ModelReply::failure(ModelError(ModelError::Kind::timedOut, "the model did not answer in time")));
    }
    return tokenOf(call);
}

} // namespace ostrel
