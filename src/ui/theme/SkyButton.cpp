#include "ui/theme/SkyButton.hpp"

#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ostrel::ui {
namespace {

constexpr qreal horizontalPadding = 34;
constexpr int capsuleMinimumWidth = 240;
constexpr int capsuleMinimumHeight = 46;
constexpr qreal pressedOpacity = 0.8;
constexpr qreal pressedScale = 0.97;
constexpr int pressMilliseconds = 120;
constexpr qreal shadowOpacity = 0.3;
constexpr qreal shadowRadius = 8;
constexpr qreal shadowOffsetY = 4;

ButtonLabel labelOf(const SkyButton& button) {
    return {button.text(), button.symbol(), Fonts::font(16, Fonts::Weight::semibold)};
}

// One pass of a box blur of the alpha channel along rows (or columns, when transposed).
void boxBlurAlpha(std::vector<float>& alpha, int width, int height, int radius, bool columns) {
    const int lines = columns ? width : height;
    const int length = columns ? height : width;
    std::vector<float> line(static_cast<std::size_t>(length));
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> float& {
            return alpha[static_cast<std::size_t>(columns ? i * width + l : l * width + i)];
        };
        for (int i = 0; i < length; ++i) line[static_cast<std::size_t>(i)] = at(i);
        float sum = 0;
        for (int i = -radius; i <= radius; ++i) sum += (i >= 0 && i < length) ? line[static_cast<std::size_t>(i)] : 0;
        for (int i = 0; i < length; ++i) {
            at(i) = sum / static_cast<float>(2 * radius + 1);
            const int out = i - radius;
            const int in = i + radius + 1;
            if (out >= 0) sum -= line[static_cast<std::size_t>(out)];
            if (in < length) sum += line[static_cast<std::size_t>(in)];
        }
    }
}

} // namespace

SkyButton::SkyButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent), animation(new QVariantAnimation(this)) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    animation->setDuration(pressMilliseconds);
    animation->setEasingCurve(QEasingCurve::OutQuad);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        pressedAmount = value.toReal();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, &SkyButton::followDown);
    connect(this, &QAbstractButton::released, this, &SkyButton::followDown);
}

void SkyButton::setSymbol(const QString& name) {
    symbolName = name;
    updateGeometry();
    update();
}

QMargins SkyButton::shadowMargins() {
    // The blur reaches about its radius past the capsule; the offset moves it down.
    const int reach = static_cast<int>(shadowRadius);
    return {reach, reach - static_cast<int>(shadowOffsetY), reach, reach + static_cast<int>(shadowOffsetY)};
}

QSize SkyButton::minimumSizeHint() const { return sizeHint(); }

QSize SkyButton::sizeHint() const {
    const QSizeF label = labelOf(*this).size();
    const QSize capsule(std::max(capsuleMinimumWidth, static_cast<int>(std::ceil(label.width() + 2 * horizontalPadding))),
                        std::max(capsuleMinimumHeight, static_cast<int>(std::ceil(label.height()))));
    return capsule.grownBy(shadowMargins());
}

QRect SkyButton::capsuleRect() const { return rect().marginsRemoved(shadowMargins()); }

void SkyButton::followDown() {
    // setDown() from code emits no signal; the paint that it asks for catches the change too.
    if (isDown() == pressedTarget) return;
    pressedTarget = isDown();
    animation->stop();
    animation->setStartValue(pressedAmount);
    animation->setEndValue(pressedTarget ? 1.0 : 0.0);
    animation->start();
}

void SkyButton::finishAnimation() {
    followDown();
    animation->stop();
    pressedAmount = pressedTarget ? 1.0 : 0.0;
    update();
}

QImage SkyButton::shadowFor(QSize capsule, qreal ratio) {
    const QMargins margins = shadowMargins();
    const QSize logical = capsule + QSize(2 * margins.left(), 2 * margins.left());
    const QSize pixels(static_cast<int>(std::ceil(logical.width() * ratio)), static_cast<int>(std::ceil(logical.height() * ratio)));
    if (!shadowCache.isNull() && shadowCache.size() == pixels && qFuzzyCompare(shadowCache.devicePixelRatio(), ratio))
        return shadowCache;

    QImage shape(pixels, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        const QRectF body(margins.left(), margins.left(), capsule.width(), capsule.height());
        painter.drawRoundedRect(body, body.height() / 2, body.height() / 2);
    }
    std::vector<float> alpha(static_cast<std::size_t>(pixels.width() * pixels.height()));
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            alpha[static_cast<std::size_t>(y * pixels.width() + x)] = static_cast<float>(qAlpha(shape.pixel(x, y)));
    // Three box passes approach a Gaussian; a blur radius of r reads as a Gaussian of sigma r / 2.
    const qreal sigma = shadowRadius / 2 * ratio;
    const int box = std::max(1, static_cast<int>(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(alpha, pixels.width(), pixels.height(), box, false);
        boxBlurAlpha(alpha, pixels.width(), pixels.height(), box, true);
    }
    const QColor tint = Sky::button();
    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            const int a = std::clamp(static_cast<int>(std::lround(alpha[static_cast<std::size_t>(y * pixels.width() + x)] * shadowOpacity)), 0, 255);
            line[x] = qPremultiply(qRgba(tint.red(), tint.green(), tint.blue(), a));
        }
    }
    shadow.setDevicePixelRatio(ratio);
    shadowCache = shadow;
    return shadowCache;
}

void SkyButton::paintEvent(QPaintEvent*) {
    followDown();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF capsule = capsuleRect();
    const qreal scale = 1 - (1 - pressedScale) * pressedAmount;
    const qreal opacity = 1 - (1 - pressedOpacity) * pressedAmount;
    painter.translate(capsule.center());
    painter.scale(scale, scale);
    painter.translate(-capsule.center());

    const qreal ratio = std::max<qreal>(devicePixelRatioF(), 2);
    const QMargins margins = shadowMargins();
    const QImage shadow = shadowFor(capsule.size().toSize(), ratio);
    // The shadow lies only outside the capsule, so a pressed, lighter capsule does not show it through.
    QPainterPath capsulePath;
    capsulePath.addRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    QPainterPath outside;
    outside.addRect(QRectF(rect()).adjusted(-8, -8, 8, 8));
    painter.save();
    painter.setClipPath(outside.subtracted(capsulePath));
    painter.setOpacity(opacity);
    painter.drawImage(QPointF(capsule.left() - margins.left(), capsule.top() - margins.left() + shadowOffsetY), shadow);
    painter.restore();

    painter.setPen(Qt::NoPen);
    painter.setBrush(Sky::faded(Sky::button(), opacity));
    painter.drawPath(capsulePath);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Sky::faded(Qt::white, 0.6), 1.5));
        const QRectF ring = capsule.adjusted(3, 3, -3, -3);
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
    labelOf(*this).paint(painter, capsule.adjusted(horizontalPadding, 0, -horizontalPadding, 0), Qt::white);
}

} // namespace ostrel::ui
