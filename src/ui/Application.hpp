#pragma once

#include <QPalette>

class QApplication;
class QStyle;

namespace ostrel::ui {

// The look and the window rules every window of the application shares, set once on the
// QApplication before any window is made: the daytime palette and the Fusion style whatever the
// desktop's theme, the bundled rounded font, and an application that keeps running in the tray when
// its last window closes (windows only hide; the tray icon brings them back).
//
// The cloud windows pin the same palette and style on themselves as well, so a theme change the
// desktop pushes later (a dark QApplication palette) still does not reach them.
//
// Threading: the GUI thread only.

// Sets the palette, the style and the font on application and turns off quitting when the last
// window closes. Throws std::runtime_error when the bundled font cannot be registered.
void prepareApplication(QApplication& application);

// The daytime palette: ink text on white fields, the sky's blue for selections, every role of
// every colour group set, so nothing of the desktop's palette shows through.
QPalette lightPalette();

// The process-wide Fusion style (one that draws with the palette it is given, unlike desktop
// styles that take their colours from the desktop theme); made on first use, owned by the
// application object.
QStyle* lightStyle();

} // namespace ostrel::ui
