#include "ui/theme/ItemIcon.hpp"

#include "platform/linux/DesktopEntries.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/Sky.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QStandardPaths>
#include <fstream>
#include <optional>
#include <sstream>

namespace ostrel::ui::ItemIcon {
namespace {

const QString unknownSymbol = "questionmark.square.dashed";

QString fromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QSize pixelsOf(QSize size, qreal dpr) {
    return (QSizeF(size) * dpr).toSize();
}

// image scaled to fit pixels, keeping its proportions, centred on a transparent square.
QImage fitted(const QImage& image, QSize pixels, qreal dpr) {
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QImage scaled = image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(1); // drawn pixel for pixel, whatever ratio the source had
    QPainter painter(&canvas);
    painter.drawImage(QPoint((pixels.width() - scaled.width()) / 2, (pixels.height() - scaled.height()) / 2),
                      scaled);
    painter.end();
    canvas.setDevicePixelRatio(dpr);
    return canvas;
}

QImage symbol(const QString& name, QColor color, QSize size, qreal dpr) {
    return Icons::image(name, size, color, dpr);
}

// Points Qt's icon loader at the folders the environment names now and makes sure a theme is
// chosen; both are only set when they differ, since a change empties the loader's cache.
void prepareTheme() {
    const QStringList paths = themeSearchPaths();
    if (QIcon::themeSearchPaths() != paths)
        QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName("hicolor");
}

std::optional<QImage> fromPixmapsFolders(const QString& name, QSize pixels, qreal dpr) {
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        for (const char* suffix : {".png", ".svg", ".xpm"}) {
            QImageReader reader(data + "/pixmaps/" + name + suffix);
            if (const QImage image = reader.read(); !image.isNull())
                return fitted(image, pixels, dpr);
        }
    }
    return std::nullopt;
}

std::optional<QImage> themed(const QString& name, QSize size, qreal dpr) {
    if (name.isEmpty())
        return std::nullopt;
    prepareTheme();
    const QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        return std::nullopt;
    const QImage image = icon.pixmap(size, dpr).toImage();
    if (image.isNull())
        return std::nullopt;
    return fitted(image, pixelsOf(size, dpr), dpr);
}

// An Icon= value: a file when absolute, else an icon name (an old-style name may carry the
// image's extension, which the theme lookup does not want).
std::optional<QImage> fromIconKey(const std::string& value, QSize size, qreal dpr) {
    const QString key = fromPath(value);
    if (key.isEmpty())
        return std::nullopt;
    if (QDir::isAbsolutePath(key)) {
        QImageReader reader(key);
        const QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return fitted(image, pixelsOf(size, dpr), dpr);
    }
    QString name = key;
    for (const char* suffix : {".png", ".svg", ".xpm"}) {
        if (name.endsWith(suffix))
            name.chop(4);
    }
    if (auto image = themed(name, size, dpr))
        return image;
    return fromPixmapsFolders(name, pixelsOf(size, dpr), dpr);
}

QImage appIcon(const std::string& appID, const Workspace& workspace, QSize size, qreal dpr) {
    const QImage unknown = symbol(unknownSymbol, Sky::inkSoft(), size, dpr);
    const std::optional<std::string> path = workspace.applicationPath(appID);
    if (!path)
        return unknown;
    std::ifstream file(*path, std::ios::binary);
    if (!file)
        return unknown;
    std::ostringstream text;
    text << file.rdbuf();
    const std::optional<DesktopEntry> entry = DesktopEntries::parse(text.str(), "");
    if (!entry)
        return unknown;
    return fromIconKey(entry->icon, size, dpr).value_or(unknown);
}

QImage documentIcon(const std::string& path, QSize size, qreal dpr) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fromPath(path));
    if (auto image = themed(type.iconName(), size, dpr))
        return *image;
    if (auto image = themed(type.genericIconName(), size, dpr))
        return *image;
    return symbol("doc", Sky::ink(), size, dpr);
}

} // namespace

QStringList themeSearchPaths() {
    QStringList paths{QDir::homePath() + "/.icons"};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        paths << data + "/icons";
    }
    return paths;
}

QImage icon(const Item& item, const Workspace& workspace, QSize size, qreal dpr) {
    return std::visit(
        [&](const auto& value) -> QImage {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Item::App>) {
                return appIcon(value.bundleID, workspace, size, dpr);
            } else if constexpr (std::is_same_v<T, Item::Note>) {
                return appIcon(value.app, workspace, size, dpr);
            } else if constexpr (std::is_same_v<T, Item::Document>) {
                return documentIcon(value.path, size, dpr);
            } else {
                const QString name = Icons::has("globe") ? "globe" : unknownSymbol;
                return symbol(name, Sky::ink(), size, dpr);
            }
        },
        item.value());
}

QString description(const Item& item) {
    return item.kind() == Item::Kind::page ? "Web page" : QString();
}

} // namespace ostrel::ui::ItemIcon
