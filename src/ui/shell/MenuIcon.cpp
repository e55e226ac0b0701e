#include "ui/shell/MenuIcon.hpp"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace ostrel::ui {

QByteArray MenuIcon::svg() {
    QFile file(QStringLiteral(":/Tray/ostrel.svg"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QImage MenuIcon::image(qreal devicePixelRatio) {
    const int pixels = static_cast<int>(std::ceil(side * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(svg());
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

} // namespace ostrel::ui
