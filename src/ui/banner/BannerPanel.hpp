#pragma once

#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>

class QWidget;

namespace ostrel::ui {

class BannerCard;

// The banner on the desktop: a small cloud card at the top right of the primary screen that
// floats over every window without taking the keyboard from the app the student is in. It only
// draws what the banner gives it and reports button presses back; which banner is up, its
// time-out and what an answer does are the banner's rules.
//
// Threading: the GUI thread only.
class BannerPanel final : public BannerSurface {
public:
    static constexpr QSize size{420, 150};
    // The card sits this far in from the right edge of the screen's available area, and this far
    // above its top: the frame art's soft transparent margin takes up the difference.
    static constexpr int rightInset = 6;
    static constexpr int aboveTop = 8;

    using Press = std::function<void(Banner::Which)>;

    // press is told of each button pressed (the application passes Banner::press).
    explicit BannerPanel(Press press);
    ~BannerPanel() override;

    BannerPanel(const BannerPanel&) = delete;
    BannerPanel& operator=(const BannerPanel&) = delete;

    void present(const BannerContent& content) override;
    void hide() override;

    // The panel's top-left corner for a screen whose available area is available.
    static QPoint origin(const QRect& available);

    // The top-level window, for tests and pictures.
    QWidget& window();

private:
    std::unique_ptr<BannerCard> card_;
};

} // namespace ostrel::ui
