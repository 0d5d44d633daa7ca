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

// Room is shared by the cells in proportion to their design sizes, never
// beyond the growth limit and never below the design.
TEST(StringGridTest, SpreadsRoomOverItsCellsWithinLimits)
{
    test::qtTestApp();
    StringGrid grid(2, 3, 0, 0);
    grid.setColumnWidth(0, 100);
    grid.setColumnWidth(1, 50);
    grid.setDefaultRowHeight(20);
    grid.fitToCells();
    const int frame = 2 * grid.frameWidth();
    auto columns = [&] { return std::make_pair(grid.columnWidth(0), grid.columnWidth(1)); };
    struct Case {
        QSize room;
        std::pair<int, int> widths;
        int rowHeight;
    };
    const Case cases[] = {
        {QSize(225 + frame, 90 + frame), {150, 75}, 30},  // half again as wide and tall
        {QSize(3000, 3000), {200, 100}, 40},              // twice at most
        {QSize(100, 30), {100, 50}, 20},                  // less room: the design
        {QSize(300 + frame, 60 + frame), {200, 100}, 20}, // each way on its own
        {QSize(150 + frame, 60 + frame), {100, 50}, 20},  // back to the design
    };
    for (const Case& c : cases) {
        grid.spreadOver(c.room, 2.0);
        EXPECT_EQ(columns(), c.widths) << c.room.width() << "x" << c.room.height();
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(grid.rowHeight(r), c.rowHeight) << c.room.width() << "x" << c.room.height();
        EXPECT_EQ(grid.size(), grid.fittingSize());
    }
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
