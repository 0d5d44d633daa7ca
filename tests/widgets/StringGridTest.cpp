#include "widgets/StringGrid.h"

#include "QtTestApp.h"

#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace kdx {
namespace {

TEST(StringGridTest, CellsAreAddressedColumnFirst)
{
    test::qtTestApp();
    StringGrid grid(5, 25, 1, 1);
    grid.setCell(4, 1, QStringLiteral("2.5"));
    EXPECT_EQ(grid.cell(4, 1), QStringLiteral("2.5"));
    EXPECT_EQ(grid.item(1, 4)->text(), QStringLiteral("2.5"));
    EXPECT_EQ(grid.cell(1, 4), QString());
    // Outside the grid: ignored, reads empty.
    grid.setCell(5, 0, QStringLiteral("x"));
    grid.setCell(0, 25, QStringLiteral("x"));
    EXPECT_EQ(grid.cell(5, 0), QString());
}

TEST(StringGridTest, HeadingCellsAreFixedAndGrey)
{
    test::qtTestApp();
    StringGrid grid(4, 4, 1, 1);
    EXPECT_TRUE(grid.isFixedCell(0, 2));
    EXPECT_TRUE(grid.isFixedCell(3, 0));
    EXPECT_FALSE(grid.isFixedCell(1, 1));
    EXPECT_FALSE(grid.item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(grid.item(2, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.item(2, 2)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(grid.item(0, 3)->background().color(), StringGrid::fixedCellColor());
    // Editing is off until a later click turns it on.
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST(StringGridTest, SizedToShowEveryCellWithoutScrollBars)
{
    test::qtTestApp();
    StringGrid grid(2, 9, 0, 0);
    grid.setDefaultColumnWidth(128);
    grid.setDefaultRowHeight(23);
    grid.fitToCells();
    EXPECT_EQ(grid.columnWidth(1), 128);
    EXPECT_EQ(grid.rowHeight(8), 23);
    EXPECT_EQ(grid.size(), QSize(256 + 2 * grid.frameWidth(), 207 + 2 * grid.frameWidth()));
    EXPECT_EQ(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(grid.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_FALSE(grid.horizontalHeader()->isVisible());
}

TEST(StringGridTest, CellPainterRunsForEveryCellAfterDefaultDrawing)
{
    test::qtTestApp();
    StringGrid grid(3, 2, 1, 1);
    grid.setDefaultColumnWidth(40);
    grid.setDefaultRowHeight(20);
    grid.fitToCells();
    std::set<std::pair<int, int>> painted;
    grid.setCellPainter([&](QPainter& p, int c, int r, const QRect& rect) {
        painted.insert({c, r});
        if (c == 2 && r == 1)
            p.fillRect(rect, QColor(255, 0, 0));
    });
    grid.show();
    const QImage img = grid.grab().toImage();
    EXPECT_EQ(painted.size(), 6u);
    const QRect cell = grid.visualRect(grid.model()->index(1, 2));
    const QPoint inImage = grid.viewport()->mapTo(&grid, cell.center());
    EXPECT_EQ(img.pixelColor(inImage), QColor(255, 0, 0));
}

} // namespace
} // namespace kdx
