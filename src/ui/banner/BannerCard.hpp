#pragma once

#include "app/autopilot/Banner.hpp"
#include "app/autopilot/BannerSurface.hpp"

#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;
class QVBoxLayout;

namespace ostrel::ui {

// The face of one banner: the cloud card art, the sun, the title and detail (two lines each at
// most) and a column of buttons: the primary as a small sun button, the secondary as a link beside
// a primary, else as a small sun button of its own.
class BannerCard : public QWidget {
public:
    static constexpr int sidePadding = 44;
    static constexpr int spacing = 14;
    static constexpr int textSpacing = 3;
    static constexpr int buttonSpacing = 6;
    static constexpr int minimumGap = 6;
    static constexpr int maxLines = 2;

    explicit BannerCard(std::function<void(Banner::Which)> press, QWidget* parent = nullptr);

    // Shows content, replacing the buttons of the last one.
    void setContent(const BannerContent& content);

    QAbstractButton* primaryButton() const { return primary_; }
    QAbstractButton* secondaryButton() const { return secondary_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* detailLabel() const { return detail_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitTexts();

    std::function<void(Banner::Which)> press_;
    BannerContent content_;
    QLabel* title_;
    QLabel* detail_;
    QVBoxLayout* buttons_;
    QAbstractButton* primary_ = nullptr;
    QAbstractButton* secondary_ = nullptr;
};

} // namespace ostrel::ui
