#include "app/DifferenceDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QTableWidgetItem* item(const QString& text)
{
    auto* i = new QTableWidgetItem(text);
    i->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return i;
}

void fitHeight(QTableWidget* table, int maxRows)
{
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->resizeColumnsToContents();
    const int rows = std::min(table->rowCount(), maxRows);
    int h = table->horizontalHeader()->height() + 2 * table->frameWidth();
    for (int r = 0; r < rows; ++r)
        h += table->rowHeight(r);
    table->setMinimumHeight(h);
    table->setMaximumHeight(table->rowCount() > maxRows ? QWIDGETSIZE_MAX : h);
}

} // namespace

DifferenceDialog::DifferenceDialog(const DifferenceView& view, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DifferenceDialog"));
    setWindowTitle(qs(view.title));
    auto* layout = new QVBoxLayout(this);

    for (const auto& warning : view.warnings) {
        auto* label = new QLabel(QStringLiteral("\u26A0 ") + qs(warning), this);
        label->setObjectName(QStringLiteral("LabelDifferenceWarning"));
        label->setWordWrap(true);
        label->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold;"));
        layout->addWidget(label);
    }

    auto* summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("LabelDifferenceSummary"));
    summary->setText(qs(view.summary));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    if (!view.rows.empty())
        column->addWidget(buildList(view));
    for (const auto& grid : view.grids) {
        auto* title = new QLabel(qs(grid.title), content);
        QFont f = title->font();
        f.setBold(true);
        title->setFont(f);
        column->addWidget(title);
        column->addWidget(buildGrid(grid, view));
    }
    column->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);

    QDialogButtonBox* buttons = nullptr;
    if (view.askToWrite) {
        auto* question = new QLabel(qs(view.question), this);
        question->setObjectName(QStringLiteral("LabelDifferenceQuestion"));
        question->setWordWrap(true);
        layout->addWidget(question);
        buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        QPushButton* write = buttons->addButton(qs(view.writeButton), QDialogButtonBox::AcceptRole);
        write->setObjectName(QStringLiteral("ButtonDifferenceWrite"));
        // Writing must be a deliberate choice, not Enter on the first button.
        buttons->button(QDialogButtonBox::Cancel)->setDefault(true);
        buttons->button(QDialogButtonBox::Cancel)->setText(qs(view.cancelButton));
    } else {
        if (!view.question.empty()) {
            auto* note = new QLabel(qs(view.question), this);
            note->setWordWrap(true);
            layout->addWidget(note);
        }
        buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        buttons->button(QDialogButtonBox::Close)->setText(qs(view.closeButton));
    }
    buttons->setObjectName(QStringLiteral("DifferenceButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 640);
}

QTableWidget* DifferenceDialog::buildList(const DifferenceView& view)
{
    auto* table = new QTableWidget(static_cast<int>(view.rows.size()), 3);
    table->setObjectName(QStringLiteral("StringGridDifferences"));
    table->setAccessibleName(qs(view.listName));
    table->setHorizontalHeaderLabels({qs(view.nameHead), qs(view.leftTitle), qs(view.rightTitle)});
    table->verticalHeader()->hide();
    for (int r = 0; r < table->rowCount(); ++r) {
        const FieldChange& c = view.rows[static_cast<size_t>(r)];
        table->setItem(r, 0, item(qs(c.label)));
        table->item(r, 0)->setToolTip(qs(c.name)); // the field line's name in the parameter files
        table->setItem(r, 1, item(qs(c.left)));
        table->setItem(r, 2, item(qs(c.right)));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    fitHeight(table, 12);
    return table;
}

QTableWidget* DifferenceDialog::buildGrid(const DifferenceGrid& grid, const DifferenceView& view)
{
    const int rows = static_cast<int>(grid.rows.size());
    const int columns = static_cast<int>(grid.columnHeads.size());
    auto* table = new QTableWidget(rows, columns);
    table->setObjectName(QStringLiteral("StringGridDifferenceMap"));
    table->setAccessibleName(qs(grid.title));
    table->setToolTip(qs(view.changedCells));
    QStringList heads;
    for (const auto& h : grid.columnHeads)
        heads << qs(h);
    table->setHorizontalHeaderLabels(heads);
    QStringList rowHeads;
    for (const auto& h : grid.rowHeads)
        rowHeads << qs(h);
    table->setVerticalHeaderLabels(rowHeads);
    const QColor changed((kChangedRgb >> 16) & 0xFF, (kChangedRgb >> 8) & 0xFF, kChangedRgb & 0xFF);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns && c < static_cast<int>(grid.rows[static_cast<size_t>(r)].size()); ++c) {
            const auto& cell = grid.rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
            QTableWidgetItem* i =
                item(cell.changed ? qs(cell.left) + QStringLiteral(" \u2192 ") + qs(cell.right) : qs(cell.right));
            if (cell.changed) {
                i->setBackground(changed);
                QFont f = i->font();
                f.setBold(true);
                i->setFont(f);
            }
            table->setItem(r, c, i);
        }
    }
    fitHeight(table, 24);
    return table;
}

} // namespace kdx
