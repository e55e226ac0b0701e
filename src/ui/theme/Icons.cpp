#include "ui/theme/Icons.hpp"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace ostrel::ui {
namespace {

QString pathOf(const QString& name) { return ":/Icons/" + name + ".svg"; }

// The art's coverage as an alpha mask: black ink counts fully, white counts as nothing, so white
// strokes drawn over black shapes become holes.
void keepInkOnly(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Premultiplied: a grey of lightness l at alpha a stores l * a in each channel.
            const int ink = qAlpha(line[x]) - qGreen(line[x]);
            line[x] = qRgba(0, 0, 0, std::max(ink, 0));
        }
    }
}

} // namespace

QImage Icons::image(const QString& name, QSize size, QColor color, qreal devicePixelRatio) {
    if (size.isEmpty() || devicePixelRatio <= 0 || !has(name)) return {};
    static QHash<QString, QImage> cache;
    const QString key = QString("%1|%2x%3|%4|%5").arg(name).arg(size.width()).arg(size.height())
                            .arg(color.name(QColor::HexArgb)).arg(devicePixelRatio);
    if (const auto found = cache.constFind(key); found != cache.constEnd()) return *found;

    const QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(pathOf(name));
    if (!renderer.isValid()) return {};
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    keepInkOnly(image);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, image);
    return image;
}

bool Icons::has(const QString& name) {
    return !name.isEmpty() && !name.contains('/') && QFile::exists(pathOf(name));
}

} // namespace ostrel::ui
