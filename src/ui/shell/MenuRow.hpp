#pragma once

#include "ui/shell/MenuContent.hpp"

#include <QAbstractButton>

namespace ostrel::ui {

// One row of the status menu: its symbol in the sky's button blue, its title in ink and, at its
// end, a badge on a small sun capsule. Under the pointer the whole row shows a horizon-blue
// capsule, and a click anywhere on it counts.
//
// Threading: the GUI thread only.
class MenuRow : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int rowHeight = 33;
    static constexpr int paddingX = 12;
    static constexpr int iconFrame = 20;
    static constexpr int iconSide = 16;
    static constexpr int iconSpacing = 10;
    static constexpr int badgePaddingX = 8;
    static constexpr int badgePaddingY = 2;
    static constexpr int titleSize = 15;
    static constexpr int badgeSize = 11;

    explicit MenuRow(MenuItem item, QWidget* parent = nullptr);

    const MenuItem& item() const { return item_; }

    // Whether the capsule shows: follows the pointer; pictures set it by hand.
    bool highlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

    // Where the parts are drawn, in the row's coordinates.
    QRect iconRect() const;
    QRect titleRect() const;
    QRect badgeRect() const; // empty without a badge

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    MenuItem item_;
    bool highlighted_ = false;
};

} // namespace ostrel::ui
