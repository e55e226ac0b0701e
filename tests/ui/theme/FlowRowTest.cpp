#include "ui/theme/FlowRow.hpp"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::ui {
namespace {

using Size = FlowRow::Size;

struct Expected {
    double x;
    double y;
};

struct Case {
    const char* name;
    std::vector<Size> sizes;
    double width;
    std::vector<Expected> positions;
    double height;
};

TEST(FlowRowTest, ArrangeWrapsOnTheItemsRightEdge) {
    const double spacing = 10;
    const std::vector<Case> cases = {
        {"empty", {}, 100, {}, 0},
        {"one row", {{30, 20}, {40, 12}}, 100, {{0, 0}, {40, 0}}, 20},
        // 0 + 45 + 10 = 55; 55 + 45 = 100 ends exactly at the width: the trailing spacing would pass
        // it, but it is not part of the test.
        {"ending exactly at the width stays", {{45, 10}, {45, 10}}, 100, {{0, 0}, {55, 0}}, 10},
        {"one past the width wraps", {{45, 10}, {46, 14}}, 100, {{0, 0}, {0, 20}}, 34},
        {"the first item never wraps however wide", {{250, 18}}, 100, {{0, 0}}, 18},
        {"an over-wide item sits alone",
         {{20, 10}, {250, 18}, {20, 10}},
         100,
         {{0, 0}, {0, 20}, {0, 48}},
         58},
        // 50 + 10 + 40 = 100 stays; the row is as tall as its 30-high item, so the next starts at 40.
        {"rows take their tallest item",
         {{50, 8}, {40, 30}, {60, 5}, {30, 12}},
         100,
         {{0, 0}, {60, 0}, {0, 40}, {70, 40}},
         52},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FlowRow::Arrangement arranged = FlowRow::arrange(c.sizes, c.width, spacing);
        ASSERT_EQ(arranged.positions.size(), c.positions.size());
        for (std::size_t i = 0; i < c.positions.size(); ++i) {
            EXPECT_DOUBLE_EQ(arranged.positions[i].x, c.positions[i].x) << "item " << i;
            EXPECT_DOUBLE_EQ(arranged.positions[i].y, c.positions[i].y) << "item " << i;
        }
        EXPECT_DOUBLE_EQ(arranged.height, c.height);
    }
}

// A widget of a fixed preferred size.
class Block : public QWidget {
public:
    explicit Block(QSize size) : hint(size) {}
    QSize sizeHint() const override { return hint; }

private:
    QSize hint;
};

class FlowRowLayoutTest : public ::testing::Test {
protected:
    FlowRow* addRow(std::initializer_list<QSize> sizes, int spacing = 8) {
        auto* row = new FlowRow(spacing, &holder);
        for (QSize size : sizes) {
            auto* block = new Block(size);
            blocks.push_back(block);
            row->addWidget(block);
        }
        return row;
    }

    QWidget holder;
    std::vector<Block*> blocks;
};

TEST_F(FlowRowLayoutTest, WithoutAProposalItLaysOutAt400AndReportsTheFullWidth) {
    // Three 150-wide items: two fit in 400 (150 + 8 + 150 = 308; a third would end at 466).
    FlowRow* row = addRow({{150, 20}, {150, 30}, {150, 20}});
    EXPECT_TRUE(row->hasHeightForWidth());
    EXPECT_EQ(row->sizeHint(), QSize(400, 30 + 8 + 20));
    EXPECT_EQ(row->heightForWidth(1000), 30);
    EXPECT_EQ(row->heightForWidth(200), 20 + 8 + 30 + 8 + 20);
}

TEST_F(FlowRowLayoutTest, EmptyHasHeightZero) {
    FlowRow* row = addRow({});
    EXPECT_EQ(row->sizeHint(), QSize(400, 0));
    EXPECT_EQ(row->heightForWidth(120), 0);
}

TEST_F(FlowRowLayoutTest, PlacesEachItemAtItsSizeHintFromTheRectsCorner) {
    FlowRow* row = addRow({{60, 20}, {52, 10}, {300, 16}, {10, 10}});
    row->setGeometry(QRect(5, 7, 120, 500));
    // 60 + 8 + 52 = 120 ends exactly at the right edge; the over-wide item goes alone and overflows.
    EXPECT_EQ(blocks[0]->geometry(), QRect(5, 7, 60, 20));
    EXPECT_EQ(blocks[1]->geometry(), QRect(5 + 68, 7, 52, 10));
    EXPECT_EQ(blocks[2]->geometry(), QRect(5, 7 + 28, 300, 16));
    EXPECT_EQ(blocks[3]->geometry(), QRect(5, 7 + 28 + 24, 10, 10));
}

TEST_F(FlowRowLayoutTest, HiddenWidgetsTakeNoPlace) {
    FlowRow* row = addRow({{60, 20}, {60, 20}, {60, 20}});
    blocks[1]->setVisible(false);
    holder.show();
    row->setGeometry(QRect(0, 0, 130, 100));
    EXPECT_EQ(blocks[2]->geometry().topLeft(), QPoint(68, 0));
    EXPECT_EQ(row->heightForWidth(130), 20);
}

} // namespace
} // namespace ostrel::ui
