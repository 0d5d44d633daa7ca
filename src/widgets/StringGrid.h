#pragma once

#include <QColor>
#include <QString>
#include <QTableWidget>

#include <functional>

class QPainter;

namespace kdx {

// A table of text cells addressed as (column, row), the way the controller's
// maps are described. The first fixedRows rows and fixedColumns columns are
// heading cells inside the grid: grey, never editable. There are no header
// sections and no scroll bars; the grid is sized to show every cell.
// A cell painter, when set, runs after the default drawing of every cell.
class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    using CellPainter = std::function<void(QPainter& painter, int column, int row, const QRect& rect)>;

    StringGrid(int columns, int rows, int fixedColumns, int fixedRows, QWidget* parent = nullptr);

    int columnCountFixed() const { return m_fixedColumns; }
    int rowCountFixed() const { return m_fixedRows; }
    bool isFixedCell(int column, int row) const;

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);

    void setDefaultColumnWidth(int width);
    void setDefaultRowHeight(int height);
    // Background of the data cells (the heading cells stay grey).
    void setDataBackground(const QColor& color);
    // Outer size that shows every cell with its grid lines and frame.
    QSize fittingSize() const;
    // Resizes the grid to fittingSize().
    void fitToCells();

    void setCellPainter(CellPainter painter);
    const CellPainter& cellPainter() const { return m_cellPainter; }

    static QColor fixedCellColor() { return QColor(212, 208, 200); }

private:
    QTableWidgetItem* ensureItem(int column, int row);

    int m_fixedColumns;
    int m_fixedRows;
    CellPainter m_cellPainter;
};

} // namespace kdx
