#include "ui/theme/SunButton.hpp"

#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QPainter>

#include <cmath>

namespace ostrel::ui {
namespace {

constexpr qreal pressedOpacity = 0.75;
constexpr qreal pressedScale = 0.96;

ButtonLabel labelOf(const SunButton& button) {
    return {button.text(), button.symbol(), Fonts::font(button.isSmall() ? 12 : 14, Fonts::Weight::bold)};
}

} // namespace

SunButton::SunButton(const QString& text, bool small, QWidget* parent) : QAbstractButton(parent), small(small) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SunButton::setSmall(bool value) {
    small = value;
    updateGeometry();
    update();
}

void SunButton::setSymbol(const QString& name) {
    symbolName = name;
    updateGeometry();
    update();
}

QMargins SunButton::padding() const { return small ? QMargins(12, 4, 12, 4) : QMargins(16, 7, 16, 7); }

QSize SunButton::sizeHint() const {
    const QSizeF label = labelOf(*this).size();
    return QSize(static_cast<int>(std::ceil(label.width())), static_cast<int>(std::ceil(label.height()))).grownBy(padding());
}

QSize SunButton::minimumSizeHint() const { return sizeHint(); }

QRectF SunButton::capsuleRect() const {
    const qreal scale = isDown() ? pressedScale : 1.0;
    const QRectF whole = rect();
    QRectF scaled(0, 0, whole.width() * scale, whole.height() * scale);
    scaled.moveCenter(whole.center());
    return scaled;
}

void paintSunCapsule(QPainter& painter, const QRectF& capsule, bool down, bool focused) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky::faded(Sky::sun(), down ? pressedOpacity : 1.0));
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    if (focused) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Sky::faded(Sky::ink(), 0.35), 1.2));
        const QRectF ring = capsule.adjusted(1.5, 1.5, -1.5, -1.5);
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
    painter.restore();
}

void SunButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF whole = rect();
    const qreal scale = isDown() ? pressedScale : 1.0;
    painter.translate(whole.center());
    painter.scale(scale, scale);
    painter.translate(-whole.center());
    paintSunCapsule(painter, whole, isDown(), hasFocus());
    labelOf(*this).paint(painter, whole.marginsRemoved(QMarginsF(padding())), Sky::ink());
}

} // namespace ostrel::ui
