#include "ui/theme/Sun.hpp"

#include "ui/theme/Sky.hpp"

#include <QPainter>

namespace ostrel::ui {

Sun::Sun(int diameter, QSize frame, QWidget* parent) : QWidget(parent), diameter_(diameter) {
    setFixedSize(frame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Sun::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky::sun());
    const QRectF disc(0, 0, diameter_, diameter_);
    painter.drawEllipse(disc.translated(QRectF(rect()).center() - disc.center()));
}

} // namespace ostrel::ui
