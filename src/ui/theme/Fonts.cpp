#include "ui/theme/Fonts.hpp"

#include <QFontDatabase>
#include <QHash>
#include <QStringList>

#include <array>
#include <stdexcept>

namespace ostrel::ui {
namespace {

struct Face {
    Fonts::Weight weight;
    const char* face;
    QFont::Weight qt;
};

// The one table from the weights the windows use to the faces fonts-quicksand ships.
constexpr std::array<Face, 5> faces{{
    {Fonts::Weight::regular, "Regular", QFont::Normal},
    {Fonts::Weight::medium, "Medium", QFont::Medium},
    {Fonts::Weight::semibold, "Bold", QFont::Bold},
    {Fonts::Weight::bold, "Bold", QFont::Bold},
    {Fonts::Weight::black, "Bold", QFont::Bold},
}};

const Face& faceOf(Fonts::Weight weight) {
    for (const Face& f : faces) {
        if (f.weight == weight) return f;
    }
    return faces.front();
}

// Each bundled face's family as the font file names it: the Medium face calls itself "Quicksand
// Medium" (style Regular), so a face is chosen by family, not by weight alone.
const QHash<QString, QString>& families() {
    static const QHash<QString, QString> registered = [] {
        QHash<QString, QString> byFace;
        for (const char* face : {"Regular", "Medium", "Bold"}) {
            const QString path = QStringLiteral(":/Fonts/Quicksand-%1.ttf").arg(QLatin1String(face));
            const int id = QFontDatabase::addApplicationFont(path);
            const QStringList names = id < 0 ? QStringList{} : QFontDatabase::applicationFontFamilies(id);
            if (names.isEmpty()) throw std::runtime_error("Couldn't load the bundled font " + path.toStdString());
            byFace.insert(QLatin1String(face), names.front());
        }
        return byFace;
    }();
    return registered;
}

} // namespace

QString Fonts::family() { return families().value(QStringLiteral("Regular")); }

QFont Fonts::font(int size, Weight weight) {
    QFont f(families().value(faceName(weight)));
    f.setPixelSize(size);
    f.setWeight(qtWeight(weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QString Fonts::faceName(Weight weight) { return QString::fromLatin1(faceOf(weight).face); }

QFont::Weight Fonts::qtWeight(Weight weight) { return faceOf(weight).qt; }

} // namespace ostrel::ui
