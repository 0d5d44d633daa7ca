#include "widgets/StringGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QApplication>
#include <QStyle>
#include <QStyledItemDelegate>

namespace kdx {

namespace {

// Default drawing first, then the grid's own cell painter on top. A cell
// painter draws the cell's text itself, so the default pass then leaves the
// text out rather than having it show twice, one pixel apart.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(StringGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const auto& cellPainter = m_grid->cellPainter();
        if (!cellPainter) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        const QWidget* widget = background.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
        painter->save();
        cellPainter(*painter, index.column(), index.row(), option.rect);
        painter->restore();
    }

private:
    StringGrid* m_grid;
};

} // namespace

StringGrid::StringGrid(int columns, int rows, int fixedColumns, int fixedRows, QWidget* parent)
    : QTableWidget(rows, columns, parent), m_fixedColumns(fixedColumns), m_fixedRows(fixedRows)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    setItemDelegate(new CellDelegate(this));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            ensureItem(c, r);
}

bool StringGrid::isFixedCell(int column, int row) const
{
    return column < m_fixedColumns || row < m_fixedRows;
}

QTableWidgetItem* StringGrid::ensureItem(int column, int row)
{
    if (column < 0 || row < 0 || column >= columnCount() || row >= rowCount())
        return nullptr;
    QTableWidgetItem* it = item(row, column);
    if (!it) {
        it = new QTableWidgetItem;
        if (isFixedCell(column, row)) {
            it->setFlags(Qt::ItemIsEnabled);
            it->setBackground(fixedCellColor());
        } else {
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        }
        setItem(row, column, it);
    }
    return it;
}

QString StringGrid::cell(int column, int row) const
{
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

void StringGrid::setCell(int column, int row, const QString& text)
{
    if (QTableWidgetItem* it = ensureItem(column, row))
        it->setText(text);
}

void StringGrid::setDefaultColumnWidth(int width)
{
    horizontalHeader()->setDefaultSectionSize(width);
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, width);
}

void StringGrid::setDefaultRowHeight(int height)
{
    verticalHeader()->setDefaultSectionSize(height);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int r = 0; r < rowCount(); ++r)
        setRowHeight(r, height);
}

void StringGrid::setDataBackground(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

QSize StringGrid::fittingSize() const
{
    int w = 0;
    for (int c = 0; c < columnCount(); ++c)
        w += columnWidth(c);
    int h = 0;
    for (int r = 0; r < rowCount(); ++r)
        h += rowHeight(r);
    const int frame = 2 * frameWidth();
    return QSize(w + frame, h + frame);
}

void StringGrid::fitToCells()
{
    resize(fittingSize());
}

void StringGrid::setCellPainter(CellPainter painter)
{
    m_cellPainter = std::move(painter);
    viewport()->update();
}

} // namespace kdx
