#pragma once

#include "core/foundation/Rect.hpp"
#include "platform/Availability.hpp"

#include <functional>
#include <optional>
#include <string>

namespace ostrel {

// The application's icon in the desktop's tray (the system menu bar on other desktops): it shows
// an image and a tooltip and reports clicks. Geometry is in global screen coordinates, origin at
// the top-left of the primary screen, y downward.
//
// Threading: main executor only.
class StatusItem {
public:
    struct Click {
        // The icon's frame on screen, when the tray says where it is.
        std::optional<Rect> anchor;
        // The pointer at the click, when known: x and y of a zero-sized rect.
        std::optional<Rect> pointer;
    };
    using OnClick = std::function<void(const Click&)>;

    virtual ~StatusItem() = default;

    // Whether the desktop shows tray icons at all; without one the application runs without a menu.
    virtual Availability availability() const = 0;

    // image: a PNG or SVG file's bytes; the item shows it at the tray's size.
    virtual void setIcon(const std::string& image) = 0;
    virtual void setToolTip(const std::string& text) = 0;
    virtual void setAccessibleName(const std::string& name) = 0;
    virtual void setOnClick(OnClick onClick) = 0;
    virtual void show() = 0;
};

} // namespace ostrel
