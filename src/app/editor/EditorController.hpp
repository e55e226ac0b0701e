#pragma once

#include "app/editor/RoutineDraft.hpp"
#include "platform/Clock.hpp"

#include <functional>
#include <string>

namespace ostrel {

class AutopilotController;
class Store;

// What the routine editor's footer does: Save (or "Make it" for a routine being made), Delete on a
// second click, and "Try it now". The sections only change the draft; these are the only ways an
// edit reaches the store or the machine. A save writes the draft's edits (or deletes the stored row
// of a learned routine put back to what was learned), takes the routine off the demoted list unless
// it asks first, re-arms the time cues, tells the application the routines changed and closes the
// window, in that order; a failed write beeps and leaves the window open with every change kept.
//
// Deliberately not here: the window and its widgets, and any check of the edits themselves (the
// draft takes what the sections hand it).
//
// Threading: main executor only, like the draft and the autopilot.
class EditorController {
public:
    struct Services {
        Store* store = nullptr;                 // none when the database did not open
        AutopilotController* autopilot = nullptr; // none without one: nothing is promoted or tried
        const Clock& clock;
        std::function<void()> routinesChanged;  // the application's notification, posted after a write
        std::function<void()> beep;
        std::function<void()> close;            // closes the editor window
    };

    // The draft must outlive the controller.
    EditorController(RoutineDraft& draft, Services services);

    // The line under the name: what kind of routine this is.
    std::string subtitle() const;
    // "Make it" for a routine being made, else "Save".
    std::string saveTitle() const;
    // Only a routine that was stored before can be deleted.
    bool canDelete() const { return !draft_.isNew(); }
    // "Delete", or "Click again to delete" once it was clicked.
    std::string deleteTitle() const;
    bool confirmingDelete() const { return confirmingDelete_; }

    // The window's title, fixed when it opens: the draft's name, else "New routine".
    static std::string windowTitle(const RoutineDraft& draft);
    // The name "Try it now" sets the machine up under.
    static std::string tryName(const RoutineDraft& draft);

    // Writes the draft. Without a store, when the write fails, or for a made routine that neither
    // opens anything nor has a moment (nothing would ever show or start it), it beeps and stores
    // nothing; a made routine without a name is named "My routine" first.
    void save();
    // The first click only asks for a second; the second deletes: a made routine's row goes, a
    // learned routine is stored hidden with its other edits kept. Without a store or when the write
    // fails it beeps and the window stays.
    void deleteClicked();
    // Sets the machine up with the routine as it stands, storing nothing; needs the autopilot.
    void tryIt();

private:
    bool write();

    RoutineDraft& draft_;
    Services services_;
    bool confirmingDelete_ = false;
};

} // namespace ostrel
