#pragma once

#include "app/editor/RoutineDraft.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <optional>
#include <string>
#include <vector>

// What the Puts away, Also and How sections of the routine editor write into the draft, with the
// choices they offer and the words they show for them.
//
// Deliberately not here: the app picker and listing the student's shortcuts (both the sections'),
// and what the autopilot makes of a mode.
//
// Threading: main executor only, like the draft.
namespace ostrel::AlsoEdits {

// The running apps (Connected::runningApps' order) not yet put away: what "Add" offers.
std::vector<std::string> putAwayOffers(const RoutineDraft& draft, const std::vector<std::string>& runningApps);
// Appends the app even when it is listed already (a picked app is taken as picked).
void putAway(RoutineDraft& draft, const std::string& bundleID);
// Takes every copy of the app off the list.
void keepOut(RoutineDraft& draft, const std::string& bundleID);

// The How choice for a mode: "Set up by itself" while none or automatic. Choosing it while none
// leaves none, so the click alone does not make the edits differ from what was learned.
RoutineEdits::Mode shownMode(const std::optional<RoutineEdits::Mode>& mode);
void chooseMode(RoutineDraft& draft, RoutineEdits::Mode mode);
// The How section's line under its title for a mode.
std::string modeDetail(const std::optional<RoutineEdits::Mode>& mode);

struct Choice {
    std::string title;
    std::optional<RoutineEdits::Mode> mode;
};
// "Set up by itself", "Ask me first", "Off".
const std::vector<Choice>& modeChoices();
// "Ask me" (nothing), "Tidy up by itself", "Leave it".
const std::vector<Choice>& tidyUpChoices();

} // namespace ostrel::AlsoEdits
