#include "ui/editor/ChoiceButton.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ostrel::ui {

namespace {

constexpr int paddingX = 14;
constexpr int paddingY = 7;

} // namespace

ChoiceButton::ChoiceButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setFont(Fonts::font(13, Fonts::Weight::semibold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void ChoiceButton::setChosen(bool chosen) {
    if (chosen_ != chosen) {
        chosen_ = chosen;
        update();
    }
}

QSize ChoiceButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * paddingX, metrics.height() + 2 * paddingY};
}

void ChoiceButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect());
    const qreal radius = capsule.height() / 2;
    QColor fill = chosen_ ? Sky::button() : Sky::horizon();
    if (isDown()) {
        fill = Sky::faded(fill, 0.8);
    }
    QPainterPath path;
    path.addRoundedRect(capsule, radius, radius);
    painter.fillPath(path, fill);
    painter.setFont(font());
    painter.setPen(chosen_ ? QColor(Qt::white) : Sky::ink());
    painter.drawText(capsule, Qt::AlignCenter, text());
}

} // namespace ostrel::ui
