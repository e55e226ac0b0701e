#include "core/learning/Autopilot.hpp"

#include "core/browsing/WebPage.hpp"

#include <algorithm>

namespace ostrel::Autopilot {

namespace {

bool opensMeeting(const Routine& routine) {
    return std::any_of(routine.items.begin(), routine.items.end(), [](const Item& item) {
        const auto* page = std::get_if<Item::Page>(&item.value());
        return page != nullptr && WebPage::isMeeting(page->url);
    });
}

// Rules 6 and 8 end alike: a demoted routine asks; otherwise it runs when the user just arrived at
// the machine and asks when a class merely started around them.
Action unlessDemoted(const Routine& routine, bool demoted, bool runNow) {
    if (demoted || !runNow) {
        return Action::ask(routine);
    }
    return Action::run(routine);
}

} // namespace

const Routine* Action::routine() const {
    if (const auto* run = std::get_if<Run>(&value)) {
        return &run->routine;
    }
    if (const auto* ask = std::get_if<Ask>(&value)) {
        return &ask->routine;
    }
    return nullptr;
}

std::string_view caseName(const Action& action) {
    switch (action.value.index()) {
    case 0:
        return "run";
    case 1:
        return "ask";
    default:
        return "nothing";
    }
}

Action action(const std::optional<Choice>& choice, Trigger::Kind at, const Demoted& demoted,
              const Answers& answers) {
    if (!choice) {
        return Action::nothing();
    }
    const Routine& routine = choice->routine;
    const std::optional<RoutineEdits::Mode> mode = routine.edits.mode;
    const bool picked = choice->picked;

    if (mode == RoutineEdits::Mode::off) {
        return Action::nothing();
    }
    if (!mode && !picked && routine.trust == TrustLevel::observe) {
        return Action::nothing();
    }
    if (opensMeeting(routine)) {
        return Action::ask(routine);
    }
    if (mode == RoutineEdits::Mode::ask) {
        return Action::ask(routine);
    }

    const std::string id = routine.key.id();
    const bool isDemoted = demoted.contains(id);
    if (mode == RoutineEdits::Mode::automatic) {
        return unlessDemoted(routine, isDemoted, picked || isArrival(at));
    }
    if (picked) {
        return unlessDemoted(routine, isDemoted, true);
    }
    if (!routine.key.isCalendar()) {
        return unlessDemoted(routine, isDemoted, isArrival(at));
    }

    const Answers::Record record = answers[id];
    if (record.noes >= quiet) {
        return Action::nothing();
    }
    if (std::holds_alternative<ContextKey::Title>(routine.key.value) && routine.support < 2) {
        return Action::ask(routine);
    }
    if (record.yeses >= confident) {
        return Action::run(routine);
    }
    return Action::ask(routine);
}

Action action(const Decision& decision, Trigger::Kind at, const Demoted& demoted, const Answers& answers) {
    std::optional<Choice> choice;
    if (const auto* suggest = std::get_if<Decision::Suggest>(&decision.value)) {
        choice = Choice{suggest->routine, false};
    } else if (const auto* run = std::get_if<Decision::Run>(&decision.value)) {
        choice = Choice{run->routine, false};
    }
    return action(choice, at, demoted, answers);
}

EventPlan plan(const CalendarEvent& event, const Answers& answers) {
    if (!event.recurring) {
        return EventPlan::oneOff();
    }
    const Answers::Record record = answers[ContextKey::event(event.key).id()];
    if (record.noes >= quiet) {
        return EventPlan::stoppedAsking();
    }
    if (std::any_of(event.links.begin(), event.links.end(),
                    [](const std::string& link) { return WebPage::isMeeting(link); })) {
        return EventPlan::alwaysAsks();
    }
    if (record.yeses < confident) {
        return EventPlan::asking(record.yeses);
    }
    return EventPlan::automatic();
}

std::optional<ContextKey> saveOffer(const Context& context, const Answers& answers) {
    for (const CalendarEvent& event : context.events) {
        if (!event.recurring) {
            continue;
        }
        ContextKey key = ContextKey::event(event.key);
        // No record and a record made only by undos both read as never asked.
        if (answers[key.id()].asked == 0) {
            return key;
        }
    }
    return std::nullopt;
}

} // namespace ostrel::Autopilot
