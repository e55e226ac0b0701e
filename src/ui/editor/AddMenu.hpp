#pragma once

#include <QAbstractButton>
#include <QMargins>
#include <QMenu>
#include <QRectF>
#include <functional>

namespace ostrel::ui {

// The dashed "+" capsule under a routine editor section's chips that opens a menu of things to
// add: a "plus" symbol and the label in semibold 13 Sky::button, padded 11/6, inside a capsule
// whose border is stroked inside its edge in Sky::button at 45 % opacity, 1.2 px wide, dashed
// 4 px on and 3 px off. No menu indicator (chevron) is drawn. Fixed at its size hint.
//
// A click pops the menu up under the capsule without blocking. The menu belongs to the add menu;
// the section fills it, either once through menu() or, when what it offers changes (what is open
// now, the connected devices), through a builder that refills the emptied menu on every click.
// buildMenu() is that refill alone, so the entries can be read without showing anything.
//
// Threading: the GUI thread only.
class AddMenu : public QAbstractButton {
    Q_OBJECT
public:
    using Builder = std::function<void(QMenu&)>;

    explicit AddMenu(const QString& label, QWidget* parent = nullptr);

    QMenu* menu() const { return menu_; }
    // Called with the emptied menu before each showing; an empty builder leaves the menu as the
    // caller filled it.
    void setMenuBuilder(Builder builder);
    // Refills the menu through the builder (if any) and gives it.
    QMenu* buildMenu();

    // The border as stroked (the widget's rectangle inset by half the line) and the label's box.
    QRectF borderRect() const;
    QRectF labelRect() const;

    static constexpr QMargins padding{11, 6, 11, 6};
    static constexpr qreal lineWidth = 1.2;
    static constexpr qreal dash = 4;
    static constexpr qreal gap = 3;
    static constexpr qreal borderOpacity = 0.45;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    void showMenu();

    QMenu* menu_;
    Builder builder_;
};

} // namespace ostrel::ui
