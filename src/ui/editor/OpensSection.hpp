#pragma once

// moc cannot read the core's headers (concepts); it needs none of their names.
#ifndef Q_MOC_RUN
#include "core/episodes/Item.hpp"
#include "core/routines/RoutineEdits.hpp"
#endif

#include "platform/Subscription.hpp"

#include <QWidget>

#include <optional>
#include <vector>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QMenu;

namespace ostrel {
class RoutineDraft;
}

namespace ostrel::ui {

struct EditorContext;
class AddMenu;
class FlowRow;
class ItemPill;
class SunButton;

// The editor's Opens section: a pill per thing the routine opens (each with its own menu), the "Add"
// menu (an app, a file, a web page, everything open now), the web-page field while it is open, the
// learned things taken out ("Not opened:", a click brings one back) and, while some app has a
// window place and window control is not allowed, a line saying where to allow it.
//
// Return in the web-page field adds the page and goes no further (it is not the editor's Save).
//
// Threading: the GUI thread only.
class OpensSection : public QWidget {
    Q_OBJECT
public:
    OpensSection(RoutineDraft& draft, const EditorContext& context, QWidget* parent = nullptr);

    const std::vector<ItemPill*>& pills() const { return pills_; }
    AddMenu* addMenu() const { return addMenu_; }
    QWidget* pageRow() const { return pageRow_; }
    QLineEdit* pageField() const { return pageField_; }
    // The "Not opened:" row and its buttons, one per learned item taken out.
    QWidget* removedRow() const { return removedBox_; }
    const std::vector<QAbstractButton*>& removedButtons() const { return removedButtons_; }
    QLabel* accessibilityLine() const { return accessibilityLine_; }

    // Shows the web-page field ("A web page…").
    void startPage();
    // Adds the field's text as a page: nothing for blanks, a beep for no web address (the field
    // keeps it), else the page is added and the field closes empty.
    void addPage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void rebuild();
    void fillMenu(QMenu& menu);

    RoutineDraft& draft_;
    const EditorContext& context_;
    QWidget* pillBox_;
    FlowRow* pillFlow_;
    AddMenu* addMenu_;
    QWidget* pageRow_;
    QLineEdit* pageField_;
    SunButton* pageAdd_;
    QWidget* removedBox_;
    FlowRow* removedFlow_;
    QLabel* accessibilityLine_;
    std::vector<ItemPill*> pills_;
    std::vector<QAbstractButton*> removedButtons_;
    // What the rows were built from.
    std::optional<std::vector<Item>> shownItems_;
    std::vector<Item> shownRemoved_;
    RoutineEdits::Layout shownLayout_;
    Subscription watching_;
};

} // namespace ostrel::ui
