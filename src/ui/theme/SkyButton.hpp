#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QMargins>

class QVariantAnimation;

namespace ostrel::ui {

// The big blue button of the sky theme (the one main action of a screen): white semibold text on a
// capsule of Sky::button(), at least 240 x 46, with a soft blue shadow below it. Pressing dims the
// capsule to 0.8 and shrinks the whole button to 0.97 about its centre, easing out over 120 ms
// both ways.
//
// The widget includes room for its shadow: the capsule sits inside shadowMargins(), and sizeHint()
// is the capsule's size plus those margins, so a layout that gives the button its hint never
// clips the shadow. Callers that align the capsule with other things offset by the margins. The
// size policy is fixed: the button keeps its hint like a label would; a caller that wants it wider
// sets a minimum width (the capsule fills whatever the widget gets, less the margins).
// The shadow is painted from a pre-blurred capsule image, not a graphics effect, so grab() and
// render() show it.
//
// Threading: the GUI thread only.
class SkyButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkyButton(const QString& text, QWidget* parent = nullptr);

    // A symbol (Icons name) drawn ahead of the text; empty for none.
    void setSymbol(const QString& name);
    QString symbol() const { return symbolName; }

    // How far the capsule sits inside the widget on each side, to leave its shadow room.
    static QMargins shadowMargins();
    // The capsule's rectangle at rest (unscaled).
    QRect capsuleRect() const;

    // 0 at rest, 1 fully pressed; follows isDown() through the press animation.
    qreal pressedness() const { return pressedAmount; }
    // Ends a running press animation at its target now (pictures and tests draw the settled look).
    void finishAnimation();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void followDown();
    QImage shadowFor(QSize capsule, qreal ratio);

    QString symbolName;
    QVariantAnimation* animation;
    qreal pressedAmount = 0;
    bool pressedTarget = false;
    QImage shadowCache;
};

} // namespace ostrel::ui
