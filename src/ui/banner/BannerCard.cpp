#include "ui/theme/PlainLabel.hpp"
#include "ui/banner/BannerCard.hpp"

#include "ui/banner/BannerPanel.hpp"
#include "ui/cloud/CloudArt.hpp"
#include "ui/theme/Elide.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/Sun.hpp"
#include "ui/theme/SunButton.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace ostrel::ui {
namespace {

constexpr int sunDiameter = 30;
constexpr QSize sunFrame{44, 44};

QString qt(const std::string& text) { return QString::fromStdString(text); }

} // namespace

BannerCard::BannerCard(std::function<void(Banner::Which)> press, QWidget* parent)
    : QWidget(parent), press_(std::move(press)) {
    setFixedSize(BannerPanel::size);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(sidePadding, 0, sidePadding, 0);
    row->setSpacing(spacing);
    row->addWidget(new Sun(sunDiameter, sunFrame, this), 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(textSpacing);
    texts->addStretch();
    title_ = plainLabel(Fonts::font(16, Fonts::Weight::bold), Sky::ink(), this);
    detail_ = plainLabel(Fonts::font(12, Fonts::Weight::regular), Sky::inkSoft(), this);
    texts->addWidget(title_);
    texts->addWidget(detail_);
    texts->addStretch();
    row->addLayout(texts);

    row->addSpacerItem(new QSpacerItem(minimumGap, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    buttons_ = new QVBoxLayout;
    buttons_->setSpacing(buttonSpacing);
    buttons_->setAlignment(Qt::AlignCenter);
    row->addLayout(buttons_);
}

void BannerCard::setContent(const BannerContent& content) {
    content_ = content;
    for (QAbstractButton* button : {primary_, secondary_}) delete button;
    primary_ = nullptr;
    secondary_ = nullptr;

    if (content.primary) {
        primary_ = new SunButton(qt(*content.primary), true, this);
        connect(primary_, &QAbstractButton::clicked, this, [this] { press_(Banner::Which::primary); });
        buttons_->addWidget(primary_, 0, Qt::AlignHCenter);
    }
    if (content.secondary) {
        // Beside a primary button the other answer is a quiet link; alone it is the button.
        if (content.primary) {
            secondary_ = new SkyLink(qt(*content.secondary), this);
        } else {
            secondary_ = new SunButton(qt(*content.secondary), true, this);
        }
        connect(secondary_, &QAbstractButton::clicked, this, [this] { press_(Banner::Which::secondary); });
        buttons_->addWidget(secondary_, 0, Qt::AlignHCenter);
    }
    fitTexts();
}

void BannerCard::fitTexts() {
    int buttonsWidth = 0;
    for (QAbstractButton* button : {primary_, secondary_}) {
        if (button) buttonsWidth = std::max(buttonsWidth, button->sizeHint().width());
    }
    // What the row leaves the texts: the sides, the sun, the gap before the buttons and the
    // spacing between the four parts.
    const int width =
        BannerPanel::size.width() - 2 * sidePadding - sunFrame.width() - 3 * spacing - minimumGap - buttonsWidth;
    title_->setText(elidedToLines(qt(content_.title), title_->font(), width, maxLines));
    detail_->setText(elidedToLines(qt(content_.detail), detail_->font(), width, maxLines));
    title_->setVisible(!content_.title.empty());
    detail_->setVisible(!content_.detail.empty());
}

void BannerCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), CloudArt::shared().image(QStringLiteral("banner-frame")));
}

void BannerCard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitTexts();
}

} // namespace ostrel::ui
