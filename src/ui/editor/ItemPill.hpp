#pragma once

// moc cannot read the core's headers (concepts); it needs none of their names.
#ifndef Q_MOC_RUN
#include "core/episodes/Item.hpp"
#endif


#include <QAbstractButton>

#include <functional>

class QMenu;

namespace ostrel {
class RoutineDraft;
}

namespace ostrel::ui {

struct EditorContext;
class Pill;

// One thing a routine opens, in the editor's Opens section: the item's pill (icon and name), and for
// an app with a placement the placement's symbol beside it. A click opens its menu: for an app,
// where its window goes ("Wherever it opens", the halves, the whole screen, each checked when it is
// the current one, then "Where it is now", which beeps when the app shows no window), and for every
// item "Don't open it".
//
// Threading: the GUI thread only.
class ItemPill : public QAbstractButton {
    Q_OBJECT
public:
    ItemPill(RoutineDraft& draft, Item item, const EditorContext& context, QWidget* parent = nullptr);

    const Item& item() const { return item_; }
    Pill* pill() const { return pill_; }
    // The placement symbol's name; empty when none is shown.
    QString placementSymbol() const { return symbol_; }
    // Fills the menu afresh and gives it, without showing it.
    QMenu* buildMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RoutineDraft& draft_;
    Item item_;
    const EditorContext& context_;
    Pill* pill_;
    QString symbol_;
    QMenu* menu_;
};

} // namespace ostrel::ui
