#pragma once

#include "core/foundation/Rect.hpp"
#include "core/routines/RoutineEdits.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

#include <optional>
#include <string>

// The desktop as it stands, turned into routine edits: which apps the student has open and where
// their front windows are. "From what's open now" starts a routine from edits(), the Opens
// section adds the same list to a draft, and "Where it is now" on an app takes placement().
//
// Deliberately not here: anything remembered between calls (the workspace and the windows are
// read afresh each time) and any check for repeats: two running starts of one app add it twice.
// The desktop's file manager stands in for the file browser that is always running and is never
// listed; it is the default handler of folders (the "inode/directory" type), as the workspace
// says now.
//
// Threading: call on the main executor; window reads block for at most the accessibility
// messaging timeout each. Nothing here throws.
namespace ostrel::OpenNow {

// The content type whose default handler is the desktop's file manager.
inline constexpr const char* folderType = "inode/directory";

// The kept running apps (regular, shown, not this program, with an id, not on the built-in
// exclusion list, not the file manager), the frontmost one first and the rest in the workspace's
// order, each appended to `added`; with accessibility trusted, each app whose front standard
// window's frame can be read gets that frame in `layout` (a later start of the same app
// overwrites it). Every other field is that of empty edits; nothing open gives empty edits.
RoutineEdits edits(const Workspace& workspace, WindowAccessibility& accessibility);

// Where the first running app of that id has its front standard window now, as a frame
// placement; nothing without trust, when no such app runs, without a standard window, or when
// its frame cannot be read or made whole numbers.
std::optional<RoutineEdits::Placement> placement(const std::string& bundleID, const Workspace& workspace,
                                                 WindowAccessibility& accessibility);

// A window's frame as a placement: standardised, each value truncated toward zero. Nothing when a
// value is not finite or does not fit a signed 64-bit integer (the app is then left unplaced).
std::optional<RoutineEdits::Placement> framePlacement(const Rect& frame);

} // namespace ostrel::OpenNow
