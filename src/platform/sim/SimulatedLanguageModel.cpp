#include "platform/sim/SimulatedLanguageModel.hpp"

#include <utility>
#include <variant>

namespace ostrel {

namespace {

struct Hold {};
using Step = std::variant<std::string, ModelError, Hold>;

} // namespace

struct SimulatedLanguageModel::State {
    explicit State(Executor& main) : main(main) {}

    // One call's answer slot: cleared when its token goes, so a posted answer finds nobody.
    struct Call {
        Done done;
    };

    Executor& main;
    ModelAvailability next = ModelAvailability::available;
    ModelAvailability known = ModelAvailability::other;
    std::deque<Step> script;
    std::deque<std::shared_ptr<Call>> held;
    std::vector<ModelRequest> requests;
    int probes = 0;

    void deliver(const std::shared_ptr<Call>& call, ModelReply reply) {
        main.post([call, reply = std::move(reply)] {
            if (call->done) {
                std::exchange(call->done, nullptr)(reply);
            }
        });
    }

    // The next step that is not a hold, as a reply.
    ModelReply take() {
        while (!script.empty()) {
            Step step = std::move(script.front());
            script.pop_front();
            if (auto* text = std::get_if<std::string>(&step)) {
                return ModelReply::answer(std::move(*text));
            }
            if (auto* error = std::get_if<ModelError>(&step)) {
                return ModelReply::failure(std::move(*error));
            }
        }
        return ModelReply::failure(ModelError(ModelError::Kind::connection, "nothing scripted to answer"));
    }
};

std::string_view toString(ModelAvailability availability) {
    switch (availability) {
    case ModelAvailability::available:
        return "available";
    case ModelAvailability::notEligible:
        return "notEligible";
    case ModelAvailability::notEnabled:
        return "notEnabled";
    case ModelAvailability::notReady:
        return "notReady";
    case ModelAvailability::other:
        break;
    }
    return "other";
}

SimulatedLanguageModel::SimulatedLanguageModel(Executor& main, ModelAvailability availability)
    : state_(std::make_shared<State>(main)) {
    state_->next = availability;
}

SimulatedLanguageModel::~SimulatedLanguageModel() = default;

void SimulatedLanguageModel::setAvailability(ModelAvailability availability) {
    state_->next = availability;
}

void SimulatedLanguageModel::answer(std::string content) {
    state_->script.emplace_back(std::move(content));
}

void SimulatedLanguageModel::fail(ModelError error) {
    state_->script.emplace_back(std::move(error));
}

void SimulatedLanguageModel::hold() {
    state_->script.emplace_back(Hold{});
}

bool SimulatedLanguageModel::release() {
    if (state_->held.empty()) {
        return false;
    }
    const std::shared_ptr<State::Call> call = state_->held.front();
    state_->held.pop_front();
    state_->deliver(call, state_->take());
    return true;
}

const std::vector<ModelRequest>& SimulatedLanguageModel::requests() const {
    return state_->requests;
}

int SimulatedLanguageModel::probes() const {
    return state_->probes;
}

ModelAvailability SimulatedLanguageModel::availability() const {
    return state_->known;
}

Subscription SimulatedLanguageModel::probe(ProbeDone done) {
    ++state_->probes;
    auto alive = std::make_shared<bool>(true);
    state_->main.post([state = std::weak_ptr<State>(state_), alive, done = std::move(done)] {
        const auto held = state.lock();
        if (!held || !*alive) {
            return;
        }
        held->known = held->next;
        done(held->known);
    });
    return Subscription([alive] { *alive = false; });
}

Subscription SimulatedLanguageModel::respond(ModelRequest request, Done done) {
    state_->requests.push_back(std::move(request));
    auto call = std::make_shared<State::Call>(State::Call{std::move(done)});
    if (state_->next != ModelAvailability::available) {
        state_->deliver(call, ModelReply::failure(
                                  ModelError(ModelError::Kind::unavailable, "the model is not available")));
    } else if (!state_->script.empty() && std::holds_alternative<Hold>(state_->script.front())) {
        state_->script.pop_front();
        state_->held.push_back(call);
    } else {
        state_->deliver(call, state_->take());
    }
    return Subscription([call] { call->done = nullptr; });
}

} // namespace ostrel
