#include "ui/theme/Pill.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace ostrel::ui {
namespace {

constexpr int spacing = 6;
constexpr QMargins padding(7, 5, 11, 5);

} // namespace

Pill::Pill(const QImage& icon, const QString& text, QWidget* parent) : QWidget(parent), iconImage(icon) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(Fonts::font(13, Fonts::Weight::medium));
    setText(text);
}

Pill::Pill(const QString& symbol, const QString& text, QWidget* parent)
    : Pill(Icons::image(symbol, QSize(iconSide, iconSide), Sky::ink()), text, parent) {}

void Pill::setText(const QString& text) {
    fullText = text;
    setAccessibleName(text);
    setToolTip(shownText() == text ? QString() : text);
    updateGeometry();
    update();
}

void Pill::setIcon(const QImage& icon) {
    iconImage = icon;
    update();
}

int Pill::textWidth() const { return std::min(fontMetrics().horizontalAdvance(fullText), maxTextWidth); }

QString Pill::shownText() const { return fontMetrics().elidedText(fullText, Qt::ElideMiddle, maxTextWidth); }

QSize Pill::sizeHint() const {
    const int contentHeight = std::max(iconSide, fontMetrics().height());
    return {padding.left() + iconSide + spacing + textWidth() + padding.right(), padding.top() + contentHeight + padding.bottom()};
}

QSize Pill::minimumSizeHint() const { return sizeHint(); }

QRect Pill::iconRect() const {
    return {padding.left(), (height() - iconSide) / 2, iconSide, iconSide};
}

void Pill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF whole = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky::horizon());
    painter.drawRoundedRect(whole, whole.height() / 2, whole.height() / 2);
    if (!iconImage.isNull()) painter.drawImage(QRectF(iconRect()), iconImage);
    painter.setPen(Sky::ink());
    const QRect textRect(padding.left() + iconSide + spacing, 0, textWidth(), height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

} // namespace ostrel::ui
