#include "ui/cloud/TrafficLights.hpp"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QtMath>

#include <utility>

namespace ostrel::ui {

TrafficLight::TrafficLight(Look look, QWidget* parent) : QAbstractButton(parent), look_(std::move(look)) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(TrafficLights::lightSize, TrafficLights::lightSize);
    setCursor(Qt::ArrowCursor);
}

void TrafficLight::setSymbolShown(bool shown) {
    if (shown == symbolShown_) return;
    symbolShown_ = shown;
    update();
}

QSize TrafficLight::sizeHint() const { return {TrafficLights::lightSize, TrafficLights::lightSize}; }

QImage TrafficLight::symbolImage(qreal pixelRatio) {
    if (!symbol_.isNull() && symbol_.devicePixelRatio() == pixelRatio) return symbol_;
    // Drawn once per pixel ratio and tinted black whatever colour the icon's file uses, so only
    // the opacity decides how strong the mark is.
    const int side = qCeil(TrafficLights::symbolSize * pixelRatio);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(look_.symbol);
    if (svg.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, side, side));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), Qt::black);
    }
    image.setDevicePixelRatio(pixelRatio);
    symbol_ = image;
    return symbol_;
}

void TrafficLight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(look_.fill);
    painter.drawEllipse(disc);

    // The border lies inside the disc's edge, as an inner stroke does.
    const qreal inset = TrafficLights::borderWidth / 2;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(look_.border, TrafficLights::borderWidth));
    painter.drawEllipse(disc.adjusted(inset, inset, -inset, -inset));

    if (symbolShown_) {
        const QImage symbol = symbolImage(devicePixelRatioF());
        const qreal side = TrafficLights::symbolSize;
        painter.setOpacity(TrafficLights::symbolOpacity);
        painter.drawImage(QRectF(disc.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), symbol);
    }
}

TrafficLights::TrafficLights(std::function<void()> close, std::function<void()> minimise, QWidget* parent)
    : QWidget(parent),
      close_(new TrafficLight({closeFill(), closeBorder(), QStringLiteral(":/Icons/xmark.svg")}, this)),
      minimise_(new TrafficLight({minimiseFill(), minimiseBorder(), QStringLiteral(":/Icons/minus.svg")}, this)) {
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
    close_->setAccessibleName(QStringLiteral("Close"));
    minimise_->setAccessibleName(QStringLiteral("Minimise"));
    close_->move(padding, padding);
    minimise_->move(padding + lightSize + spacing, padding);
    connect(close_, &QAbstractButton::clicked, this, [action = std::move(close)] {
        if (action) action();
    });
    connect(minimise_, &QAbstractButton::clicked, this, [action = std::move(minimise)] {
        if (action) action();
    });
}

QSize TrafficLights::sizeHint() const { return {2 * padding + 2 * lightSize + spacing, 2 * padding + lightSize}; }

void TrafficLights::enterEvent(QEnterEvent* event) {
    setHovering(true);
    QWidget::enterEvent(event);
}

void TrafficLights::leaveEvent(QEvent* event) {
    setHovering(false);
    QWidget::leaveEvent(event);
}

void TrafficLights::hideEvent(QHideEvent* event) {
    setHovering(false);
    QWidget::hideEvent(event);
}

void TrafficLights::setHovering(bool hovering) {
    hovering_ = hovering;
    close_->setSymbolShown(hovering);
    minimise_->setSymbolShown(hovering);
}

} // namespace ostrel::ui
