#include "app/ai/Describe.hpp"

#include "app/ai/OnDevice.hpp"

#include <memory>
#include <utility>

namespace ostrel {

std::string DescribeError::message() const {
    return OnDevice::unavailableReason(model_->availability());
}

namespace Describe {

namespace {

template <class Item, class Name>
std::string joined(const std::vector<Item>& items, Name name) {
    std::string result;
    bool first = true;
    for (const Item& item : items) {
        if (!first) {
            result += ", ";
        }
        result += name(item);
        first = false;
    }
    return result;
}

} // namespace

std::string instructions(const std::vector<InstalledApps::App>& apps, const std::vector<CalendarSeries>& series) {
    return "You turn a student's description of how they like their Mac set up into a routine for the app "
           "Ostrel. Only use apps from this list of apps installed on their Mac, spelled exactly as listed: " +
           joined(apps, [](const InstalledApps::App& app) { return app.name; }) +
           ". Their classes are: " + joined(series, [](const CalendarSeries& one) { return one.title; }) +
           ". Leave out anything they didn't ask for.";
}

Subscription routine(const std::string& words, RoutineIdea::Surroundings surroundings, LanguageModel& model,
                     Done done) {
    ModelRequest request;
    request.instructions = instructions(surroundings.apps, surroundings.series);
    request.prompt = words;
    request.schema = RoutineIdea::schema();
    auto context = std::make_shared<RoutineIdea::Surroundings>(std::move(surroundings));
    return model.respond(std::move(request), [words, context, &model, done = std::move(done)](const ModelReply& reply) {
        if (reply.error) {
            if (reply.error->kind() == ModelError::Kind::unavailable) {
                done(DescribeError(model));
            } else {
                done(*reply.error);
            }
            return;
        }
        Outcome outcome = [&]() -> Outcome {
            try {
                return RoutineIdea::decode(reply.content.value_or("")).draft(words, *context);
            } catch (const IdeaDecodingError& error) {
                return error;
            }
        }();
        done(outcome);
    });
}

std::string message(const Outcome& outcome) {
    if (const auto* error = std::get_if<DescribeError>(&outcome)) {
        return error->message();
    }
    if (const auto* error = std::get_if<ModelError>(&outcome)) {
        return error->what();
    }
    if (const auto* error = std::get_if<IdeaDecodingError>(&outcome)) {
        return error->what();
    }
    return "";
}

} // namespace Describe

} // namespace ostrel
