#pragma once

// moc cannot read the core's headers (concepts); it needs none of their names.
#ifndef Q_MOC_RUN
#include "app/editor/DescribeFill.hpp"
#include "app/editor/EditorController.hpp"
#include "app/editor/RoutineDraft.hpp"
#endif

#include "platform/Subscription.hpp"
#include "ui/editor/EditorContext.hpp"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QScrollArea;

namespace ostrel::ui {

class AlsoSection;
class CloudScene;
class DescribeCard;
class HowSection;
class OpensSection;
class PutsAwaySection;
class SkyLink;
class SunButton;
class WhenSection;

// The routine editor: the one place a student changes a learned routine or makes one. A fixed
// 680 x 820 scene over the editor's sky: the name (typed over the sky) with a line saying what kind
// of routine it is, a scrolling form of sections that only change the draft (the describe card
// first while describing, then When, Opens, Puts away, Also and How), and a footer with Delete,
// "Try it now" and Save ("Make it" for a routine being made). Return anywhere saves, except where a
// field takes it for itself (the web-page field adds its page, the describe text starts a line).
//
// The editor owns its draft for the window's life; the controller stores it. Closing the window
// any other way stores nothing.
//
// Threading: the GUI thread only.
class RoutineEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize size{680, 820};

    // live: the window's (the sky moves and the form scrolls); a picture passes false and the form
    // is laid out whole, clipped to its area. close is what Save and Delete run when done.
    RoutineEditor(std::unique_ptr<RoutineDraft> draft, const EditorContext& context, std::function<void()> close,
                  bool live, bool describing, QWidget* parent = nullptr);
    ~RoutineEditor() override;

    RoutineDraft& draft() { return *draft_; }
    EditorController& controller() { return controller_; }
    QLineEdit* nameField() const { return nameField_; }
    QLabel* subtitle() const { return subtitle_; }
    QScrollArea* formArea() const { return formArea_; }
    QWidget* form() const { return form_; }
    DescribeCard* describeCard() const { return describeCard_; }
    // The describe card's state; none unless describing.
    DescribeFill* describeFill() const { return describeFill_.get(); }
    WhenSection* when() const { return when_; }
    OpensSection* opens() const { return opens_; }
    PutsAwaySection* putsAway() const { return putsAway_; }
    AlsoSection* also() const { return also_; }
    HowSection* how() const { return how_; }
    SkyLink* deleteButton() const { return delete_; }
    SunButton* tryButton() const { return try_; }
    SunButton* saveButton() const { return save_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void nameEdited(const QString& text);
    void refreshName();
    void fitName();

    std::unique_ptr<RoutineDraft> draft_;
    EditorContext context_; // the sections keep references to it
    std::function<void()> close_;
    EditorController controller_;
    std::unique_ptr<DescribeFill> describeFill_; // after the draft it writes: goes first
    CloudScene* sky_;
    QLineEdit* nameField_;
    QLabel* subtitle_;
    QScrollArea* formArea_;
    QWidget* form_;
    DescribeCard* describeCard_ = nullptr;
    WhenSection* when_;
    OpensSection* opens_;
    PutsAwaySection* putsAway_;
    AlsoSection* also_;
    HowSection* how_;
    SkyLink* delete_ = nullptr;
    SunButton* try_;
    SunButton* save_;
    bool naming_ = false; // the field is writing the draft's name
    Subscription watching_;
};

} // namespace ostrel::ui
