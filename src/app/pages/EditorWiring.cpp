#include "app/pages/EditorWiring.h"

#include "app/ParameterEditorsGlue.h"
#include "app/ProcedureRunner.h"
#include "widgets/EnterKeyWatch.h"
#include "widgets/StringGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace kdx {

void EditorWiring::edit(QLineEdit* control, EditorId id) const
{
    m_enter.watch(control, [&editors = m_editors, &runner = m_runner, id] { runner.runShort([&] { editors.editEntered(id); }); });
}

void EditorWiring::combo(QComboBox* control, EditorId id) const
{
    QObject::connect(control, &QComboBox::activated, control,
                     [&editors = m_editors, &runner = m_runner, id] { runner.runShort([&] { editors.comboChosen(id); }); });
}

void EditorWiring::check(QCheckBox* control, EditorId id) const
{
    QObject::connect(control, &QAbstractButton::clicked, control,
                     [&editors = m_editors, &runner = m_runner, id] { runner.runShort([&] { editors.checkClicked(id); }); });
}

void EditorWiring::grid(StringGrid* control, EditorId id) const
{
    QObject::connect(control, &QTableWidget::cellClicked, control,
                     [&editors = m_editors, &runner = m_runner, id] { runner.runShort([&] { editors.gridClicked(id); }); });
    m_enter.watch(control, [&editors = m_editors, &runner = m_runner, id] { runner.runShort([&] { editors.gridEntered(id); }); });
    control->setCellPainter([&editors = m_editors, id](QPainter& painter, int column, int row, const QRect& rect) {
        editors.paintMapCell(id, painter, column, row, rect);
    });
}

} // namespace kdx
