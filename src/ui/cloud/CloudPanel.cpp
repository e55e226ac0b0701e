#include "ui/cloud/CloudPanel.hpp"

#include "ui/Application.hpp"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

namespace ostrel::ui {

CloudPanel::CloudPanel(QWidget* parent) : QWidget(parent) {
    // Minimisable although frameless: the window manager hides it on request (the minimise light).
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(false);

    QPalette palette = lightPalette();
    palette.setColor(QPalette::Window, Qt::transparent);
    setPalette(palette);
    setStyle(lightStyle());
}

void CloudPanel::pinStyle() {
    QStyle* style = lightStyle();
    for (QWidget* child : findChildren<QWidget*>()) {
        if (!child->testAttribute(Qt::WA_SetStyle)) child->setStyle(style);
    }
}

void CloudPanel::closeEvent(QCloseEvent* event) {
    // Accepting hides the window; with delete-on-close off the object and its content stay.
    drag_.reset();
    event->accept();
}

void CloudPanel::showEvent(QShowEvent* event) {
    pinStyle();
    QWidget::showEvent(event);
}

void CloudPanel::mousePressEvent(QMouseEvent* event) {
    // Presses reach the window only when no control inside took them: this is the background.
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    event->accept();
    if (QWindow* window = windowHandle(); window && window->startSystemMove()) return;
    drag_ = Drag{event->globalPosition().toPoint(), pos()};
}

void CloudPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_ || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
    event->accept();
    move(drag_->windowAtPress + (event->globalPosition().toPoint() - drag_->pointerAtPress));
}

void CloudPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && drag_) {
        drag_.reset();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace ostrel::ui
