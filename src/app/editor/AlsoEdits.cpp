#include "app/editor/AlsoEdits.hpp"

#include <algorithm>

namespace ostrel::AlsoEdits {

std::vector<std::string> putAwayOffers(const RoutineDraft& draft, const std::vector<std::string>& runningApps) {
    const std::vector<std::string>& listed = draft.edits().putAway;
    std::vector<std::string> offers;
    for (const std::string& id : runningApps) {
        if (std::find(listed.begin(), listed.end(), id) == listed.end()) {
            offers.push_back(id);
        }
    }
    return offers;
}

void putAway(RoutineDraft& draft, const std::string& bundleID) {
    draft.change([&](RoutineEdits& edits) { edits.putAway.push_back(bundleID); });
}

void keepOut(RoutineDraft& draft, const std::string& bundleID) {
    draft.change([&](RoutineEdits& edits) { std::erase(edits.putAway, bundleID); });
}

RoutineEdits::Mode shownMode(const std::optional<RoutineEdits::Mode>& mode) {
    return mode.value_or(RoutineEdits::Mode::automatic);
}

void chooseMode(RoutineDraft& draft, RoutineEdits::Mode mode) {
    if (mode == RoutineEdits::Mode::automatic && !draft.edits().mode) {
        return;
    }
    draft.change([&](RoutineEdits& edits) { edits.mode = mode; });
}

std::string modeDetail(const std::optional<RoutineEdits::Mode>& mode) {
    switch (shownMode(mode)) {
    case RoutineEdits::Mode::automatic:
        return "When you open the Mac, or at a moment you picked, it just happens. You can always undo.";
    case RoutineEdits::Mode::ask:
        return "A cloud asks first: Set up, or Not now.";
    case RoutineEdits::Mode::off:
        return "Ostrel keeps it, but never sets it up.";
    }
    return "";
}

const std::vector<Choice>& modeChoices() {
    static const std::vector<Choice> choices = {
        {"Set up by itself", RoutineEdits::Mode::automatic},
        {"Ask me first", RoutineEdits::Mode::ask},
        {"Off", RoutineEdits::Mode::off},
    };
    return choices;
}

const std::vector<Choice>& tidyUpChoices() {
    static const std::vector<Choice> choices = {
        {"Ask me", std::nullopt},
        {"Tidy up by itself", RoutineEdits::Mode::automatic},
        {"Leave it", RoutineEdits::Mode::off},
    };
    return choices;
}

} // namespace ostrel::AlsoEdits
