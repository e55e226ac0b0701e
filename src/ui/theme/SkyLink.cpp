#include "ui/theme/SkyLink.hpp"

#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QPainter>

#include <cmath>

namespace ostrel::ui {
namespace {

constexpr qreal pressedOpacity = 0.5;

ButtonLabel labelOf(const SkyLink& link) { return {link.text(), link.symbol(), Fonts::font(14, Fonts::Weight::medium)}; }

} // namespace

SkyLink::SkyLink(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SkyLink::setSymbol(const QString& name) {
    symbolName = name;
    updateGeometry();
    update();
}

QSize SkyLink::sizeHint() const {
    const QSizeF label = labelOf(*this).size();
    return {static_cast<int>(std::ceil(label.width())), static_cast<int>(std::ceil(label.height()))};
}

QSize SkyLink::minimumSizeHint() const { return sizeHint(); }

bool SkyLink::hitButton(const QPoint& position) const { return rect().contains(position); }

void SkyLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QColor color = Sky::faded(Sky::inkSoft(), isDown() ? pressedOpacity : 1.0);
    labelOf(*this).paint(painter, rect(), color);
    if (hasFocus()) {
        painter.setPen(QPen(Sky::faded(Sky::inkSoft(), 0.5), 1, Qt::DotLine));
        painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
    }
}

} // namespace ostrel::ui
