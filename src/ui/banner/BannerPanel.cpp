#include "ui/banner/BannerPanel.hpp"

#include "ui/banner/BannerCard.hpp"

#include <QGuiApplication>
#include <QScreen>

namespace ostrel::ui {

BannerPanel::BannerPanel(Press press) : card_(std::make_unique<BannerCard>(std::move(press))) {
    // Floats over everything on every workspace, never takes the keyboard, and draws its own
    // rounded cloud edge over a transparent window.
    card_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus);
    card_->setAttribute(Qt::WA_TranslucentBackground);
    card_->setAttribute(Qt::WA_ShowWithoutActivating);
    card_->setWindowTitle(QStringLiteral("Ostrel"));
}

BannerPanel::~BannerPanel() = default;

void BannerPanel::present(const BannerContent& content) {
    card_->setContent(content);
    // Without a screen the window system's default place is kept.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) card_->move(origin(screen->availableGeometry()));
    card_->show();
    card_->raise();
}

void BannerPanel::hide() { card_->hide(); }

QPoint BannerPanel::origin(const QRect& available) {
    return {available.x() + available.width() - size.width() - rightInset, available.y() - aboveTop};
}

QWidget& BannerPanel::window() { return *card_; }

} // namespace ostrel::ui
