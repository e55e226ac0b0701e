#include "ui/theme/SkySwitch.hpp"

#include "ui/theme/Sky.hpp"

#include <QPainter>
#include <QPainterPath>

namespace ostrel::ui {

SkySwitch::SkySwitch(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setAccessibleName(accessibleName);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QRectF SkySwitch::knobRect() const {
    const QRectF track(rect());
    const qreal side = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - side : track.left() + 2;
    return {x, track.top() + 2, side, side};
}

void SkySwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(rect());
    QPainterPath path;
    path.addRoundedRect(track, track.height() / 2, track.height() / 2);
    QColor fill = isChecked() ? Sky::button() : QColor::fromRgbF(0.11f, 0.23f, 0.37f, 0.18f);
    if (isDown()) {
        fill = Sky::faded(fill, 0.8);
    }
    painter.fillPath(path, fill);
    painter.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect());
}

} // namespace ostrel::ui
