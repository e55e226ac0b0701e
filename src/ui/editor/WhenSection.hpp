#pragma once

// moc cannot read the core's headers (concepts); it needs none of their names.
#ifndef Q_MOC_RUN
#include "core/routines/Cue.hpp"
#endif

#include "platform/Subscription.hpp"
#include "ui/editor/EditorContext.hpp"

#include <QPointer>
#include <QWidget>

#include <cstddef>
#include <optional>
#include <vector>

class QLabel;
class QMenu;

namespace ostrel {
class RoutineDraft;
}

namespace ostrel::ui {

class AddMenu;
class Chip;
class FlowRow;
class SkyLink;
class TimePicker;

// The editor's When section: the learned moment as a chip (or, switched off, a link that brings it
// back), a chip per cue the student set, and the "Add a moment" menu, worked out afresh on every
// click from what this machine has now. A time cue's chip opens the time picker in a pop-up under
// it; the pop-up closes when the cue list changes under it (a chip removed, the describe card
// filling the draft), since its position may then name another cue.
//
// Threading: the GUI thread only.
class WhenSection : public QWidget {
    Q_OBJECT
public:
    WhenSection(RoutineDraft& draft, const EditorContext& context, QWidget* parent = nullptr);
    ~WhenSection() override;

    // The chips as shown: the learned moment's first when it is in force, then one per cue.
    std::vector<Chip*> chips() const;
    AddMenu* addMenu() const { return addMenu_; }
    SkyLink* learnedLink() const { return learnedLink_; }
    QLabel* note() const { return note_; }
    // The time picker's pop-up while open.
    QWidget* popover() const { return popover_; }
    TimePicker* timePicker() const;

    // Opens the time picker for the cue at index, under its chip (what a click on its words does).
    void editTime(std::size_t index);

private:
    void refresh();
    void rebuildChips();
    void fillMenu(QMenu& menu);

    RoutineDraft& draft_;
    const EditorContext& context_;
    QWidget* chipBox_;
    FlowRow* flow_;
    AddMenu* addMenu_;
    SkyLink* learnedLink_;
    QLabel* note_;
    std::vector<Chip*> chips_;
    // What the chips were built from, so a change elsewhere in the draft leaves them be.
    std::optional<std::vector<Cue>> shownCues_;
    bool shownLearned_ = false;
    QPointer<QWidget> popover_;
    std::size_t popoverIndex_ = 0;
    std::optional<Cue> popoverCue_; // what the picker last wrote at its index
    Subscription watching_;
};

} // namespace ostrel::ui
