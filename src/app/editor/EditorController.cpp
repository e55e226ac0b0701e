#include "app/editor/EditorController.hpp"

#include "app/autopilot/AutopilotController.hpp"
#include "core/store/Store.hpp"

#include <exception>
#include <utility>

namespace ostrel {

namespace {

bool isMade(const RoutineDraft& draft) {
    return std::holds_alternative<ContextKey::Made>(draft.key().value);
}

} // namespace

EditorController::EditorController(RoutineDraft& draft, Services services)
    : draft_(draft), services_(std::move(services)) {}

std::string EditorController::subtitle() const {
    if (!isMade(draft_)) {
        return "Ostrel learned this. Your changes stay, even as it keeps learning.";
    }
    return draft_.isNew() ? "A routine you're making" : "A routine you made";
}

std::string EditorController::saveTitle() const {
    return draft_.isNew() ? "Make it" : "Save";
}

std::string EditorController::deleteTitle() const {
    return confirmingDelete_ ? "Click again to delete" : "Delete";
}

std::string EditorController::windowTitle(const RoutineDraft& draft) {
    const std::string name = draft.name();
    return name.empty() ? "New routine" : name;
}

std::string EditorController::tryName(const RoutineDraft& draft) {
    const std::string name = draft.name();
    return name.empty() ? "your new routine" : name;
}

void EditorController::save() {
    if (services_.store == nullptr) {
        services_.beep();
        return;
    }
    if (isMade(draft_)) {
        // A made routine that opens nothing and waits for no moment would never be shown in the
        // routine book nor start: keep the window open instead of storing something invisible.
        if (draft_.items().empty() && draft_.edits().cues.empty()) {
            services_.beep();
            return;
        }
        if (!draft_.edits().name) {
            RoutineEdits named = draft_.edits();
            named.name = "My routine";
            draft_.setEdits(std::move(named));
        }
    }
    if (!write()) {
        services_.beep();
        return;
    }
    if (services_.autopilot != nullptr) {
        if (draft_.edits().mode != RoutineEdits::Mode::ask) {
            services_.autopilot->promote(draft_.id());
        }
        services_.autopilot->scheduleTimeCues();
    }
    services_.routinesChanged();
    services_.close();
}

bool EditorController::write() {
    try {
        if (!isMade(draft_) && draft_.edits() == RoutineEdits()) {
            services_.store->deleteEdits(draft_.id());
        } else {
            services_.store->save(draft_.edits(), draft_.id(), services_.clock.now());
        }
        return true;
    } catch (const std::exception&) {
        // The store's own failures and a record it refuses to encode alike: nothing was written.
        return false;
    }
}

void EditorController::deleteClicked() {
    if (!canDelete()) {
        return;
    }
    if (!confirmingDelete_) {
        confirmingDelete_ = true;
        return;
    }
    if (services_.store == nullptr) {
        services_.beep();
        return;
    }
    try {
        if (isMade(draft_)) {
            services_.store->deleteEdits(draft_.id());
        } else {
            RoutineEdits hidden = draft_.edits();
            hidden.deleted = true;
            services_.store->save(hidden, draft_.id(), services_.clock.now());
        }
    } catch (const std::exception&) {
        // The routine is still there: say so rather than close as if it were gone.
        services_.beep();
        return;
    }
    if (services_.autopilot != nullptr) {
        services_.autopilot->scheduleTimeCues();
    }
    services_.routinesChanged();
    services_.close();
}

void EditorController::tryIt() {
    if (services_.autopilot == nullptr) {
        return;
    }
    const Routine routine{draft_.key(), draft_.items(), 0, 1.0, TrustLevel::suggest, draft_.edits()};
    services_.autopilot->setUpNow(routine, tryName(draft_));
}

} // namespace ostrel
