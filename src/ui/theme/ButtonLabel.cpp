#include "ui/theme/ButtonLabel.hpp"

#include "ui/theme/Icons.hpp"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace ostrel::ui {
namespace {

bool hasSymbol(const ButtonLabel& label) { return !label.symbol.isEmpty() && Icons::has(label.symbol); }

// A little taller than the capitals, so a symbol reads as heavy as the words beside it.
qreal symbolSide(const ButtonLabel& label) { return std::round(QFontMetricsF(label.font).capHeight() * 1.5); }

} // namespace

QSizeF ButtonLabel::size() const {
    const QFontMetricsF metrics(font);
    qreal width = std::ceil(metrics.horizontalAdvance(text));
    if (hasSymbol(*this)) width += symbolSide(*this) + (text.isEmpty() ? 0 : symbolSpacing);
    return {width, std::ceil(metrics.height())};
}

void ButtonLabel::paint(QPainter& painter, const QRectF& rect, const QColor& color) const {
    const QSizeF natural = size();
    qreal x = rect.center().x() - natural.width() / 2;
    painter.save();
    if (hasSymbol(*this)) {
        const qreal side = symbolSide(*this);
        const QRectF target(x, rect.center().y() - side / 2, side, side);
        const qreal ratio = std::max<qreal>(painter.device()->devicePixelRatioF(), 2);
        painter.drawImage(target, Icons::image(symbol, QSize(int(side), int(side)), color, ratio));
        x += side + (text.isEmpty() ? 0 : symbolSpacing);
    }
    painter.setFont(font);
    painter.setPen(color);
    const QRectF textRect(x, rect.center().y() - natural.height() / 2, rect.right() - x, natural.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
    painter.restore();
}

} // namespace ostrel::ui
