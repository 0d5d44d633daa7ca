#include "app/pages/ParametersPage.h"

#include "app/KdxLogo.h"
#include "i18n/KeyTable.h"
#include "app/pages/ControlFactory.h"
#include "app/pages/EditorWiring.h"
#include "app/pages/LanguageRegistry.h"
#include "widgets/StringGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace kdx {

ParametersPage::ParametersPage(QWidget* page, LanguageRegistry& texts)
{
    // Logo, connect, link counters, connection log.
    auto* logo = named(new QLabel(page), "Image1", QRect(8, 8, 128, 128));
    logo->setPixmap(makeKdxLogo(128));
    logo->setAlignment(Qt::AlignCenter);
    logo->setAccessibleName(QStringLiteral("KDX logo"));

    connectButton = makeButton(page, "ButtonAutoconnect", QStringLiteral("CONNECT"), QRect(148, 8, 236, 52));
    QFont big = connectButton->font();
    big.setPointSize(12);
    big.setBold(true);
    connectButton->setFont(big);
    connectButton->setToolTip(QStringLiteral("AutoConnect [F10]"));

    crcErrors = makeLabel(page, "LabeBladCRC", QStringLiteral("Pakiet Blad CRC: 0"), QRect(148, 70, 236, 20));
    badPackets = makeLabel(page, "LabelPakietBlad", QStringLiteral("Pakiet blad: 0"), QRect(148, 92, 236, 20));
    lostPackets = makeLabel(page, "LabelPakietUtracony", QStringLiteral("Pakiet utracony: 0"), QRect(148, 114, 236, 20));

    connectionLog = makeGrid(page, "StringGridPC_ID", 2, 9, 0, 128, 23, QPoint(400, 8));
    // Row 0 is the heading; there is no fixed column.
    for (int c = 0; c < 2; ++c) {
        if (QTableWidgetItem* it = connectionLog->item(0, c)) {
            it->setFlags(Qt::ItemIsEnabled);
            it->setBackground(StringGrid::fixedCellColor());
        }
    }
    connectionLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connectionLog->setSelectionMode(QAbstractItemView::NoSelection);
    connectionLog->setFocusPolicy(Qt::NoFocus);
    connectionLog->setAccessibleName(QStringLiteral("connection log: date and PC identity"));
    connectionLog->setCell(0, 0, QStringLiteral("CONNECTION DATE"));
    connectionLog->setCell(1, 0, QStringLiteral("PC - ID"));
    texts.add(100101, connectionLog);
    texts.add(100102, connectionLog);
    texts.add(kKeyCrcErrors, crcErrors);
    texts.add(kKeyBadPackets, badPackets);
    texts.add(kKeyLostPackets, lostPackets);
    texts.add(100116, connectButton);

    // Active pumps.
    auto* pumps = named(new QGroupBox(QStringLiteral("select active pumps"), page),
                        "GroupBoxAktywnePompki", QRect(8, 150, 376, 52));
    pump1Active = named(new QCheckBox(QStringLiteral("1"), pumps), "CheckBoxPump1Active", QRect(14, 22, 60, 22));
    pump1Active->setAccessibleName(QStringLiteral("pump 1 active"));
    pump2Active = named(new QCheckBox(QStringLiteral("2"), pumps), "CheckBoxPump2Active", QRect(90, 22, 60, 22));
    pump2Active->setAccessibleName(QStringLiteral("pump 2 active"));
    texts.add(100123, pumps);

    // Level, delay and rpm input settings.
    const int labelX = 8, labelW = 196, editX = 208, editW = 80, rowH = 24, gap = 30;
    int y = 232;
    auto* minLevHLabel = makeLabel(page, "LabelMinLevH", QStringLiteral("minimum level H [V]"),
                                   QRect(labelX, y, labelW, rowH));
    minLevH = makeEdit(page, "EditMinLevH", QStringLiteral("1,2"), QRect(editX, y, editW, rowH), minLevHLabel);
    y += gap;
    auto* minLevLLabel = makeLabel(page, "LabelMinLevL", QStringLiteral("minimum level L [V]"),
                                   QRect(labelX, y, labelW, rowH));
    minLevL = makeEdit(page, "EditMinLevL", QStringLiteral("0,9"), QRect(editX, y, editW, rowH), minLevLLabel);
    y += gap;
    auto* delay = makeLabel(page, "LabelGeneralDelay", QStringLiteral("general delay [s]"),
                            QRect(labelX, y, labelW, rowH));
    generalDelay = makeEdit(page, "EditGeneralDelay", QStringLiteral("120"), QRect(editX, y, editW, rowH), delay);
    generalDelay->setMaxLength(3);
    y += gap;
    auto* divide = makeLabel(page, "LabelRpmDivide", QStringLiteral("rpm divide [dec]"),
                             QRect(labelX, y, labelW, rowH));
    rpmDivide = makeEdit(page, "EditRpmDziel", QStringLiteral("10"), QRect(editX, y, editW, rowH), divide);
    y += gap + 6;
    rpmIn = makeCombo(page, "ComboBoxRpmIn", listItems(EditorId::RpmInput), 0,
                      QRect(labelX, y, 150, 26), nullptr);
    rpmIn->setAccessibleName(QStringLiteral("rpm input"));
    comparator = makeCombo(page, "ComboBoxAnKompSett", listItems(EditorId::Comparator), 0, QRect(labelX + 160, y, 120, 26), nullptr);
    comparator->setAccessibleName(QStringLiteral("analogue rpm comparator threshold"));
    comparator->setToolTip(QStringLiteral("analogue rpm comparator threshold"));
    texts.add(100103, rpmIn);
    texts.add(100104, rpmIn);
    texts.add(100105, divide);
    texts.add(100107, minLevHLabel);
    texts.add(100108, minLevLLabel);
    texts.add(100109, delay);

    // Vehicle presets and defaults.
    const int rightX = 400;
    y = 232;
    auto* carType = makeLabel(page, "LabelCarType", QStringLiteral("car type:"), QRect(rightX, y, 260, 20));
    fuelType = makeCombo(page, "ComboBoxFuelType", listItems(EditorId::FuelType), 0, QRect(rightX, y + 22, 160, 26),
                         carType);
    y += 60;
    auto* averCons = makeLabel(page, "LabelAverCons", QStringLiteral("average fuel consumption l / 100 km:"),
                               QRect(rightX, y, 264, 20));
    averageConsumption = makeCombo(page, "ComboBoxAvFuelComs", listItems(EditorId::AverageConsumption), 0,
                                   QRect(rightX, y + 22, 80, 26), averCons);
    y += 72;
    setDefaults = makeButton(page, "ButtonSetDefault", QStringLiteral("RESET PARAMETERS!"), QRect(rightX, y, 200, 34));
    markWarning(setDefaults);
    texts.add(100106, setDefaults);
    texts.add(100110, carType);
    texts.add(100111, averCons);
    for (int key : {100112, 100113, 100114})
        texts.add(key, fuelType);

    // Procedure buttons and the hot key: never shown.
    loadAllData = makeButton(page, "ButtonLoadAllData", QStringLiteral("LoadAllData"), QRect(8, 420, 100, 25));
    loadAllData->hide();
    readAll = makeButton(page, "ButtonReadPar", QStringLiteral("ReadAll"), QRect(112, 420, 100, 25));
    readAll->hide();
    showAllData = makeButton(page, "ButtonWyswPar", QStringLiteral("ShowAllData"), QRect(216, 420, 100, 25));
    showAllData->hide();
    texts.add(100117, loadAllData);
    texts.add(100118, readAll);
    texts.add(100119, showAllData);
    connectKey = named(new QKeySequenceEdit(QKeySequence(Qt::Key_F10), page), "HotKeyF10", QRect(320, 420, 100, 25));
    connectKey->setAccessibleName(QStringLiteral("connect shortcut"));
    connectKey->hide();

    // Raw words of the last status frame: row r holds frame bytes 2r, 2r+1.
    rawWords = makeGrid(page, "StringGridWizD", 2, 48, 0, 60, 18, QPoint(440, 240));
    rawWords->setAccessibleName(QStringLiteral("raw status words"));
    rawWords->hide();

    footer = makeLabel(page, "LabelTORVELN", QStringLiteral("KDX service tool - for authorised service personnel only"),
                       QRect(8, 410, 640, 20));
    footer->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    QPalette pal = footer->palette();
    pal.setColor(QPalette::WindowText, QColor(96, 96, 96));
    footer->setPalette(pal);
    texts.add(100115, footer);
}

QLabel* ParametersPage::counter(CounterLabel which) const
{
    switch (which) {
    case CounterLabel::Crc: return crcErrors;
    case CounterLabel::Bad: return badPackets;
    case CounterLabel::Lost: break;
    }
    return lostPackets;
}

void ParametersPage::bind(const EditorWiring& editors, const ConnectionLog& log)
{
    editors.edit(minLevH, EditorId::MinLevH);
    editors.edit(minLevL, EditorId::MinLevL);
    editors.edit(generalDelay, EditorId::GeneralDelay);
    editors.edit(rpmDivide, EditorId::RpmDivide);
    editors.combo(rpmIn, EditorId::RpmInput);
    editors.combo(comparator, EditorId::Comparator);
    editors.combo(fuelType, EditorId::FuelType);
    editors.combo(averageConsumption, EditorId::AverageConsumption);
    editors.check(pump1Active, EditorId::Pump1Active);
    editors.check(pump2Active, EditorId::Pump2Active);
    StringGrid* grid = connectionLog;
    grid->setCellPainter([grid, &log](QPainter& p, int column, int row, const QRect& rect) {
        if (const auto colour = log.cellColour(row))
            p.fillRect(rect, QColor(colour->r, colour->g, colour->b));
        p.setPen(Qt::black);
        p.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, grid->cell(column, row));
    });
}

void ParametersPage::showConnectionLog(const std::array<ConnectionLog::Row, live::kLogSlots>& rows) const
{
    for (size_t i = 0; i < rows.size(); ++i) {
        connectionLog->setCell(0, static_cast<int>(i) + 1, QString::fromStdString(rows[i].date));
        connectionLog->setCell(1, static_cast<int>(i) + 1, QString::fromStdString(rows[i].identity));
    }
    connectionLog->viewport()->update();
}

} // namespace kdx
