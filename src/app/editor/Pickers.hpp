#pragma once

#include <optional>
#include <string>

namespace ostrel {

// The system's open dialogs the editor asks to choose an app (for an app cue, an app to open or
// to put away) or a document to open. The desktop's dialogs live with the widgets; the editor's
// rules hold only this, so they run without a display and tests answer for the student.
//
// Neither call fails: a cancelled dialog, or a choice that names nothing usable, is nothing.
//
// Threading: main executor only; a real dialog is modal and blocks the caller until answered.
class Pickers {
public:
    virtual ~Pickers() = default;

    // The chosen app's id (its desktop id); nothing when cancelled or the choice is no known app.
    virtual std::optional<std::string> application() = 0;
    // The chosen file's path as the file system spells it (no folders can be chosen); nothing
    // when cancelled.
    virtual std::optional<std::string> file() = 0;
};

} // namespace ostrel
