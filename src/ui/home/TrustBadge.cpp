#include "ui/home/TrustBadge.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace ostrel::ui {

TrustBadge::TrustBadge(const RoutineRowText::Badge& badge, QWidget* parent)
    : QWidget(parent), text_(QString::fromStdString(badge.text)),
      background_(Sky::faded(colour(badge.colour), badge.opacity)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(Fonts::font(textSize, Fonts::Weight::bold));
    setAccessibleName(text_);
}

QColor TrustBadge::colour(RoutineRowText::BadgeColour colour) {
    switch (colour) {
    case RoutineRowText::BadgeColour::leaf:
        return Sky::leaf();
    case RoutineRowText::BadgeColour::sun:
        return Sky::sun();
    case RoutineRowText::BadgeColour::horizon:
        break;
    }
    return Sky::horizon();
}

QSize TrustBadge::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text_))), metrics.height())
        .grownBy(padding);
}

QSize TrustBadge::minimumSizeHint() const {
    return sizeHint();
}

void TrustBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF whole = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(background_);
    painter.drawRoundedRect(whole, whole.height() / 2, whole.height() / 2);
    painter.setPen(Sky::ink());
    painter.setFont(font());
    painter.drawText(whole.marginsRemoved(QMarginsF(padding)), Qt::AlignCenter | Qt::TextSingleLine, text_);
}

} // namespace ostrel::ui
