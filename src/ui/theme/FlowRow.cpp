#include "ui/theme/FlowRow.hpp"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace ostrel::ui {

FlowRow::Arrangement FlowRow::arrange(const std::vector<Size>& sizes, double width, double spacing) {
    Arrangement result;
    result.positions.reserve(sizes.size());
    double x = 0;
    double y = 0;
    double rowHeight = 0;
    for (const Size& size : sizes) {
        // The test is on the item's right edge: spacing after the last item of a row never wraps
        // by itself, and the first item of a row stays however wide it is.
        if (x > 0 && x + size.width > width) {
            y += rowHeight + spacing;
            x = 0;
            rowHeight = 0;
        }
        result.positions.push_back({x, y});
        x += size.width + spacing;
        rowHeight = std::max(rowHeight, size.height);
    }
    result.height = sizes.empty() ? 0 : y + rowHeight;
    return result;
}

FlowRow::FlowRow(int spacing, QWidget* parent) : QLayout(parent), rowSpacing(spacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowRow::~FlowRow() {
    for (QLayoutItem* item : items) delete item;
}

void FlowRow::setSpacing(int spacing) {
    rowSpacing = spacing;
    invalidate();
}

void FlowRow::addItem(QLayoutItem* item) {
    items.push_back(item);
    invalidate();
}

int FlowRow::count() const { return static_cast<int>(items.size()); }

QLayoutItem* FlowRow::itemAt(int index) const {
    return index >= 0 && index < count() ? items[static_cast<std::size_t>(index)] : nullptr;
}

QLayoutItem* FlowRow::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = items[static_cast<std::size_t>(index)];
    items.erase(items.begin() + index);
    invalidate();
    return item;
}

Qt::Orientations FlowRow::expandingDirections() const { return {}; }

std::vector<QLayoutItem*> FlowRow::visibleItems() const {
    std::vector<QLayoutItem*> visible;
    std::copy_if(items.begin(), items.end(), std::back_inserter(visible), [](QLayoutItem* item) { return !item->isEmpty(); });
    return visible;
}

FlowRow::Arrangement FlowRow::arrangeItems(const std::vector<QLayoutItem*>& visible, double width) const {
    std::vector<Size> sizes;
    sizes.reserve(visible.size());
    for (QLayoutItem* item : visible) {
        const QSize hint = item->sizeHint();
        sizes.push_back({static_cast<double>(hint.width()), static_cast<double>(hint.height())});
    }
    return arrange(sizes, width, rowSpacing);
}

int FlowRow::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const double inner = width - margins.left() - margins.right();
    const double height = arrangeItems(visibleItems(), inner).height;
    return static_cast<int>(std::ceil(height)) + margins.top() + margins.bottom();
}

QSize FlowRow::sizeHint() const {
    const QMargins margins = contentsMargins();
    const int width = unproposedWidth + margins.left() + margins.right();
    return {width, heightForWidth(width)};
}

QSize FlowRow::minimumSize() const {
    // Nothing is ever shrunk, but the row itself may be as narrow as its holder likes: what does
    // not fit overflows rather than forcing the window wider.
    const QMargins margins = contentsMargins();
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

void FlowRow::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect inner = rect.marginsRemoved(contentsMargins());
    const std::vector<QLayoutItem*> visible = visibleItems();
    // QRect's right() is one short of its maximum x; the width is the distance to it.
    const Arrangement placed = arrangeItems(visible, inner.width());
    for (std::size_t i = 0; i < visible.size(); ++i) {
        const QPoint at(inner.left() + static_cast<int>(std::lround(placed.positions[i].x)),
                        inner.top() + static_cast<int>(std::lround(placed.positions[i].y)));
        visible[i]->setGeometry(QRect(at, visible[i]->sizeHint()));
    }
}

void FlowRow::clear(const std::vector<QWidget*>& keep) {
    while (QLayoutItem* item = takeAt(0)) {
        QWidget* widget = item->widget();
        if (widget != nullptr && std::find(keep.begin(), keep.end(), widget) == keep.end()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

} // namespace ostrel::ui
