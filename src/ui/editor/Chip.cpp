#include "ui/editor/Chip.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace ostrel::ui {
namespace {

constexpr qreal pressedOpacity = 0.5;

// A part of the chip that takes clicks and focus; the chip draws it, so the whole capsule is
// painted in one place.
class ChipPart : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

protected:
    void paintEvent(QPaintEvent*) override {}
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

// Runs a copy: the action may destroy the chip that holds the original.
void run(const Chip::Action& action) {
    if (!action)
        return;
    const Chip::Action copy = action;
    copy();
}

QImage symbolImage(const QString& name, int side, QColor color, const QPainter& painter) {
    const qreal ratio = std::max<qreal>(painter.device()->devicePixelRatioF(), 2);
    return Icons::image(name, QSize(side, side), color, ratio);
}

} // namespace

Chip::Chip(const QString& text, const QString& symbol, const QImage& icon, Action action, Action tap,
           QWidget* parent)
    : QWidget(parent), text_(text), symbol_(Icons::has(symbol) ? symbol : QString()), icon_(icon),
      action_(std::move(action)), tap_(std::move(tap)), words_(new ChipPart(this)),
      cross_(new ChipPart(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(Fonts::font(13, Fonts::Weight::medium));

    words_->setText(text);
    words_->setAccessibleName(text);
    if (tap_) {
        words_->setToolTip("Change it");
        words_->setCursor(Qt::PointingHandCursor);
        words_->setFocusPolicy(Qt::TabFocus);
        connect(words_, &QAbstractButton::clicked, this, [this] { run(tap_); });
    } else {
        // Not a button at all: clicks go through to the chip, which ignores them.
        words_->setAttribute(Qt::WA_TransparentForMouseEvents);
        words_->setFocusPolicy(Qt::NoFocus);
    }
    cross_->setAccessibleName("Remove " + text);
    cross_->setCursor(Qt::PointingHandCursor);
    cross_->setFocusPolicy(Qt::TabFocus);
    connect(cross_, &QAbstractButton::clicked, this, [this] { run(action_); });
    for (QAbstractButton* part : {words_, cross_}) {
        connect(part, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
        connect(part, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
    }
    resize(sizeHint());
}

int Chip::textWidth() const {
    return fontMetrics().horizontalAdvance(text_);
}

int Chip::contentHeight() const {
    int height = std::max(fontMetrics().height(), crossSide);
    if (!icon_.isNull())
        height = std::max(height, iconSide);
    if (!symbol_.isEmpty())
        height = std::max(height, symbolSide);
    return height;
}

QSize Chip::sizeHint() const {
    const QRect cross = crossRect();
    return {cross.right() + 1 + horizontalPadding, verticalPadding + contentHeight() + verticalPadding};
}

QSize Chip::minimumSizeHint() const {
    return sizeHint();
}

QRect Chip::iconRect() const {
    if (icon_.isNull())
        return {};
    return {horizontalPadding, verticalPadding + (contentHeight() - iconSide) / 2, iconSide, iconSide};
}

QRect Chip::symbolRect() const {
    if (symbol_.isEmpty())
        return {};
    const int x = icon_.isNull() ? horizontalPadding : iconRect().right() + 1 + spacing;
    return {x, verticalPadding + (contentHeight() - symbolSide) / 2, symbolSide, symbolSide};
}

QRect Chip::textRect() const {
    int x = horizontalPadding;
    if (!symbol_.isEmpty())
        x = symbolRect().right() + 1 + spacing;
    else if (!icon_.isNull())
        x = iconRect().right() + 1 + spacing;
    return {x, verticalPadding, textWidth(), contentHeight()};
}

QRect Chip::wordsRect() const {
    const QRect text = textRect();
    return {horizontalPadding, verticalPadding, text.right() + 1 - horizontalPadding, contentHeight()};
}

QRect Chip::crossRect() const {
    return {wordsRect().right() + 1 + spacing, verticalPadding + (contentHeight() - crossSide) / 2, crossSide,
            crossSide};
}

void Chip::resizeEvent(QResizeEvent*) {
    // The cross's button reaches from halfway into the spacing to the chip's right edge.
    const QRect cross = crossRect();
    words_->setGeometry(wordsRect());
    cross_->setGeometry(cross.left() - spacing / 2, 0, width() - (cross.left() - spacing / 2), height());
}

void Chip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF whole = rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky::horizon());
    painter.drawRoundedRect(whole, whole.height() / 2, whole.height() / 2);

    painter.save();
    if (words_->isDown())
        painter.setOpacity(pressedOpacity);
    if (!icon_.isNull())
        painter.drawImage(QRectF(iconRect()), icon_);
    if (!symbol_.isEmpty())
        painter.drawImage(QRectF(symbolRect()), symbolImage(symbol_, symbolSide, Sky::button(), painter));
    painter.setPen(Sky::ink());
    painter.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     text_);
    painter.restore();

    painter.save();
    if (cross_->isDown())
        painter.setOpacity(pressedOpacity);
    painter.drawImage(QRectF(crossRect()), symbolImage("xmark", crossSide, Sky::inkSoft(), painter));
    painter.restore();

    const QColor focus = Sky::faded(Sky::inkSoft(), 0.5);
    painter.setPen(QPen(focus, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    if (words_->hasFocus()) {
        const QRect words = wordsRect();
        painter.drawLine(QPointF(words.left(), words.bottom() + 1.5),
                         QPointF(words.right(), words.bottom() + 1.5));
    }
    if (cross_->hasFocus())
        painter.drawEllipse(QRectF(crossRect()).adjusted(-2.5, -2.5, 2.5, 2.5));
}

} // namespace ostrel::ui
