#pragma once

#include "core/foundation/Json.hpp"

#include <QImage>

// The drawers behind shot(), one per window kind, each in its own file under shots/. Each throws
// ShotError for a state it cannot use (json::DecodingError from a reader is turned into one).
namespace ostrel::ui::shots {

// The banner card: "title", "detail", "primary", "secondary", "pressed".
QImage banner(const json::Value& state);

// The status menu's panel: the keys of `ostrel-dev menu`'s state file and "hover" (a row's index).
QImage menu(const json::Value& state);

// The routine editor's describe card on a pale ground: "describe" (idle, working, unavailable, notes,
// failure) and "words".
QImage describeCard(const json::Value& state);

// A cloud window of each kind around its sky, with its lights.
QImage cloudWindow(const json::Value& state);
// The routine editor: "db", "tz", "routine" ("new" or an id), "machine", "edits", "describing",
// "describe", "words", "timePopover", "page", "confirmingDelete", "trusted", "scroll".
QImage editor(const json::Value& state);
// The Home window over a database read in place: "db", "tz", "at" (ms), "tab", "span", "config".
QImage home(const json::Value& state);
// The score export window; state keys in README.md.
QImage exportWindow(const json::Value& state);
// The sky theme's controls, each style at rest and pressed, pills and a wrapping flow row.
QImage styles(const json::Value& state);
// The sky behind a window: "art", "band", "t", "live", "reduceMotion", "width", "height", "skyInset".
QImage scene(const json::Value& state);

} // namespace ostrel::ui::shots
