// The controls of the pages and of the dashboard panel, with their design
// texts, item lists, sizes and positions.
#include "app/MainWindow.h"

#include "app/KdxLogo.h"
#include "app/pages/ControlFactory.h"
#include "live/LampAppearance.h"
#include "widgets/LedIndicator.h"
#include "widgets/Meter270.h"
#include "widgets/StringGrid.h"
#include "widgets/WheelGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTextEdit>

namespace kdx {

namespace {

const QColor kSilver(192, 192, 192);

} // namespace

void MainWindow::buildParameterPage(QWidget* page)
{
    // Logo, connect, link counters, connection log.
    auto* logo = named(new QLabel(page), "Image1", QRect(8, 8, 128, 128));
    logo->setPixmap(makeKdxLogo(128));
    logo->setAlignment(Qt::AlignCenter);
    logo->setAccessibleName(QStringLiteral("KDX logo"));

    auto* connectButton = makeButton(page, "ButtonAutoconnect", QStringLiteral("CONNECT"),
                                     QRect(148, 8, 236, 52));
    QFont big = connectButton->font();
    big.setPointSize(12);
    big.setBold(true);
    connectButton->setFont(big);
    connectButton->setToolTip(QStringLiteral("AutoConnect [F10]"));

    makeLabel(page, "LabeBladCRC", QStringLiteral("Pakiet Blad CRC: 0"), QRect(148, 70, 236, 20));
    makeLabel(page, "LabelPakietBlad", QStringLiteral("Pakiet blad: 0"), QRect(148, 92, 236, 20));
    makeLabel(page, "LabelPakietUtracony", QStringLiteral("Pakiet utracony: 0"), QRect(148, 114, 236, 20));

    auto* log = makeGrid(page, "StringGridPC_ID", 2, 9, 0, 128, 23, QPoint(400, 8));
    // Row 0 is the heading; there is no fixed column.
    for (int c = 0; c < 2; ++c) {
        if (QTableWidgetItem* it = log->item(0, c)) {
            it->setFlags(Qt::ItemIsEnabled);
            it->setBackground(StringGrid::fixedCellColor());
        }
    }
    log->setEditTriggers(QAbstractItemView::NoEditTriggers);
    log->setSelectionMode(QAbstractItemView::NoSelection);
    log->setFocusPolicy(Qt::NoFocus);
    log->setAccessibleName(QStringLiteral("connection log: date and PC identity"));

    // Active pumps.
    auto* pumps = named(new QGroupBox(QStringLiteral("select active pumps"), page),
                        "GroupBoxAktywnePompki", QRect(8, 150, 376, 52));
    named(new QCheckBox(QStringLiteral("1"), pumps), "CheckBoxPump1Active", QRect(14, 22, 60, 22))
        ->setAccessibleName(QStringLiteral("pump 1 active"));
    named(new QCheckBox(QStringLiteral("2"), pumps), "CheckBoxPump2Active", QRect(90, 22, 60, 22))
        ->setAccessibleName(QStringLiteral("pump 2 active"));

    // Level, delay and rpm input settings.
    const int labelX = 8, labelW = 196, editX = 208, editW = 80, rowH = 24, gap = 30;
    int y = 232;
    auto* minLevH = makeLabel(page, "LabelMinLevH", QStringLiteral("minimum level H [V]"),
                              QRect(labelX, y, labelW, rowH));
    makeEdit(page, "EditMinLevH", QStringLiteral("1,2"), QRect(editX, y, editW, rowH), minLevH);
    y += gap;
    auto* minLevL = makeLabel(page, "LabelMinLevL", QStringLiteral("minimum level L [V]"),
                              QRect(labelX, y, labelW, rowH));
    makeEdit(page, "EditMinLevL", QStringLiteral("0,9"), QRect(editX, y, editW, rowH), minLevL);
    y += gap;
    auto* delay = makeLabel(page, "LabelGeneralDelay", QStringLiteral("general delay [s]"),
                            QRect(labelX, y, labelW, rowH));
    makeEdit(page, "EditGeneralDelay", QStringLiteral("120"), QRect(editX, y, editW, rowH), delay)
        ->setMaxLength(3);
    y += gap;
    auto* divide = makeLabel(page, "LabelRpmDivide", QStringLiteral("rpm divide [dec]"),
                             QRect(labelX, y, labelW, rowH));
    makeEdit(page, "EditRpmDziel", QStringLiteral("10"), QRect(editX, y, editW, rowH), divide);
    y += gap + 6;
    auto* rpmIn = makeCombo(page, "ComboBoxRpmIn",
                            {QStringLiteral("RPM IN Digital"), QStringLiteral("RPM ANALOG")}, 0,
                            QRect(labelX, y, 150, 26), nullptr);
    rpmIn->setAccessibleName(QStringLiteral("rpm input"));
    auto* comparator = makeCombo(page, "ComboBoxAnKompSett", comparatorItems(), 0,
                                 QRect(labelX + 160, y, 120, 26), nullptr);
    comparator->setAccessibleName(QStringLiteral("analogue rpm comparator threshold"));
    comparator->setToolTip(QStringLiteral("analogue rpm comparator threshold"));

    // Vehicle presets and defaults.
    const int rightX = 400;
    y = 232;
    auto* carType = makeLabel(page, "LabelCarType", QStringLiteral("car type:"), QRect(rightX, y, 260, 20));
    makeCombo(page, "ComboBoxFuelType",
              {QStringLiteral("gasoline 12V"), QStringLiteral("diesel 12V"), QStringLiteral("diesel 24V")}, 0,
              QRect(rightX, y + 22, 160, 26), carType);
    y += 60;
    auto* averCons = makeLabel(page, "LabelAverCons", QStringLiteral("average fuel consumption l / 100 km:"),
                               QRect(rightX, y, 264, 20));
    QStringList classes = numberItems(0, 29);
    classes << QStringLiteral("30+");
    makeCombo(page, "ComboBoxAvFuelComs", classes, 0, QRect(rightX, y + 22, 80, 26), averCons);
    y += 72;
    auto* reset = makeButton(page, "ButtonSetDefault", QStringLiteral("RESET PARAMETERS!"),
                             QRect(rightX, y, 200, 34));
    markWarning(reset);

    // Procedure buttons and the hot key: never shown.
    makeButton(page, "ButtonLoadAllData", QStringLiteral("LoadAllData"), QRect(8, 420, 100, 25))->hide();
    makeButton(page, "ButtonReadPar", QStringLiteral("ReadAll"), QRect(112, 420, 100, 25))->hide();
    makeButton(page, "ButtonWyswPar", QStringLiteral("ShowAllData"), QRect(216, 420, 100, 25))->hide();
    auto* hotKey = named(new QKeySequenceEdit(QKeySequence(Qt::Key_F10), page), "HotKeyF10",
                         QRect(320, 420, 100, 25));
    hotKey->setAccessibleName(QStringLiteral("connect shortcut"));
    hotKey->hide();

    // Raw words of the last status frame: row r holds frame bytes 2r, 2r+1.
    auto* raw = makeGrid(page, "StringGridWizD", 2, 48, 0, 60, 18, QPoint(440, 240));
    raw->setAccessibleName(QStringLiteral("raw status words"));
    raw->hide();

    auto* footer = makeLabel(page, "LabelTORVELN", QStringLiteral("KDX service tool - for authorised service personnel only"),
                             QRect(8, 410, 640, 20));
    footer->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    QPalette pal = footer->palette();
    pal.setColor(QPalette::WindowText, QColor(96, 96, 96));
    footer->setPalette(pal);
}

void MainWindow::buildAutoPage(QWidget* page)
{
    auto* title = makeLabel(page, "LabelAutomat", QStringLiteral("tryb automat"), QRect(8, 8, 400, 24));
    QFont f = title->font();
    f.setPointSize(11);
    f.setBold(true);
    title->setFont(f);
    makeLabel(page, "LabelPreDefAuto", QStringLiteral("pre - define auto mode"), QRect(8, 36, 400, 20));

    auto* onTime = makeGrid(page, "StringGridAutoPumpOn", 2, 6, 1, 160, 20, QPoint(8, 60));
    onTime->setDataBackground(kSilver);
    onTime->setAccessibleName(QStringLiteral("automatic pump on time per rpm band"));
    auto* pause = makeGrid(page, "StringGridAutoPumpStop", 4, 4, 1, 150, 24, QPoint(8, 196));
    pause->setDataBackground(kSilver);
    pause->setAccessibleName(QStringLiteral("automatic pause time per humidity and temperature band"));

    const int labelX = 340, labelW = 250, editX = 594, editW = 64, rowH = 24;
    auto* maxHum = makeLabel(page, "LabelMaxHig", QStringLiteral("max. humidity [%]"), QRect(labelX, 60, labelW, rowH));
    makeEdit(page, "EditMaxHum", QStringLiteral("95"), QRect(editX, 60, editW, rowH), maxHum);
    auto* minTemp = makeLabel(page, "LabelMinTemp", QString::fromUtf8("min. temperature[\u00B0C]"),
                              QRect(labelX, 90, labelW, rowH));
    makeEdit(page, "EditAutoMinTemp", QStringLiteral("5"), QRect(editX, 90, editW, rowH), minTemp);
    auto* upTime = makeLabel(page, "LabelAutoRpmUpTime", QStringLiteral("rpm up time definition [s], down is 1 [s]"),
                             QRect(labelX, 120, labelW, rowH));
    makeEdit(page, "EditAutoRpmUpT", QStringLiteral("5"), QRect(editX, 120, editW, rowH), upTime);
    auto* shortOff = makeLabel(page, "LabelAuto2xShortOff",
                               QStringLiteral("2x short off over rpm signal i 0-off [rpm]"),
                               QRect(labelX, 150, labelW, rowH));
    makeEdit(page, "EditAuto2xShortOff", QStringLiteral("5000"), QRect(editX, 150, editW, rowH), shortOff);
}

void MainWindow::buildManualTrigPage(QWidget* page)
{
    auto* note = makeLabel(page, "LabelManualTrig", QStringLiteral("\"-\" value turns off all map !"),
                           QRect(8, 6, 640, 20));
    markWarning(note);
    auto* map = makeGrid(page, "StringGridManualTrigMap", 5, 25, 1, 128, 20, QPoint(8, 30));
    map->setDataBackground(kSilver);
    map->setAccessibleName(QStringLiteral("manual trigger map: pump on and off times per rpm range"));
}

void MainWindow::buildManualConstPage(QWidget* page)
{
    struct Pump {
        const char* group;
        const char* title;
        const char* minLabel;
        const char* minText;
        const char* minCombo;
        const char* maxLabel;
        const char* maxText;
        const char* maxCombo;
        const char* tonLabel;
        const char* tonEdit;
        const char* toffLabel;
        const char* toffEdit;
        int x;
    };
    const Pump pumps[] = {
        {"GroupBoxManConstP1", "pump 1", "LabelMinRpmP1", "minimum rpm pump1", "ComboBoxManualMinRpmP1",
         "LabelMaxRpmP1", "maximum rpm pump1", "ComboBoxManualMaxRpmP1", "LabelTonP1",
         "EditManualMconstOnP1", "LabelToffP1", "EditManualMconstOffP1", 8},
        {"GroupBoxManConstP2", "pump 2", "LabelMinRpmP2", "minimum rpm pump2", "ComboBoxManualMinRpmP2",
         "LabelMaxRpmP2", "maximum rpm pump2", "ComboBoxManualMaxRpmP2", "LabelTonP2",
         "EditManualMconstOnP2", "LabelToffP2", "EditManualMconstOffP2", 340},
    };
    const QStringList rpm = rpmItems();
    for (const Pump& p : pumps) {
        auto* group = named(new QGroupBox(QString::fromLatin1(p.title), page), p.group,
                            QRect(p.x, 8, 320, 100));
        // Labels wide enough for the longest translation ("... pump 1").
        auto* minLabel = makeLabel(group, p.minLabel, QString::fromLatin1(p.minText), QRect(12, 28, 200, 26));
        makeCombo(group, p.minCombo, rpm, 1, QRect(216, 28, 92, 26), minLabel); // "100"
        auto* maxLabel = makeLabel(group, p.maxLabel, QString::fromLatin1(p.maxText), QRect(12, 62, 200, 26));
        makeCombo(group, p.maxCombo, rpm, 50, QRect(216, 62, 92, 26), maxLabel); // "5000"
        // On and off times: kept, never shown.
        auto* ton = makeLabel(group, p.tonLabel, QStringLiteral("Ton [s]"), QRect(12, 96, 170, 24));
        makeEdit(group, p.tonEdit, QStringLiteral("100"), QRect(190, 96, 80, 24), ton)->hide();
        ton->hide();
        auto* toff = makeLabel(group, p.toffLabel, QStringLiteral("Toff [s]"), QRect(12, 126, 170, 24));
        makeEdit(group, p.toffEdit, QStringLiteral("250"), QRect(190, 126, 80, 24), toff)->hide();
        toff->hide();
    }
}

void MainWindow::buildServicePage(QWidget* page)
{
    auto* ton = makeLabel(page, "LabelSerwisTon", QStringLiteral("Ton [s]"), QRect(8, 12, 80, 26));
    makeCombo(page, "ComboBoxSerwisTon", numberItems(0, 15), 0, QRect(92, 12, 90, 26), ton);
    auto* toff = makeLabel(page, "LabelSerwisToff", QStringLiteral("Toff [s]"), QRect(8, 46, 80, 26));
    makeCombo(page, "ComboBoxSerwisToff", numberItems(1, 999), 10, QRect(92, 46, 90, 26), toff);
    makeButton(page, "ButtonSerwisStart", QStringLiteral("serwis on"), QRect(8, 88, 140, 34));
    makeButton(page, "ButtonSerwisStop", QStringLiteral("serwis off"), QRect(156, 88, 140, 34));
}

void MainWindow::buildFirmwarePage(QWidget* page)
{
    auto* warning = makeLabel(page, "LabelAfterReset", QStringLiteral("AFTER UPDATE - PARAMETERS WILL BE LOST !!!!"),
                              QRect(8, 8, 640, 22));
    markWarning(warning);
    auto* upgrade = makeButton(page, "ButtonFirmware", QStringLiteral("upgrade"), QRect(8, 38, 160, 36));
    QFont f = upgrade->font();
    f.setBold(true);
    upgrade->setFont(f);
    auto* progress = named(new QProgressBar(page), "ProgressBarBoot", QRect(180, 44, 470, 24));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setAccessibleName(QStringLiteral("firmware upgrade progress"));

    makeButton(page, "ButtonReset", QStringLiteral("reset uController"), QRect(8, 84, 190, 28));
    makeButton(page, "ButtonRFTD1", QStringLiteral("rise from the dead (comXX):"), QRect(206, 84, 240, 28));
    QStringList comPorts;
    for (int n = 1; n <= 16; ++n)
        comPorts << QStringLiteral("COM%1").arg(n);
    auto* port = makeCombo(page, "ComboBoxRFDCom", comPorts, 0, QRect(454, 85, 90, 26), nullptr);
    port->setAccessibleName(QStringLiteral("rise from the dead port"));

    auto* log = named(new QTextEdit(page), "RichEdit1", QRect(8, 122, 650, 200));
    log->setReadOnly(true);
    log->setAcceptRichText(false);
    log->setPlainText(QStringLiteral("logs:"));
    log->setAccessibleName(QStringLiteral("upgrade log"));

    makeButton(page, "ButtonOpenFirmFile", QStringLiteral("Slij"), QRect(552, 84, 70, 28))->hide();
    makeButton(page, "ButtonTalkToBoot", QStringLiteral("Gadaj Z Butem"), QRect(8, 570, 300, 25))->hide();
    makeButton(page, "ButtonSwitchToSave", QStringLiteral("Przelacz do Zapisu"), QRect(316, 570, 300, 25))->hide();
}

} // namespace kdx
