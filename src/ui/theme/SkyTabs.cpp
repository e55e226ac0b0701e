#include "ui/theme/SkyTabs.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QAbstractButton>
#include <QAccessible>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace ostrel::ui {

namespace {

constexpr int padding = 3;
constexpr int spacing = 2;

class Tab : public QAbstractButton {
public:
    Tab(const QString& label, const SkyTabs::Look& look, QWidget* parent) : QAbstractButton(parent), look_(look) {
        setText(label);
        setAccessibleName(label);
        setFont(Fonts::font(look.fontSize, Fonts::Weight::bold));
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 2 * look_.paddingX, metrics.height() + 2 * look_.paddingY};
    }

protected:
    // The bar decides which tab is selected.
    void nextCheckState() override {}
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isChecked()) {
            QPainterPath capsule;
            capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
            painter.fillPath(capsule, look_.selectedFill);
        }
        painter.setFont(font());
        painter.setPen(isChecked() ? look_.selectedText : look_.otherText);
        painter.drawText(rect(), Qt::AlignCenter, text());
    }

private:
    SkyTabs::Look look_;
};

} // namespace

SkyTabs::Look SkyTabs::Look::overSky() {
    return {15, 16, 7, QColor::fromRgbF(1, 1, 1, 0.22f), Qt::white, Sky::ink(), Qt::white};
}

SkyTabs::Look SkyTabs::Look::onCard() {
    return {12, 12, 5, Sky::horizon(), Sky::button(), Qt::white, Sky::ink()};
}

SkyTabs::SkyTabs(const std::vector<QString>& labels, QWidget* parent) : SkyTabs(labels, Look::overSky(), parent) {}

SkyTabs::SkyTabs(const std::vector<QString>& labels, const Look& look, QWidget* parent)
    : QWidget(parent), look_(look) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(spacing);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        auto* tab = new Tab(labels[i], look_, this);
        const int index = static_cast<int>(i);
        connect(tab, &QAbstractButton::clicked, this, [this, index] { Q_EMIT chosen(index); });
        row->addWidget(tab);
        tabs_.push_back(tab);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setSelected(0);
}

void SkyTabs::setSelected(int index) {
    selected_ = index;
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        tabs_[i]->setChecked(static_cast<int>(i) == index);
    }
}

QSize SkyTabs::sizeHint() const {
    int width = 2 * padding;
    int height = 0;
    for (const QAbstractButton* tab : tabs_) {
        width += tab->sizeHint().width();
        height = std::max(height, tab->sizeHint().height());
    }
    width += spacing * std::max<int>(0, static_cast<int>(tabs_.size()) - 1);
    return {width, height + 2 * padding};
}

void SkyTabs::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
    painter.fillPath(capsule, look_.track);
}

} // namespace ostrel::ui
