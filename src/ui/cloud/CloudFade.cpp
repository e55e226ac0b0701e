#include "ui/cloud/CloudFade.hpp"

#include "ui/cloud/CloudArt.hpp"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace ostrel::ui {

CloudFade::CloudFade(int height, QImage top, QImage bottom, QObject* parent)
    : QGraphicsEffect(parent), height_(std::max(0, height)), top_(std::move(top)), bottom_(std::move(bottom)) {}

void CloudFade::draw(QPainter* painter) {
    if (height_ == 0 || (top_.isNull() && bottom_.isNull())) return drawSource(painter);

    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (source.isNull()) return;
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QSizeF size = image.deviceIndependentSize();
    const qreal band = std::min<qreal>(height_, size.height() / 2);

    // The mask: each band's art stretched across it (opaque where an edge has no art), opaque
    // between. DestinationIn then keeps the content only as far as the mask is opaque.
    QImage mask(image.size(), QImage::Format_ARGB32_Premultiplied);
    mask.setDevicePixelRatio(image.devicePixelRatio());
    mask.fill(Qt::black);
    {
        QPainter bands(&mask);
        bands.setRenderHint(QPainter::SmoothPixmapTransform);
        bands.setCompositionMode(QPainter::CompositionMode_Source);
        if (!top_.isNull()) bands.drawImage(QRectF(0, 0, size.width(), band), top_);
        if (!bottom_.isNull()) bands.drawImage(QRectF(0, size.height() - band, size.width(), band), bottom_);
    }
    QPainter masking(&image);
    masking.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    masking.drawImage(QPoint(), mask);
    masking.end();

    painter->drawImage(offset, image);
}

CloudFade* cloudFade(QWidget* content, int height) {
    CloudArt& art = CloudArt::shared();
    auto* effect = new CloudFade(height, art.image(QStringLiteral("fade-top")), art.image(QStringLiteral("fade-bottom")), content);
    content->setGraphicsEffect(effect);
    return effect;
}

} // namespace ostrel::ui
