#pragma once

#include "platform/Appearance.hpp"
#include "platform/Clock.hpp"
#include "platform/StatusItem.hpp"
#include "ui/shell/MenuPanel.hpp"
#include "ui/shell/MenuContent.hpp"
#include "ui/shell/MenuPlacement.hpp"
#include "ui/shell/MenuStatus.hpp"

#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>

namespace ostrel::ui {



// The application's menu in the tray: the tray icon with its tooltip, and the cloud panel a click
// on it opens under (or above) the icon. The panel is made afresh from the host's status at every
// opening and closes on a click outside it, when it loses the focus, on Escape and when a row is
// chosen (closed first, then the row's action performed).
//
// A click on the tray icon while the panel is open takes the focus from the panel before the tray
// reports it, so the panel is already closed when the click arrives: a tray click within
// reopenGuard seconds of a close by focus loss is that same click, and does not open it again.
//
// Threading: the GUI thread only.
class StatusMenu : public QObject {
    Q_OBJECT
public:
    static constexpr double reopenGuard = 0.3; // seconds, on the monotonic clock

    // item, clock and appearance must outlive the menu. Shows the icon in the tray at once.
    StatusMenu(StatusItem& item, MenuHost host, const Clock& clock, Appearance& appearance,
               QObject* parent = nullptr);
    ~StatusMenu() override;

    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    // The tray's click: closes an open panel, else opens one.
    void toggle(const StatusItem::Click& click);
    void open(const StatusItem::Click& click);
    void close();

    bool isOpen() const { return panel_ != nullptr; }
    // The open panel; null when closed.
    MenuPanel* panel() const { return panel_; }

    // The screens the panel is placed on, primary first, from QGuiApplication.
    static std::vector<MenuPlacement::Screen> screens();

public Q_SLOTS:
    // The host's status may have changed: the tooltip follows, and an open panel whose row count
    // no longer matches is made again at its new size.
    void statusChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Why { asked, focusLost };

    void present(const MenuStatus& status);
    void closeFor(Why why);
    void choose(MenuAction action);
    void showIcon(const MenuStatus& status);

    StatusItem& item_;
    MenuHost host_;
    const Clock& clock_;
    Appearance& appearance_;
    QPointer<MenuPanel> panel_;
    bool panelActive_ = false; // the panel has had the focus since it opened
    StatusItem::Click lastClick_;
    std::optional<double> focusLostAt_; // monotonic seconds of the last close by focus loss
};

} // namespace ostrel::ui
