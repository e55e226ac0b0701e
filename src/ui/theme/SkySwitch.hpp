#pragma once

#include <QAbstractButton>

namespace ostrel::ui {

// The on/off switch of the sky theme: a 38 x 22 track, blue (Sky::button) when on and a soft grey
// when off, with a white knob at the side it is switched to. Checkable; a click flips it and
// emits toggled. No animation, so a picture always shows where it stands.
//
// Threading: the GUI thread only.
class SkySwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkySwitch(const QString& accessibleName, QWidget* parent = nullptr);

    // The knob's circle as drawn now.
    QRectF knobRect() const;

    QSize sizeHint() const override { return {38, 22}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ostrel::ui
