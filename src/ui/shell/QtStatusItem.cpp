#include "ui/shell/QtStatusItem.hpp"

#include <QCursor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace ostrel::ui {

QtStatusItem::QtStatusItem() {
    QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger || !onClick_) return;
        Click click;
        const QRect frame = tray_.geometry();
        if (frame.isValid()) click.anchor = Rect{double(frame.x()), double(frame.y()), double(frame.width()), double(frame.height())};
        const QPoint pointer = QCursor::pos();
        click.pointer = Rect{double(pointer.x()), double(pointer.y()), 0, 0};
        onClick_(click);
    });
}

Availability QtStatusItem::availability() const {
    if (QSystemTrayIcon::isSystemTrayAvailable()) return Availability::yes();
    return Availability::no("the desktop shows no tray icons");
}

void QtStatusItem::setIcon(const std::string& image) {
    const QByteArray bytes(image.data(), static_cast<qsizetype>(image.size()));
    QIcon icon;
    QSvgRenderer svg(bytes);
    if (svg.isValid()) {
        // The tray asks for its own size; these cover the usual panels at one and two pixels a point.
        for (const int side : {16, 18, 22, 24, 32, 36, 44, 48}) {
            QPixmap pixmap(side, side);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            svg.render(&painter, QRectF(0, 0, side, side));
            painter.end();
            icon.addPixmap(pixmap);
        }
    } else {
        QPixmap pixmap;
        if (pixmap.loadFromData(bytes)) icon.addPixmap(pixmap);
    }
    tray_.setIcon(icon);
}

void QtStatusItem::setToolTip(const std::string& text) { tray_.setToolTip(QString::fromStdString(text)); }

// The tray names an icon by its tooltip and the application's name; Qt offers no other label.
void QtStatusItem::setAccessibleName(const std::string& name) { tray_.setObjectName(QString::fromStdString(name)); }

void QtStatusItem::setOnClick(OnClick onClick) { onClick_ = std::move(onClick); }

void QtStatusItem::show() { tray_.show(); }

} // namespace ostrel::ui
