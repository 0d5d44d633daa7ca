#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QTableWidget>

#include <functional>
#include <vector>

class QPainter;

namespace kdx {

// A table of text cells addressed as (column, row), the way the controller's
// maps are described. The first fixedRows rows and fixedColumns columns are
// heading cells inside the grid: grey, never editable. There are no header
// sections and no scroll bars; the grid is sized to show every cell.
// A cell painter, when set, runs after the default drawing of every cell.
//
// In-place editing: the editor opens with the cell's text selected, so that
// typing replaces it. A cell remembers the text the program last wrote into
// it (setCell) or marked as sent (markCellSent); while the technician's text
// differs from it the cell is "unsent", and Escape puts the shown text back.
class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    using CellPainter = std::function<void(QPainter& painter, int column, int row, const QRect& rect)>;

    StringGrid(int columns, int rows, int fixedColumns, int fixedRows, QWidget* parent = nullptr);

    int columnCountFixed() const { return m_fixedColumns; }
    int rowCountFixed() const { return m_fixedRows; }
    bool isFixedCell(int column, int row) const;

    QString cell(int column, int row) const;
    // Text written by the program: shown, nothing pending.
    void setCell(int column, int row, const QString& text);

    // The cell's text is not what was last shown or sent.
    bool isCellUnsent(int column, int row) const;
    // The cell's text went to the controller.
    void markCellSent(int column, int row);
    // Puts the shown text back.
    void revertCell(int column, int row);

    // Opens the in-place editor on a cell.
    void openEditor(int column, int row);
    // Commits what an open in-place editor holds into its cell and closes
    // it, at once (the view's own commit on Enter comes later, queued).
    void commitEditor();
    bool isEditorOpen() const { return m_editor != nullptr; }
    // A frame of this colour around the next editors opened (invalid: none).
    void setEditorMark(const QColor& color) { m_editorMark = color; }
    const QColor& editorMark() const { return m_editorMark; }

    void setDefaultColumnWidth(int width);
    void setDefaultRowHeight(int height);
    // Background of the data cells (the heading cells stay grey).
    void setDataBackground(const QColor& color);
    // Outer size that shows every cell with its grid lines and frame.
    QSize fittingSize() const;
    // Resizes the grid to fittingSize().
    void fitToCells();
    // Gives the grid up to room (outer size): every column and row grows in
    // proportion to its size when first spread, none beyond maxGrowth times
    // that, and the grid takes the size of its cells. Less room than those
    // sizes keeps them: the grid never shrinks below its design.
    void spreadOver(const QSize& room, double maxGrowth);

    void setCellPainter(CellPainter painter);
    const CellPainter& cellPainter() const { return m_cellPainter; }

    static QColor fixedCellColor() { return QColor(212, 208, 200); }

signals:
    void editorOpened(QWidget* editor);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class StringGridDelegate;
    QTableWidgetItem* ensureItem(int column, int row);

    int m_fixedColumns;
    int m_fixedRows;
    CellPainter m_cellPainter;
    QPointer<QWidget> m_editor;
    QColor m_editorMark;
    // Column widths and row heights before the first spread.
    std::vector<int> m_designColumns;
    std::vector<int> m_designRows;
};

} // namespace kdx
