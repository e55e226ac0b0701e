#include "app/editor/DescribeFill.hpp"

#include "app/ai/Describe.hpp"
#include "app/ai/OnDevice.hpp"
#include "app/editor/Connected.hpp"

#include <utility>

namespace ostrel {

DescribeFill::DescribeFill(RoutineDraft& draft, Sources sources) : draft_(draft), sources_(std::move(sources)) {}

DescribeFill::~DescribeFill() = default;

void DescribeFill::setWords(std::string words) {
    notifier_.assign(words_, std::move(words), Property::words);
}

bool DescribeFill::usable() const {
    return !availability_ || *availability_ == ModelAvailability::available;
}

std::string DescribeFill::unavailableReason() const {
    return usable() ? std::string() : OnDevice::unavailableReason(*availability_);
}

bool DescribeFill::canFill() const {
    if (working_) {
        return false;
    }
    return words_.find_first_not_of(" \t") != std::string::npos;
}

void DescribeFill::probe() {
    if (sources_.model == nullptr) {
        probing_.cancel();
        notifier_.assign(availability_, std::optional(ModelAvailability::other), Property::availability);
        return;
    }
    probing_ = sources_.model->probe([this](ModelAvailability found) {
        notifier_.assign(availability_, std::optional(found), Property::availability);
    });
}

bool DescribeFill::fill() {
    if (!canFill()) {
        return false;
    }
    notifier_.assign(failure_, std::nullopt, Property::failure);
    notifier_.assign(working_, true, Property::working);

    // What is true now, when the student pressed the button; only the app scan waits for the worker.
    RoutineIdea::Surroundings surroundings;
    surroundings.series = draft_.series();
    if (sources_.network) {
        surroundings.network = sources_.network();
    }
    if (sources_.displays != nullptr) {
        for (Connected::Display& display : Connected::displays(*sources_.displays)) {
            surroundings.displays.push_back({std::move(display.uuid), std::move(display.name)});
        }
    }
    if (sources_.audio != nullptr) {
        surroundings.audio = Connected::audioDevices(*sources_.audio);
    }

    // The words as typed now: an edit during the scan belongs to the next fill.
    std::string words = words_;
    if (!sources_.installedApps) {
        ask(std::move(words), std::move(surroundings));
        return true;
    }
    auto back = guard_.wrap([this, words = std::move(words)](RoutineIdea::Surroundings& gathered) {
        ask(words, std::move(gathered));
    });
    sources_.worker.post([scan = sources_.installedApps, &main = sources_.main, back = std::move(back),
                          surroundings = std::move(surroundings)]() mutable {
        surroundings.apps = scan();
        main.post([back = std::move(back), surroundings = std::move(surroundings)]() mutable { back(surroundings); });
    });
    return true;
}

void DescribeFill::ask(const std::string& words, RoutineIdea::Surroundings surroundings) {
    if (sources_.model == nullptr) {
        finish(nullptr);
        return;
    }
    describing_ = Describe::routine(words, std::move(surroundings), *sources_.model,
                                    [this](const Describe::Outcome& outcome) { finish(std::get_if<Described>(&outcome)); });
}

void DescribeFill::finish(const Described* described) {
    if (described != nullptr) {
        RoutineEdits edits = described->edits;
        // A made routine keeps the moment its draft was made, whatever the model wrote.
        edits.created = draft_.edits().created;
        draft_.setEdits(std::move(edits));
        notifier_.assign(notes_, described->notes, Property::notes);
    } else {
        notifier_.assign(failure_, std::optional<std::string>(failureText), Property::failure);
    }
    notifier_.assign(working_, false, Property::working);
}

} // namespace ostrel
