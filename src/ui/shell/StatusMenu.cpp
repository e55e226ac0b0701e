#include "ui/shell/StatusMenu.hpp"

#include "ui/Application.hpp"
#include "ui/shell/MenuIcon.hpp"
#include "ui/shell/MenuPanel.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace ostrel::ui {
namespace {

Rect rectOf(const QRect& rect) { return {double(rect.x()), double(rect.y()), double(rect.width()), double(rect.height())}; }

} // namespace

StatusMenu::StatusMenu(StatusItem& item, MenuHost host, const Clock& clock, Appearance& appearance, QObject* parent)
    : QObject(parent), item_(item), host_(std::move(host)), clock_(clock), appearance_(appearance) {
    item_.setAccessibleName("Ostrel");
    showIcon(host_.status ? host_.status() : MenuStatus{});
    item_.setOnClick([this](const StatusItem::Click& click) { toggle(click); });
    item_.show();
}

StatusMenu::~StatusMenu() {
    item_.setOnClick({});
    // Deferred: the menu may go from inside a row's click, while the panel still handles it.
    if (panel_) {
        qApp->removeEventFilter(this);
        panel_->hide();
        panel_->deleteLater();
    }
}

std::vector<MenuPlacement::Screen> StatusMenu::screens() {
    std::vector<MenuPlacement::Screen> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) result.push_back({rectOf(primary->geometry()), rectOf(primary->availableGeometry())});
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) result.push_back({rectOf(screen->geometry()), rectOf(screen->availableGeometry())});
    }
    return result;
}

void StatusMenu::toggle(const StatusItem::Click& click) {
    if (isOpen()) {
        close();
        return;
    }
    if (focusLostAt_) {
        const double since = clock_.monotonic() - *focusLostAt_;
        focusLostAt_.reset();
        // The click that took the focus from the panel has already closed it.
        if (since >= 0 && since < reopenGuard) return;
    }
    open(click);
}

void StatusMenu::open(const StatusItem::Click& click) {
    if (host_.refresh) host_.refresh();
    const MenuStatus status = host_.status ? host_.status() : MenuStatus{};
    showIcon(status);
    lastClick_ = click;
    present(status);
}

void StatusMenu::present(const MenuStatus& status) {
    if (panel_) closeFor(Why::asked);
    const MenuContent content = MenuContent::of(status);
    auto* panel = new MenuPanel(content, clock_, appearance_);
    panel->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel->setAttribute(Qt::WA_TranslucentBackground);
    panel->setAttribute(Qt::WA_DeleteOnClose, false);
    panel->setPalette(lightPalette());
    panel->setStyle(lightStyle());
    panel->setOnChoose([this](MenuAction action) { choose(action); });
    panel->setOnEscape([this] { close(); });

    const MenuPlacement::Point at =
        MenuPlacement::place(lastClick_.anchor, lastClick_.pointer, screens(), content.height());
    panel->move(qRound(at.x), qRound(at.y));

    panel_ = panel;
    panelActive_ = false;
    qApp->installEventFilter(this);
    panel->show();
    panel->raise();
    panel->activateWindow();
    panel->setFocus(Qt::ActiveWindowFocusReason);
}

void StatusMenu::close() { closeFor(Why::asked); }

void StatusMenu::closeFor(Why why) {
    if (!panel_) return;
    if (why == Why::focusLost) focusLostAt_ = clock_.monotonic();
    qApp->removeEventFilter(this);
    MenuPanel* panel = panel_;
    panel_ = nullptr;
    panel->setOnChoose({});
    panel->setOnEscape({});
    panel->hide();
    // Deferred: closing is often asked from inside the panel's own event handling.
    panel->deleteLater();
}

void StatusMenu::choose(MenuAction action) {
    // Copied: performing may end the application, and with it this menu.
    const auto perform = host_.perform;
    close();
    if (perform) perform(action);
}

void StatusMenu::statusChanged() {
    const MenuStatus status = host_.status ? host_.status() : MenuStatus{};
    showIcon(status);
    if (panel_ && MenuContent::rowCount(status) != panel_->content().rowCount()) present(status);
}

void StatusMenu::showIcon(const MenuStatus& status) {
    const QByteArray svg = MenuIcon::svg();
    item_.setIcon(std::string(svg.constData(), static_cast<std::size_t>(svg.size())));
    item_.setToolTip(MenuContent::toolTip(status));
}

bool StatusMenu::eventFilter(QObject* watched, QEvent* event) {
    if (!panel_) return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (watched == panel_) panelActive_ = true;
        break;
    case QEvent::WindowDeactivate:
        // Only a panel that had the focus loses it; a deactivation on the way up is not a leave.
        if (watched == panel_ && panelActive_) closeFor(Why::focusLost);
        break;
    case QEvent::MouseButtonPress:
        // A press in another of our own windows, which the window system may not count as a
        // change of focus when both stay on top.
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() != panel_) {
            closeFor(Why::asked);
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace ostrel::ui
