#include "widgets/StringGrid.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QApplication>
#include <QStyle>
#include <QStyledItemDelegate>

namespace kdx {

namespace {

// The text last written by the program or sent, per cell.
constexpr int kShownRole = Qt::UserRole + 1;

} // namespace

// Default drawing first, then the grid's own cell painter on top. A cell
// painter draws the cell's text itself, so the default pass then leaves the
// text out rather than having it show twice, one pixel apart.
class StringGridDelegate : public QStyledItemDelegate {
public:
    explicit StringGridDelegate(StringGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor && m_grid->m_editorMark.isValid())
            editor->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid %1; }")
                                      .arg(m_grid->m_editorMark.name()));
        m_grid->m_editor = editor;
        m_editorIndex = index;
        emit m_grid->editorOpened(editor);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        QStyledItemDelegate::setEditorData(editor, index);
        // Typing replaces the value instead of being appended to it.
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->selectAll();
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (m_grid->m_editor == editor)
            m_grid->m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            const QPersistentModelIndex index = m_editorIndex;
            const bool handled = QStyledItemDelegate::eventFilter(object, event); // closes without commit
            if (index.isValid())
                m_grid->revertCell(index.column(), index.row());
            return handled;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

public:

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
    mutable QPersistentModelIndex m_editorIndex;
};

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
    setItemDelegate(new StringGridDelegate(this));
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
    if (QTableWidgetItem* it = ensureItem(column, row)) {
        it->setData(kShownRole, text);
        it->setText(text);
    }
}

bool StringGrid::isCellUnsent(int column, int row) const
{
    const QTableWidgetItem* it = item(row, column);
    return it && it->text() != it->data(kShownRole).toString();
}

void StringGrid::markCellSent(int column, int row)
{
    if (QTableWidgetItem* it = item(row, column))
        it->setData(kShownRole, it->text());
}

void StringGrid::revertCell(int column, int row)
{
    if (QTableWidgetItem* it = item(row, column); it && isCellUnsent(column, row))
        it->setText(it->data(kShownRole).toString());
}

void StringGrid::openEditor(int column, int row)
{
    if (QTableWidgetItem* it = item(row, column)) {
        setCurrentCell(row, column);
        editItem(it);
    }
}

void StringGrid::commitEditor()
{
    QWidget* editor = m_editor;
    if (!editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    m_editor = nullptr;
}

void StringGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isCellUnsent(currentColumn(), currentRow())) {
        revertCell(currentColumn(), currentRow());
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
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

namespace {

// Each design size times one factor, the largest that keeps the sum within
// room, limited to maxGrowth and never below 1.
void spread(std::vector<int>& sizes, const std::vector<int>& design, int room, double maxGrowth)
{
    int total = 0;
    for (int d : design)
        total += d;
    const double factor = total > 0 ? std::clamp(double(room) / total, 1.0, std::max(1.0, maxGrowth)) : 1.0;
    sizes.resize(design.size());
    for (size_t i = 0; i < design.size(); ++i)
        sizes[i] = static_cast<int>(design[i] * factor);
}

} // namespace

void StringGrid::spreadOver(const QSize& room, double maxGrowth)
{
    if (m_designColumns.empty() && m_designRows.empty()) {
        for (int c = 0; c < columnCount(); ++c)
            m_designColumns.push_back(columnWidth(c));
        for (int r = 0; r < rowCount(); ++r)
            m_designRows.push_back(rowHeight(r));
    }
    const int frame = 2 * frameWidth();
    std::vector<int> sizes;
    spread(sizes, m_designColumns, room.width() - frame, maxGrowth);
    for (int c = 0; c < columnCount() && c < static_cast<int>(sizes.size()); ++c)
        if (columnWidth(c) != sizes[static_cast<size_t>(c)])
            setColumnWidth(c, sizes[static_cast<size_t>(c)]);
    spread(sizes, m_designRows, room.height() - frame, maxGrowth);
    for (int r = 0; r < rowCount() && r < static_cast<int>(sizes.size()); ++r)
        if (rowHeight(r) != sizes[static_cast<size_t>(r)])
            setRowHeight(r, sizes[static_cast<size_t>(r)]);
    fitToCells();
}

void StringGrid::setCellPainter(CellPainter painter)
{
    m_cellPainter = std::move(painter);
    viewport()->update();
}

} // namespace kdx
