#include "app/ParameterEditorsGlue.h"

#include "app/MainWindow.h"
#include "app/pages/AutoPage.h"
#include "app/pages/ManualConstPage.h"
#include "app/pages/ManualTrigPage.h"
#include "app/pages/ParametersPage.h"
#include "app/pages/SerwisPage.h"
#include "prompts/UserPrompts.h"
#include "params/EditorId.h"
#include "params/ParamConstants.h"
#include "params/ParameterEditor.h"
#include "widgets/StringGrid.h"
#include "widgets/UnsentTextMark.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>

#include <set>
#include <stdexcept>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QColor qcolor(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }


} // namespace

ParameterEditorsGlue::ParameterEditorsGlue(MainWindow& window, ParameterImage& image, RegisterWriter& writer,
                                           UserPrompts& prompts, MarkerSource markers)
    : m_window(window), m_image(image), m_writer(writer), m_prompts(prompts), m_markers(std::move(markers))
{
    const ParametersPage& par = window.parametersPage();
    const AutoPage& automat = window.autoPage();
    const ManualConstPage& manual = window.manualConstPage();
    m_unsent = new UnsentTextMark(&window);
    const auto& p1 = manual.pumps[0];
    const auto& p2 = manual.pumps[1];
    // Each editor the parameter procedures address, and its control.
    m_edits = {{EditorId::MinLevH, par.minLevH},          {EditorId::MinLevL, par.minLevL},
               {EditorId::GeneralDelay, par.generalDelay}, {EditorId::RpmDivide, par.rpmDivide},
               {EditorId::MaxHumidity, automat.maxHumidity}, {EditorId::AutoMinTemp, automat.minTemperature},
               {EditorId::AutoRpmUpTime, automat.rpmUpTime}, {EditorId::Auto2xShortOff, automat.shortOff},
               {EditorId::ManualOnP1, p1.onTime},          {EditorId::ManualOffP1, p1.offTime},
               {EditorId::ManualOnP2, p2.onTime},          {EditorId::ManualOffP2, p2.offTime}};
    m_combos = {{EditorId::RpmInput, par.rpmIn},           {EditorId::Comparator, par.comparator},
                {EditorId::FuelType, par.fuelType},        {EditorId::AverageConsumption, par.averageConsumption},
                {EditorId::ManualMinRpmP1, p1.minRpm},     {EditorId::ManualMaxRpmP1, p1.maxRpm},
                {EditorId::ManualMinRpmP2, p2.minRpm},     {EditorId::ManualMaxRpmP2, p2.maxRpm},
                {EditorId::SerwisOn, window.serwisPage().onTime}, {EditorId::SerwisOff, window.serwisPage().offTime}};
    m_checks = {{EditorId::Pump1Active, par.pump1Active}, {EditorId::Pump2Active, par.pump2Active}};
    m_grids = {{EditorId::ManualTrigMap, window.manualTrigPage().map},
               {EditorId::AutoPumpOnMap, automat.pumpOn},
               {EditorId::AutoPumpStopMap, automat.pumpStop}};
    for (const auto& [id, edit] : m_edits)
        m_unsent->attach(edit);
    // The green mark of the clicked cell frames its editor while it is open.
    for (const auto& [id, grid] : m_grids)
        grid->setEditorMark(qcolor(params::kColourGreen));
    m_anKompSett = par.comparator;
}

ParameterEditorsGlue::~ParameterEditorsGlue() = default;

StringGrid* ParameterEditorsGlue::grid(EditorId name) const
{
    const auto it = m_grids.find(name);
    return it == m_grids.end() ? nullptr : it->second;
}

char ParameterEditorsGlue::decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return (point.size() == 1 && point.at(0).unicode() < 0x80) ? static_cast<char>(point.at(0).unicode()) : '.';
}

void ParameterEditorsGlue::applyShown(const ControlUpdates& u)
{
    for (const auto& f : u.visible)
        if (f.control == EditorId::Comparator)
            m_anKompSett->setVisible(f.on);
    for (const auto& f : u.checked)
        if (const auto it = m_checks.find(f.control); it != m_checks.end())
            it->second->setChecked(f.on);
    for (const auto& i : u.indices)
        if (const auto it = m_combos.find(i.control); it != m_combos.end())
            it->second->setCurrentIndex(i.index >= 0 && i.index < it->second->count() ? i.index : -1);
    for (const auto& t : u.texts) {
        if (const auto it = m_edits.find(t.control); it != m_edits.end())
            UnsentTextMark::setShownText(it->second, qs(t.text));
    }
    for (const auto& c : u.cells)
        if (StringGrid* g = grid(c.grid))
            g->setCell(c.column, c.row, qs(c.text));
}

bool ParameterEditorsGlue::applyEdit(const EditResult& result)
{
    if (!result.ok()) {
        m_prompts.message(result.error);
        return false;
    }
    // The updates are what is about to be sent: shown as typed, and as sent
    // only once the writes went out.
    const ControlUpdates& u = result.updates;
    for (const auto& f : u.visible)
        if (f.control == EditorId::Comparator)
            m_anKompSett->setVisible(f.on);
    for (const auto& t : u.texts)
        if (const auto it = m_edits.find(t.control); it != m_edits.end())
            it->second->setText(qs(t.text));
    for (const auto& c : u.cells)
        if (StringGrid* g = grid(c.grid); g && g->item(c.row, c.column))
            g->item(c.row, c.column)->setText(qs(c.text));
    const bool sent = m_writer.send(result.writes);
    if (sent) {
        for (const auto& t : u.texts)
            if (const auto it = m_edits.find(t.control); it != m_edits.end())
                UnsentTextMark::markSent(it->second);
        for (const auto& c : u.cells)
            if (StringGrid* g = grid(c.grid))
                g->markCellSent(c.column, c.row);
    }
    return sent;
}

void ParameterEditorsGlue::editEntered(EditorId name)
{
    QLineEdit* edit = m_edits.at(name);
    const EditResult r = ParameterEditor::editEntered(m_image, name, edit->text().toStdString(), decimalSeparator());
    if (applyEdit(r) && !r.writes.empty())
        UnsentTextMark::markSent(edit);
}

void ParameterEditorsGlue::comboChosen(EditorId name)
{
    applyEdit(ParameterEditor::comboChosen(m_image, name, m_combos.at(name)->currentIndex(), decimalSeparator()));
}

void ParameterEditorsGlue::checkClicked(EditorId name)
{
    applyEdit(ParameterEditor::checkClicked(m_image, name, m_checks.at(name)->isChecked()));
}

void ParameterEditorsGlue::clearMarkedCell()
{
    if (m_marked.grid)
        m_marked.grid->viewport()->update();
    m_marked = {};
}

void ParameterEditorsGlue::repaintMapGrids()
{
    clearMarkedCell();
    for (const auto& [name, g] : m_grids)
        g->viewport()->update();
}

void ParameterEditorsGlue::gridClicked(EditorId name)
{
    StringGrid* g = m_grids.at(name);
    const int column = g->currentColumn();
    const int row = g->currentRow();
    if (column > 0 && row > 0 && !g->isFixedCell(column, row)) {
        g->setEditTriggers(QAbstractItemView::AllEditTriggers);
        clearMarkedCell();
        m_marked = {g, column, row}; // green until the next repaint of the maps
        g->openEditor(column, row);
        g->viewport()->update();
    } else {
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
}

void ParameterEditorsGlue::gridEntered(EditorId name)
{
    StringGrid* g = m_grids.at(name);
    // Whatever the in-place editor holds goes into its cell now: the view's
    // own commit on Enter is queued and may not have run yet.
    g->commitEditor();
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const auto ranges = g->selectedRanges();
    int column = g->currentColumn();
    int row = g->currentRow();
    if (!ranges.isEmpty()) {
        column = ranges.first().leftColumn();
        row = ranges.first().topRow();
    }
    clearMarkedCell();
    if (!ParameterEditor::isEditableCell(name, column, row))
        return;
    const EditResult r = ParameterEditor::gridCellEntered(m_image, name, column, row,
                                                          g->cell(column, row).toStdString(), decimalSeparator());
    if (applyEdit(r))
        g->markCellSent(column, row);
    g->viewport()->update();
}

void ParameterEditorsGlue::paintMapCell(EditorId name, QPainter& p, int column, int row, const QRect& rect)
{
    StringGrid* g = m_grids.at(name);
    CellPaint paint = GridPaint::cell(m_image, name, column, row, m_markers());
    if (m_marked.grid == g && m_marked.column == column && m_marked.row == row)
        paint.fill = params::kColourGreen;
    if (paint.fill)
        p.fillRect(rect, qcolor(*paint.fill));
    if (g->isCellUnsent(column, row))
        p.fillRect(rect.adjusted(2, 2, -2, -2), UnsentTextMark::tint()); // typed, not sent
    if (paint.markerOutline) {
        p.setPen(QPen(QColor(255, 0, 0), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    p.setPen(qcolor(paint.textColour));
    p.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, g->cell(column, row));
}

} // namespace kdx
