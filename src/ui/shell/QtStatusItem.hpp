#pragma once

#include "platform/StatusItem.hpp"

#include <QSystemTrayIcon>

namespace ostrel::ui {

// The tray role over Qt's system tray icon (the freedesktop StatusNotifierItem or the X11 tray,
// whichever the desktop offers). A click reports the icon's frame when the tray tells it, and the
// pointer.
//
// Threading: the GUI thread only.
class QtStatusItem final : public StatusItem {
public:
    QtStatusItem();

    Availability availability() const override;
    // An SVG is drawn at the tray's usual sizes; anything else is read as a bitmap.
    void setIcon(const std::string& image) override;
    void setToolTip(const std::string& text) override;
    void setAccessibleName(const std::string& name) override;
    void setOnClick(OnClick onClick) override;
    void show() override;

    // The Qt icon, for tests.
    const QSystemTrayIcon& tray() const { return tray_; }

private:
    QSystemTrayIcon tray_;
    OnClick onClick_;
};

} // namespace ostrel::ui
