#pragma once

#include <QLayout>

#include <vector>

namespace ostrel::ui {

// A layout of left-to-right rows, top-aligned, that wraps: each item keeps its size hint (it is
// never shrunk or stretched), an item goes onto the next row when its right edge would pass the
// available width, and the same spacing separates the items of a row and the rows. The first item
// of a row never wraps, so an item wider than the whole width sits alone on its row and overflows
// it. The layout reports the full available width as its own, and 400 wide when nobody proposes a
// width (its size hint).
//
// The walk itself is arrange(), free of Qt types so its rules can be checked on plain numbers;
// the layout only measures its items and places them where arrange() says. Hidden widgets take no
// place. It keeps no cache: every query measures again.
//
// Threading: the GUI thread only (like every QLayout).
class FlowRow : public QLayout {
    Q_OBJECT
public:
    struct Size {
        double width = 0;
        double height = 0;
    };
    struct Point {
        double x = 0;
        double y = 0;
    };
    // Where each item goes, relative to the top-left corner of the available width, and the
    // height of all rows together (0 for no items).
    struct Arrangement {
        std::vector<Point> positions;
        double height = 0;
    };

    // The rows that sizes fall into within width, spacing apart.
    static Arrangement arrange(const std::vector<Size>& sizes, double width, double spacing);
    // The width used when nobody proposes one.
    static constexpr int unproposedWidth = 400;

    explicit FlowRow(int spacing, QWidget* parent = nullptr);
    ~FlowRow() override;

    int spacing() const override { return rowSpacing; }
    void setSpacing(int spacing) override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    // Takes every item out. Their widgets, but for those in keep, are hidden and deleted once the
    // event loop is back: a click of one of them may be what asked for the new row.
    void clear(const std::vector<QWidget*>& keep = {});

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    std::vector<QLayoutItem*> visibleItems() const;
    Arrangement arrangeItems(const std::vector<QLayoutItem*>& items, double width) const;

    std::vector<QLayoutItem*> items;
    int rowSpacing;
};

} // namespace ostrel::ui
