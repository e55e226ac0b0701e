#pragma once

#include "app/editor/RoutineDraft.hpp"
#include "core/routines/RoutineEdits.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the Opens section of the routine editor does to the draft beyond adding and removing
// items: a typed web page, everything open now, and where an app's window goes.
//
// Deliberately not here: reading the machine (OpenNow does) and the beep (the section's).
//
// Threading: main executor only, like the draft.
namespace ostrel::OpensEdits {

enum class PageOutcome {
    added,   // the page is in the draft; the field closes and empties
    ignored, // nothing but blanks: nothing happens
    refused, // no web address: beep, the field keeps the text as typed
};

// The typed text, trimmed of blanks and line breaks, with "https://" put in front when it holds no
// "://"; added as a page when it is a URL with a host and an http or https scheme (any case).
PageOutcome addPage(RoutineDraft& draft, std::string_view typed);

// Adds what is open now (each item unless already opened) and copies its window frames for the
// apps that have no placement yet: a placement the student chose is never overwritten.
void mergeOpenNow(RoutineDraft& draft, const RoutineEdits& openNow);

// Sets where the app's window goes; nothing removes the entry (it opens wherever it opens).
void setPlacement(RoutineDraft& draft, const std::string& bundleID,
                  const std::optional<RoutineEdits::Placement>& placement);

// The four choices with a check mark, in menu order: "Wherever it opens" (nothing), "Left half",
// "Right half", "Whole screen". "Where it is now" follows them in the menu as an action.
struct PlacementChoice {
    std::string title;
    std::optional<RoutineEdits::Placement> placement;
};
const std::vector<PlacementChoice>& placementChoices();

// The symbol beside an app's pill for its placement ("rectangle.lefthalf.filled", ...,
// "macwindow" for an exact frame).
std::string_view symbol(const RoutineEdits::Placement& placement);

} // namespace ostrel::OpensEdits
