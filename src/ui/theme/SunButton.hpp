#pragma once

#include <QAbstractButton>
#include <QMargins>
#include <QRectF>

class QPainter;

namespace ostrel::ui {

// The warm yellow button of the sky theme (a secondary action: "Set up now", "Undo"): bold ink
// text on a Sky::sun() capsule. The small form (small = true) is 12 px text with 12/4 padding
// instead of 14 px with 16/7. Pressing dims the capsule to 0.75 and shrinks the button to 0.96
// about its centre, at once (no animation, no shadow).
//
// Threading: the GUI thread only.
// The sun capsule filling capsule: Sky::sun(), dimmed to 0.75 while down, with the focus ring
// inside it when focused. Shared by every control drawn as a sun button.
void paintSunCapsule(QPainter& painter, const QRectF& capsule, bool down, bool focused);

class SunButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SunButton(const QString& text, bool small = false, QWidget* parent = nullptr);

    bool isSmall() const { return small; }
    void setSmall(bool small);
    // A symbol (Icons name) drawn ahead of the text; empty for none.
    void setSymbol(const QString& name);
    QString symbol() const { return symbolName; }

    // The padding around the text: left/right and top/bottom (16/7, or 12/4 when small).
    QMargins padding() const;
    // The capsule as drawn now: the whole widget at rest, shrunk about the centre while pressed.
    QRectF capsuleRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool small;
    QString symbolName;
};

} // namespace ostrel::ui
