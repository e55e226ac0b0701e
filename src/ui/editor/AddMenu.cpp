#include "ui/editor/AddMenu.hpp"

#include "ui/theme/ButtonLabel.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Sky.hpp"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace ostrel::ui {
namespace {

constexpr qreal pressedOpacity = 0.5;

ButtonLabel labelOf(const AddMenu& button) {
    return {button.text(), "plus", Fonts::font(13, Fonts::Weight::semibold)};
}

} // namespace

AddMenu::AddMenu(const QString& label, QWidget* parent) : QAbstractButton(parent), menu_(new QMenu(this)) {
    setText(label);
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, &AddMenu::showMenu);
    resize(sizeHint());
}

void AddMenu::setMenuBuilder(Builder builder) {
    builder_ = std::move(builder);
}

QMenu* AddMenu::buildMenu() {
    if (builder_) {
        menu_->clear();
        const Builder builder = builder_; // it may replace itself
        builder(*menu_);
    }
    return menu_;
}

void AddMenu::showMenu() {
    buildMenu();
    if (menu_->isEmpty())
        return;
    menu_->popup(mapToGlobal(QPoint(0, height() + 2)));
}

QSize AddMenu::sizeHint() const {
    const QSizeF label = labelOf(*this).size();
    return {static_cast<int>(std::ceil(label.width())) + padding.left() + padding.right(),
            static_cast<int>(std::ceil(label.height())) + padding.top() + padding.bottom()};
}

QSize AddMenu::minimumSizeHint() const {
    return sizeHint();
}

QRectF AddMenu::borderRect() const {
    const qreal half = lineWidth / 2;
    return QRectF(rect()).adjusted(half, half, -half, -half);
}

QRectF AddMenu::labelRect() const {
    return QRectF(rect()).marginsRemoved(padding.toMarginsF());
}

bool AddMenu::hitButton(const QPoint& position) const {
    const QRectF whole = rect();
    QPainterPath capsule;
    capsule.addRoundedRect(whole, whole.height() / 2, whole.height() / 2);
    return capsule.contains(QPointF(position) + QPointF(0.5, 0.5));
}

void AddMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (isDown())
        painter.setOpacity(pressedOpacity);

    QPen pen(Sky::faded(Sky::button(), borderOpacity), lineWidth);
    // Qt measures dashes in line widths.
    pen.setDashPattern({dash / lineWidth, gap / lineWidth});
    pen.setDashOffset(0);
    // Flat ends and mitred joins: Qt's square caps would lengthen every dash by the line's width.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF border = borderRect();
    painter.drawRoundedRect(border, border.height() / 2, border.height() / 2);

    labelOf(*this).paint(painter, labelRect(), Sky::button());
    if (hasFocus()) {
        painter.setPen(QPen(Sky::faded(Sky::button(), 0.5), 1, Qt::DotLine));
        const QRectF label = labelRect();
        painter.drawLine(QPointF(label.left(), label.bottom() + 1.5),
                         QPointF(label.right(), label.bottom() + 1.5));
    }
}

} // namespace ostrel::ui
