#include "ui/shell/MenuRow.hpp"

#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/Sky.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace ostrel::ui {
namespace {

QFont titleFont() { return Fonts::font(MenuRow::titleSize, Fonts::Weight::medium); }
QFont badgeFont() { return Fonts::font(MenuRow::badgeSize, Fonts::Weight::bold); }

} // namespace

MenuRow::MenuRow(MenuItem item, QWidget* parent) : QAbstractButton(parent), item_(std::move(item)) {
    setText(QString::fromStdString(item_.title));
    setAccessibleName(text());
    setFixedHeight(rowHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void MenuRow::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) return;
    highlighted_ = highlighted;
    update();
}

QRect MenuRow::iconRect() const {
    return {paddingX + (iconFrame - iconSide) / 2, (rowHeight - iconSide) / 2, iconSide, iconSide};
}

QRect MenuRow::badgeRect() const {
    if (!item_.badge) return {};
    const QFontMetrics metrics(badgeFont());
    const QSize size(metrics.horizontalAdvance(QString::fromStdString(*item_.badge)) + 2 * badgePaddingX,
                     metrics.height() + 2 * badgePaddingY);
    return {width() - paddingX - size.width(), (rowHeight - size.height()) / 2, size.width(), size.height()};
}

QRect MenuRow::titleRect() const {
    const int left = paddingX + iconFrame + iconSpacing;
    const QRect badge = badgeRect();
    const int right = badge.isEmpty() ? width() - paddingX : badge.left() - iconSpacing;
    return {left, 0, std::max(0, right - left), rowHeight};
}

QSize MenuRow::sizeHint() const {
    const QFontMetrics metrics(titleFont());
    const int badge = badgeRect().isEmpty() ? 0 : badgeRect().width() + iconSpacing;
    return {2 * paddingX + iconFrame + iconSpacing + metrics.horizontalAdvance(text()) + badge, rowHeight};
}

void MenuRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (highlighted_ || isDown()) {
        painter.setBrush(isDown() ? Sky::horizon().darker(106) : Sky::horizon());
        painter.drawRoundedRect(QRectF(rect()), rowHeight / 2.0, rowHeight / 2.0);
    }

    const QImage icon = Icons::image(QString::fromStdString(item_.symbol), QSize(iconSide, iconSide), Sky::button(),
                                     devicePixelRatioF());
    if (!icon.isNull()) painter.drawImage(iconRect(), icon);

    const QRect title = titleRect();
    painter.setFont(titleFont());
    painter.setPen(Sky::ink());
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(titleFont()).elidedText(text(), Qt::ElideRight, title.width()));

    if (item_.badge) {
        const QRect badge = badgeRect();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Sky::sun());
        painter.drawRoundedRect(QRectF(badge), badge.height() / 2.0, badge.height() / 2.0);
        painter.setFont(badgeFont());
        painter.setPen(Sky::ink());
        painter.drawText(badge, Qt::AlignCenter, QString::fromStdString(*item_.badge));
    }
}

void MenuRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setHighlighted(true);
}

void MenuRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setHighlighted(false);
}

} // namespace ostrel::ui
