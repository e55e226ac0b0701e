#include "ui/cloud/CloudWindow.hpp"

#include "ui/cloud/TrafficLights.hpp"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace ostrel::ui {

CloudPanel* CloudWindow::make(QSize size, QPoint lightsAt, QWidget* content) {
    auto* panel = new CloudPanel;
    panel->setFixedSize(size);

    const QPointer<CloudPanel> weak(panel);
    auto* lights = new TrafficLights(
        [weak] {
            if (weak) weak->close();
        },
        [weak] {
            if (weak) weak->showMinimized();
        },
        panel);

    // The content fills the window; the lights are laid over it, not in a layout beside it.
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    lights->move(lightsAt);
    lights->raise();

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, panel, [weak] {
        if (weak) weak->close();
    });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        panel->move(frame.topLeft());
    }
    panel->pinStyle();
    return panel;
}

} // namespace ostrel::ui
