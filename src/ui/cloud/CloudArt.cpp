#include "ui/cloud/CloudArt.hpp"

#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

namespace ostrel::ui {
namespace {

constexpr qreal pixelRatio = 2;

QImage rendered(const QString& path) {
    if (!QFileInfo::exists(path)) return {};
    QSvgRenderer svg(path);
    const QSize natural = svg.defaultSize();
    if (!svg.isValid() || natural.isEmpty()) return {};
    QImage image(natural * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

} // namespace

CloudArt::CloudArt(QString folder) : folder_(std::move(folder)) {}

QImage CloudArt::image(const QString& name) {
    auto found = cache_.constFind(name);
    if (found == cache_.constEnd()) found = cache_.insert(name, rendered(folder_ + '/' + name + ".svg"));
    return *found;
}

CloudArt& CloudArt::shared() {
    static CloudArt art(QStringLiteral(":/Clouds"));
    return art;
}

} // namespace ostrel::ui
