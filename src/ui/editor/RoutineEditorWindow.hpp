#pragma once

#include "app/editor/RoutineDraft.hpp"
#include "ui/editor/EditorContext.hpp"

#include <memory>

namespace ostrel {
class AppModel;
}

namespace ostrel::ui {

class CloudPanel;
class RoutineEditor;

// Opens the routine editor in its cloud window, one at a time: opening another closes the first
// without saving it. The window is titled with the routine's name as it opens (or "New routine")
// and keeps that title while the student renames it. Save and Delete close it when done; closing
// it any other way drops the draft.
//
// Threading: the GUI thread only.
class RoutineEditorWindow {
public:
    // The application's editor: the app model's store, autopilot, place source and model, the
    // desktop's open dialogs and the system beep; "quevRoutinesChanged" is posted on the model.
    static RoutineEditor* show(AppModel& app, std::unique_ptr<RoutineDraft> draft, bool describing);
    // The same with a context of the caller's, which must outlive the window.
    static RoutineEditor* show(const EditorContext& context, std::unique_ptr<RoutineDraft> draft, bool describing);

    // The window open now; none when closed.
    static CloudPanel* current();
    static RoutineEditor* currentEditor();
    // Closes and forgets the open window.
    static void close();
};

} // namespace ostrel::ui
