#pragma once

#include "platform/Subscription.hpp"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace ostrel {
class RoutineDraft;
}

namespace ostrel::ui {

struct EditorContext;
class AddMenu;
class Chip;
class FlowRow;

// The editor's Puts away section: a chip per app the routine hides (with the app's icon; the cross
// takes every copy off), and "Add": the running apps not listed yet, then "Another app…".
//
// Threading: the GUI thread only.
class PutsAwaySection : public QWidget {
    Q_OBJECT
public:
    PutsAwaySection(RoutineDraft& draft, const EditorContext& context, QWidget* parent = nullptr);

    const std::vector<Chip*>& chips() const { return chips_; }
    AddMenu* addMenu() const { return addMenu_; }

private:
    void refresh();
    void fillMenu(QMenu& menu);

    RoutineDraft& draft_;
    const EditorContext& context_;
    QWidget* chipBox_;
    FlowRow* flow_;
    AddMenu* addMenu_;
    std::vector<Chip*> chips_;
    std::optional<std::vector<std::string>> shown_;
    Subscription watching_;
};

} // namespace ostrel::ui
