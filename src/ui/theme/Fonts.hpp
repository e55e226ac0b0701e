#pragma once

#include <QFont>
#include <QString>

namespace ostrel::ui {

// The windows' one typeface, Quicksand, a rounded font bundled into the binary and registered with
// the application's font database on first use, so the desktop's own font set never decides how a
// window looks.
//
// Quicksand ships Light, Regular, Medium and Bold faces; the weights the windows ask for map onto
// them by one table (semibold and black have no face of their own and take Bold, the nearest face
// that still reads as heavier than Medium).
//
// Threading: the GUI thread only, after the QApplication exists.
class Fonts {
public:
    enum class Weight { regular, medium, semibold, bold, black };

    // The family of the regular face ("Quicksand"), for text that names no weight; registers the
    // faces first, as every call here does. Throws std::runtime_error when a bundled face cannot be
    // registered (a broken build).
    static QString family();
    // A font of the family, size logical pixels tall (a window's point is one logical pixel, so the
    // sizes the windows name are used as they are), in the face weight maps to.
    static QFont font(int size, Weight weight);
    // The bundled face weight maps to ("Bold" for semibold) and the Qt weight that selects it
    // within that face's family.
    static QString faceName(Weight weight);
    static QFont::Weight qtWeight(Weight weight);
};

} // namespace ostrel::ui
