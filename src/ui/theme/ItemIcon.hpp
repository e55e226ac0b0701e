#pragma once

#include "core/episodes/Item.hpp"
#include "platform/Workspace.hpp"

#include <QImage>
#include <QSize>
#include <QString>

// The icon a routine item is shown with, everywhere it is shown beside its name (ItemDisplay
// gives the name). No cache of its own: each call reads the app's desktop entry and the icon theme
// again, so a newly installed app shows its icon at once (Qt's icon loader keeps its own cache
// for as long as the theme and its search path stay the same).
//
// An app (and a note, by its app): the Icon= of the desktop entry the workspace names for it: an
// absolute path is read as an image file, a name is looked up in the XDG icon theme (the
// desktop's theme, else "hicolor"; searched in ~/.icons and the "icons" folders of
// $XDG_DATA_HOME and $XDG_DATA_DIRS, then their "pixmaps" folders). No entry, no Icon= or
// nothing found: the "questionmark.square.dashed" symbol in Sky::inkSoft. A document: the icon
// theme's icon of its MIME type (by name, and by contents when the file exists), then the type's
// generic icon, else the "doc" symbol. A page: the "globe" symbol. Symbols are drawn in Sky::ink.
//
// It never fails: whatever cannot be read gives the fallback of its kind.
//
// Threading: the GUI thread only (the icon theme is application-wide state).
namespace ostrel::ui::ItemIcon {

// The icon drawn to fill size logical pixels at dpr device pixels each (an image of size * dpr
// pixels, its devicePixelRatio set to dpr); a non-square image keeps its proportions, centred.
QImage icon(const Item& item, const Workspace& workspace, QSize size = {18, 18}, qreal dpr = 2);

// What assistive technology should be told the icon shows, where the name beside it does not
// say it: "Web page" for a page, empty otherwise.
QString description(const Item& item);

// The folders the icon theme is searched in now, from HOME, XDG_DATA_HOME and XDG_DATA_DIRS.
QStringList themeSearchPaths();

} // namespace ostrel::ui::ItemIcon
