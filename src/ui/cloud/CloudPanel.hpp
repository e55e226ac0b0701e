#pragma once

#include <QPoint>
#include <QWidget>

#include <optional>

namespace ostrel::ui {

// The top-level window every cloud window is: frameless and transparent, so the content draws the
// whole face (its cloud frame and that frame's shadow included; the system's window shadow is
// not used), always in the daytime palette and style whatever the desktop's theme.
//
// Closing only hides it: it is never deleted by closing, so whoever keeps it can show the same
// window again with its content as it was. Dragging any part of its face that is not a control (a
// press the content leaves unhandled) moves the window: through the window system's own move
// where it offers one, otherwise by following the pointer.
//
// It holds no content of its own; CloudWindow::make fills it.
//
// Threading: the GUI thread only.
class CloudPanel : public QWidget {
    Q_OBJECT
public:
    explicit CloudPanel(QWidget* parent = nullptr);

    // Pins the daytime style on every widget inside that has none of its own (the palette reaches
    // them by inheritance; a style does not). Called when the window is filled and on every show.
    void pinStyle();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Drag {
        QPoint pointerAtPress; // global
        QPoint windowAtPress;
    };
    std::optional<Drag> drag_;
};

} // namespace ostrel::ui
