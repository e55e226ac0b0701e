#include "ui/theme/PaperCard.hpp"

#include "ui/theme/Sky.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ostrel::ui {

PaperCard::PaperCard(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PaperCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(2, 2, -2, -4);
    QPainterPath shadow;
    shadow.addRoundedRect(card.translated(0, 3), 28, 28);
    painter.fillPath(shadow, Sky::faded(Sky::ink(), 0.10));
    QPainterPath path;
    path.addRoundedRect(card, 28, 28);
    QLinearGradient fill(card.topLeft(), card.bottomLeft());
    fill.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.93f));
    fill.setColorAt(1, QColor::fromRgbF(0.97f, 0.985f, 1, 0.93f));
    painter.fillPath(path, fill);
}

} // namespace ostrel::ui
