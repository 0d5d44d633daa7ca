// Every control the rest of the program addresses by name exists with its
// design texts, lists, sizes and visibility.
#include "AppTestSupport.h"
#include "support/FindControl.h"

#include "widgets/LedIndicator.h"
#include "widgets/Meter270.h"
#include "widgets/StringGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace kdx {
namespace {

class ControlInventoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { rig = new test::WindowRig; }
    static void TearDownTestSuite()
    {
        delete rig;
        rig = nullptr;
    }
    MainWindow& w() { return *rig->window; }
    template <typename T>
    T* get(const char* name)
    {
        T* c = findControl<T>(w(), name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static test::WindowRig* rig;
};
test::WindowRig* ControlInventoryTest::rig = nullptr;

// Every control the other parts address by name, with its design text where
// it has one (nullptr: no text to check).
const std::pair<const char*, const char*> kControls[] = {
    {"TForm1", nullptr}, {"PageControl1", nullptr}, {"Panel4", nullptr}, {"MainMenu1", nullptr},
    {"Timer1", nullptr}, {"SaveDialog1", nullptr}, {"OpenDialog1", nullptr}, {"OpenDialog2", nullptr},
    {"File1", "File"}, {"AutoConnect1", "AutoConnect [F10]"}, {"Open1", "Load to ECU"},
    {"SaveToDisc1", "Save To Disk"}, {"Exit1", "Exit"}, {"Language1", "Language"}, {"English1", "English"},
    {"Polski1", "Polish"}, {"Russian1", "Russian"}, {"German1", "German"}, {"Help1", "Help"},
    {"TabSheetPar", nullptr}, {"TabSheetAuto", nullptr}, {"TabSheetManualTrig", nullptr},
    {"TabSheetManualConst", nullptr}, {"TabSheetSerwis", nullptr}, {"TabSheetErr", nullptr},
    {"TabSheetUpg", nullptr}, {"TabSheetDiag", nullptr}, {"TabSheetTester", nullptr}, {"Image1", nullptr},
    {"LabeBladCRC", "Pakiet Blad CRC: 0"}, {"LabelPakietBlad", "Pakiet blad: 0"},
    {"LabelPakietUtracony", "Pakiet utracony: 0"}, {"ButtonAutoconnect", "CONNECT"},
    {"StringGridPC_ID", nullptr}, {"LabelMinLevH", "minimum level H [V]"}, {"EditMinLevH", "1,2"},
    {"LabelMinLevL", "minimum level L [V]"}, {"EditMinLevL", "0,9"}, {"LabelGeneralDelay", "general delay [s]"},
    {"EditGeneralDelay", "120"}, {"LabelRpmDivide", "rpm divide [dec]"}, {"EditRpmDziel", "10"},
    {"ComboBoxRpmIn", nullptr}, {"ComboBoxAnKompSett", nullptr},
    {"GroupBoxAktywnePompki", "select active pumps"}, {"CheckBoxPump1Active", "1"},
    {"CheckBoxPump2Active", "2"}, {"LabelCarType", "car type:"}, {"ComboBoxFuelType", nullptr},
    {"LabelAverCons", "average fuel consumption l / 100 km:"}, {"ComboBoxAvFuelComs", nullptr},
    {"ButtonSetDefault", "RESET PARAMETERS!"}, {"ButtonLoadAllData", "LoadAllData"},
    {"ButtonReadPar", "ReadAll"}, {"ButtonWyswPar", "ShowAllData"}, {"HotKeyF10", nullptr},
    {"StringGridWizD", nullptr}, {"LabelTORVELN", nullptr}, {"LabelAutomat", "tryb automat"},
    {"LabelPreDefAuto", "pre - define auto mode"}, {"StringGridAutoPumpOn", nullptr},
    {"StringGridAutoPumpStop", nullptr}, {"LabelMaxHig", "max. humidity [%]"}, {"EditMaxHum", "95"},
    {"LabelMinTemp", "min. temperature[\u00B0C]"}, {"EditAutoMinTemp", "5"},
    {"LabelAutoRpmUpTime", "rpm up time definition [s], down is 1 [s]"}, {"EditAutoRpmUpT", "5"},
    {"LabelAuto2xShortOff", "2x short off over rpm signal i 0-off [rpm]"}, {"EditAuto2xShortOff", "5000"},
    {"LabelManualTrig", "\"-\" value turns off all map !"}, {"StringGridManualTrigMap", nullptr},
    {"GroupBoxManConstP1", "pump 1"}, {"GroupBoxManConstP2", "pump 2"}, {"LabelMinRpmP1", "minimum rpm pump1"},
    {"ComboBoxManualMinRpmP1", nullptr}, {"LabelMaxRpmP1", "maximum rpm pump1"},
    {"ComboBoxManualMaxRpmP1", nullptr}, {"LabelMinRpmP2", "minimum rpm pump2"},
    {"ComboBoxManualMinRpmP2", nullptr}, {"LabelMaxRpmP2", "maximum rpm pump2"},
    {"ComboBoxManualMaxRpmP2", nullptr}, {"LabelTonP1", "Ton [s]"}, {"EditManualMconstOnP1", "100"},
    {"LabelToffP1", "Toff [s]"}, {"EditManualMconstOffP1", "250"}, {"LabelTonP2", "Ton [s]"},
    {"EditManualMconstOnP2", "100"}, {"LabelToffP2", "Toff [s]"}, {"EditManualMconstOffP2", "250"},
    {"LabelSerwisTon", "Ton [s]"}, {"ComboBoxSerwisTon", nullptr}, {"LabelSerwisToff", "Toff [s]"},
    {"ComboBoxSerwisToff", nullptr}, {"ButtonSerwisStart", "serwis on"}, {"ButtonSerwisStop", "serwis off"},
    {"ButtonFirmware", "upgrade"}, {"ButtonReset", "reset uController"},
    {"LabelAfterReset", "AFTER UPDATE - PARAMETERS WILL BE LOST !!!!"},
    {"ButtonRFTD1", "rise from the dead (comXX):"}, {"ComboBoxRFDCom", nullptr}, {"RichEdit1", nullptr},
    {"ProgressBarBoot", nullptr}, {"ButtonOpenFirmFile", "Slij"}, {"ButtonTalkToBoot", "Gadaj Z Butem"},
    {"ButtonSwitchToSave", "Przelacz do Zapisu"}, {"GroupBoxActualErr", "actual errors"},
    {"GroupBoxRemErr", "errors in memory"}, {"GroupBoxWarnings", "warnings"},
    {"AbLEDWarP1", "Pump 1 not connected !"}, {"AbLEDWarP2", "Pump 2 not connected !"},
    {"StringGridViz", nullptr}, {"ButtonEraseErr", "erase erros"}, {"CheckBoxCMPout", nullptr},
    {"CheckBoxCMPev", nullptr}, {"CheckBox1", nullptr}, {"CheckBox2", nullptr}, {"CheckBox3", nullptr},
    {"CheckBox4", nullptr}, {"CheckBox5", nullptr}, {"CheckBox6", nullptr}, {"CheckBox7", nullptr},
    {"CheckBox8", nullptr}, {"CheckBox9", nullptr}, {"CheckBox10", nullptr}, {"CheckBox11", nullptr},
    {"CheckBox12", nullptr}, {"CheckBox13", nullptr}, {"CheckBox14", nullptr}, {"CheckBox15", nullptr},
    {"CheckBox16", nullptr}, {"CheckBox17", nullptr}, {"CheckBox18", nullptr},
    {"LabelTest1", "UWAGA, testowac na zasilaczu lab. z ograniczeniem pradowym 10A lub wiecej!"},
    {"LabelSerialN", "Numer Seryjny"}, {"Label1", "przyk\u0142ad SN: RQ412A0000001H02S4.7"},
    {"Label2", "numer seryjny ma byc w DataMatrix"}, {"LabelCzasTestowania1", "TIME"},
    {"AbLEDStartTestu1", nullptr}, {"EditSerial", ""}, {"Memo1", nullptr}, {"Ab270MeterLGPres", nullptr},
    {"LabelWilgotnosc", "humidity: 40 [%]"}, {"LabelTempPow", "temperature: 10 [C]"},
    {"LabelVDC", "power supply: 00.0 [V]"}, {"LabelOpPers", "op. / s: "}, {"AbLEDStacOn", "ignition On"},
    {"AbLEDPump1", "pump 1"}, {"AbLEDPump2", "pump 2"}, {"AbLEDJon1", "ionizer 1"}, {"AbLEDJon2", "ionizer 2"},
    {"AbLEDSystemOn", "kdx on"}, {"AbLEDMaxRpmP1", "max rpm P1"}, {"AbLEDMinRpmP1", "min rpm P1"},
    {"AbLEDMaxRpmP2", "max rpm P2"}, {"AbLEDMinRpmP2", "min rpm P2"}, {"AbLEDMaskMapOn", "map OFF"},
    {"AbLEDempty", "empty tank"}, {"AbLEDAutoMaxHum", "auto max. hum."},
    {"AbLEDAutoMinTemp", "auto min. temp."}, {"AbLEDSerwis", "serwis on"}, {"AbLEDOnDelayAuto", "on delay"},
    {"AbLEDFatalErr1", "fatal error1"}, {"AbLEDFatalErr2", "fatal error2"}, {"AbLEDErrMem", "KDX Error"},
    {"AbLEDZapisDoPamieci", "..."}, {"ButtonAuto", "Mode: auto"}, {"ButtonManualTrig", "Mode: manual trigger"},
    {"ButtonManualConst", "Mode: manual const"}, {"ButtonSerwis", "Mode: serwis"}, {"ButtonOff", "Mode: off"},
    {"ProgressBar1", nullptr}, {"ButtonSaveEep", "SAVE DATA TO EEPROM"},
};

TEST_F(ControlInventoryTest, EveryNamedControlExistsOnce)
{
    for (const auto& [name, text] : kControls) {
        const QString n = QString::fromLatin1(name);
        if (n == QLatin1String("TForm1")) {
            EXPECT_EQ(w().objectName(), n);
            continue;
        }
        const auto found = w().findChildren<QObject*>(n);
        EXPECT_EQ(found.size(), 1) << name;
    }
}

// A menu caption as shown: "&File" is File with Alt+F as its mnemonic.
QString shownCaption(QString text)
{
    text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
    return text;
}

QString textOf(QObject* o)
{
    if (auto* b = qobject_cast<QAbstractButton*>(o))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(o))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(o))
        return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(o))
        return e->text();
    if (auto* led = qobject_cast<LedIndicator*>(o))
        return led->caption();
    if (auto* a = qobject_cast<QAction*>(o))
        return shownCaption(a->text());
    if (auto* m = qobject_cast<QMenu*>(o))
        return shownCaption(m->title());
    return QStringLiteral("<no text>");
}

TEST_F(ControlInventoryTest, DesignTexts)
{

    for (const auto& [name, text] : kControls) {
        if (!text)
            continue;
        QObject* o = w().findChild<QObject*>(QString::fromLatin1(name));
        ASSERT_NE(o, nullptr) << name;
        EXPECT_EQ(textOf(o), QString::fromUtf8(text)) << name;
    }
    const char* const bits[] = {"VdcErrorLow", "VdcErrorHigh", "OneWireSensorComErr", "J1ErrorOut", "J2ErrorOut",
                                "P1ErrorOut", "P2ErrorOut", "P1ErrorOverload", "P2ErrorOverload"};
    for (int i = 0; i < 9; ++i) {
        for (int box : {i + 1, i + 10}) {
            const QByteArray name = "CheckBox" + QByteArray::number(box);
            auto* b = get<QAbstractButton>(name.constData());
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->text(), QString::fromLatin1(bits[i])) << name.constData();
            EXPECT_EQ(b->parent()->objectName(), box <= 9 ? "GroupBoxActualErr" : "GroupBoxRemErr");
        }
    }
    EXPECT_EQ(get<QTextEdit>("RichEdit1")->toPlainText(), QStringLiteral("logs:"));
    EXPECT_TRUE(get<QTextEdit>("RichEdit1")->isReadOnly());
    EXPECT_TRUE(get<QPlainTextEdit>("Memo1")->isReadOnly());
    EXPECT_EQ(get<QLineEdit>("EditSerial")->maxLength(), 20);
    EXPECT_EQ(get<QLineEdit>("EditGeneralDelay")->maxLength(), 3);
}

QStringList itemsOf(QComboBox* c)
{
    QStringList items;
    for (int i = 0; i < c->count(); ++i)
        items << c->itemText(i);
    return items;
}

TEST_F(ControlInventoryTest, ComparatorThresholdList)
{
    auto* c = get<QComboBox>("ComboBoxAnKompSett");
    ASSERT_EQ(c->count(), 128);
    EXPECT_EQ(c->currentIndex(), 0);
    const std::pair<int, const char*> samples[] = {
        {0, "1,00V"}, {1, "1,08V"}, {2, "1,16V"}, {64, "6,04V"}, {126, "10,92V"}, {127, "11,00V"}};
    for (const auto& [k, text] : samples)
        EXPECT_EQ(c->itemText(k), QString::fromLatin1(text)) << k;
}

TEST_F(ControlInventoryTest, SelectionLists)
{
    auto* toff = get<QComboBox>("ComboBoxSerwisToff");
    ASSERT_EQ(toff->count(), 999);
    EXPECT_EQ(toff->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(toff->itemText(998), QStringLiteral("999"));
    EXPECT_EQ(toff->currentIndex(), 10);
    EXPECT_EQ(toff->currentText(), QStringLiteral("11"));

    auto* ton = get<QComboBox>("ComboBoxSerwisTon");
    ASSERT_EQ(ton->count(), 16);
    EXPECT_EQ(ton->itemText(15), QStringLiteral("15"));
    EXPECT_EQ(ton->currentText(), QStringLiteral("0"));

    for (const char* name : {"ComboBoxManualMinRpmP1", "ComboBoxManualMaxRpmP1", "ComboBoxManualMinRpmP2",
                             "ComboBoxManualMaxRpmP2"}) {
        auto* rpm = get<QComboBox>(name);
        ASSERT_EQ(rpm->count(), 101) << name;
        EXPECT_EQ(rpm->itemText(0), QStringLiteral("000"));
        EXPECT_EQ(rpm->itemText(1), QStringLiteral("100"));
        EXPECT_EQ(rpm->itemText(100), QStringLiteral("10000"));
        EXPECT_EQ(rpm->currentText(), QString::fromLatin1(QByteArray(name).contains("Min") ? "100" : "5000"));
    }

    auto* cons = get<QComboBox>("ComboBoxAvFuelComs");
    ASSERT_EQ(cons->count(), 31);
    EXPECT_EQ(cons->itemText(29), QStringLiteral("29"));
    EXPECT_EQ(cons->itemText(30), QStringLiteral("30+"));
    EXPECT_EQ(cons->currentIndex(), 0);

    EXPECT_EQ(itemsOf(get<QComboBox>("ComboBoxFuelType")),
              (QStringList{"gasoline 12V", "diesel 12V", "diesel 24V"}));
    EXPECT_EQ(get<QComboBox>("ComboBoxFuelType")->currentIndex(), 0);
    EXPECT_EQ(itemsOf(get<QComboBox>("ComboBoxRpmIn")), (QStringList{"RPM IN Digital", "RPM ANALOG"}));

    auto* com = get<QComboBox>("ComboBoxRFDCom");
    ASSERT_EQ(com->count(), 16);
    EXPECT_EQ(com->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(com->itemText(15), QStringLiteral("COM16"));
    EXPECT_EQ(com->currentText(), QStringLiteral("COM1"));
}

TEST_F(ControlInventoryTest, GridGeometry)
{
    struct Geo {
        const char* name;
        int columns, rows, columnWidth, rowHeight;
        bool fixedHeadings;
    };
    const Geo grids[] = {
        {"StringGridManualTrigMap", 5, 25, 128, 20, true},
        {"StringGridAutoPumpOn", 2, 6, 160, 20, true},
        {"StringGridAutoPumpStop", 4, 4, 150, -1, true},
        {"StringGridPC_ID", 2, 9, 128, 23, false},
        {"StringGridViz", 2, 16, -1, -1, false},
        {"StringGridWizD", 2, 48, -1, -1, false},
    };
    for (const Geo& g : grids) {
        auto* grid = get<StringGrid>(g.name);
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(grid->columnCount(), g.columns) << g.name;
        EXPECT_EQ(grid->rowCount(), g.rows) << g.name;
        if (g.columnWidth > 0) {
            EXPECT_EQ(grid->columnWidth(g.columns - 1), g.columnWidth) << g.name;
        }
        if (g.rowHeight > 0) {
            EXPECT_EQ(grid->rowHeight(g.rows - 1), g.rowHeight) << g.name;
        }
        EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << g.name;
        EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << g.name;
        EXPECT_EQ(grid->size(), grid->fittingSize()) << g.name;
        EXPECT_EQ(grid->columnCountFixed(), g.fixedHeadings ? 1 : 0) << g.name;
    }
    // The log grid's heading row is not editable although it has no fixed column.
    auto* log = get<StringGrid>("StringGridPC_ID");
    EXPECT_FALSE(log->item(0, 1)->flags() & Qt::ItemIsEditable);
}

TEST_F(ControlInventoryTest, LampsFollowTheDashboardDesign)
{
    const QColor lime(0, 255, 0), fuchsia(255, 0, 255), aqua(0, 255, 255), red(255, 0, 0), yellow(255, 255, 0),
        blue(0, 0, 255);
    struct Lamp {
        const char* name;
        QColor on;
        bool flashing;
        QSize light;
        LedIndicator::Shape shape;
    };
    const auto round = LedIndicator::Shape::Round;
    const auto rect = LedIndicator::Shape::Rectangle;
    const Lamp lamps[] = {
        {"AbLEDStacOn", lime, false, {13, 13}, round},      {"AbLEDPump1", lime, false, {13, 13}, round},
        {"AbLEDPump2", lime, false, {13, 13}, round},       {"AbLEDJon1", lime, false, {13, 13}, round},
        {"AbLEDJon2", lime, false, {13, 13}, round},        {"AbLEDSystemOn", fuchsia, false, {13, 13}, round},
        {"AbLEDMaxRpmP1", aqua, false, {13, 13}, round},    {"AbLEDMinRpmP1", aqua, false, {13, 13}, round},
        {"AbLEDMaxRpmP2", aqua, false, {13, 13}, round},    {"AbLEDMinRpmP2", aqua, false, {13, 13}, round},
        {"AbLEDMaskMapOn", red, false, {13, 13}, round},    {"AbLEDempty", red, false, {13, 13}, round},
        {"AbLEDAutoMaxHum", red, false, {13, 13}, round},   {"AbLEDAutoMinTemp", red, false, {13, 13}, round},
        {"AbLEDSerwis", red, false, {13, 13}, round},       {"AbLEDOnDelayAuto", red, false, {13, 13}, round},
        {"AbLEDFatalErr1", red, false, {13, 13}, round},    {"AbLEDFatalErr2", red, false, {13, 13}, round},
        {"AbLEDErrMem", red, true, {20, 20}, round},        {"AbLEDZapisDoPamieci", lime, true, {16, 14}, rect},
        {"AbLEDWarP1", yellow, true, {20, 20}, round},      {"AbLEDWarP2", yellow, true, {20, 20}, round},
        {"AbLEDStartTestu1", blue, true, {80, 80}, rect},
    };
    for (const Lamp& l : lamps) {
        auto* led = get<LedIndicator>(l.name);
        ASSERT_NE(led, nullptr);
        EXPECT_EQ(led->onColor(), l.on) << l.name;
        EXPECT_EQ(led->isFlashing(), l.flashing) << l.name;
        if (l.flashing) {
            EXPECT_DOUBLE_EQ(led->flashRateHz(), 4.0) << l.name;
        }
        EXPECT_EQ(led->lightSize(), l.light) << l.name;
        EXPECT_EQ(led->shape(), l.shape) << l.name;
        EXPECT_FALSE(led->isOn()) << l.name;
        // The test result lamp too: idle, it shows the button face until a
        // test passes (lime) or fails (red).
        EXPECT_EQ(led->offColor(), led->palette().color(QPalette::Button)) << l.name;
    }
    auto* meter = get<Meter270>("Ab270MeterLGPres");
    EXPECT_EQ(meter->size(), QSize(198, 180));
    EXPECT_TRUE(get<QWidget>("Panel4")->isAncestorOf(meter));
}

TEST_F(ControlInventoryTest, DesignVisibility)
{
    for (const char* hidden :
         {"ButtonLoadAllData", "ButtonReadPar", "ButtonWyswPar", "HotKeyF10", "ButtonSaveEep", "ButtonTalkToBoot",
          "ButtonSwitchToSave", "ButtonOpenFirmFile", "EditManualMconstOnP1", "EditManualMconstOffP1",
          "EditManualMconstOnP2", "EditManualMconstOffP2", "LabelTonP1", "LabelToffP1", "LabelTonP2",
          "LabelToffP2", "CheckBoxCMPout", "CheckBoxCMPev", "StringGridWizD"}) {
        auto* c = get<QWidget>(hidden);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->isHidden()) << hidden;
    }
    for (const char* shown : {"ButtonAutoconnect", "StringGridPC_ID", "StringGridManualTrigMap", "StringGridViz",
                              "ButtonSetDefault", "ComboBoxFuelType", "LabelAutomat", "LabelManualTrig",
                              "ProgressBar1", "ButtonFirmware", "Memo1", "AbLEDErrMem"}) {
        auto* c = get<QWidget>(shown);
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->isHidden()) << shown;
    }
    EXPECT_FALSE(get<QAction>("Russian1")->isVisible());
    EXPECT_EQ(get<QKeySequenceEdit>("HotKeyF10")->keySequence(), QKeySequence(Qt::Key_F10));
    auto* panel = get<QWidget>("Panel4");
    EXPECT_EQ(panel->width(), MainWindow::kPanelWidth);
    EXPECT_EQ(get<QLabel>("Image1")->pixmap().size(), QSize(128, 128));
}

TEST_F(ControlInventoryTest, EveryEntryFieldCanBeFoundByWhatItHolds)
{
    QList<QWidget*> fields;
    for (auto* e : w().findChildren<QLineEdit*>())
        if (!qobject_cast<QComboBox*>(e->parentWidget()) && !qobject_cast<QAbstractSpinBox*>(e->parentWidget())
            && e->parentWidget()->objectName() != "HotKeyF10" && !e->objectName().isEmpty())
            fields << e;
    for (auto* c : w().findChildren<QComboBox*>())
        fields << c;
    for (auto* b : w().findChildren<QAbstractSpinBox*>())
        fields << b;
    ASSERT_EQ(fields.size(), 25); // 13 edit boxes, 11 drop-down lists, the charts' span
    QSet<QWidget*> withBuddy;
    for (auto* l : w().findChildren<QLabel*>())
        if (l->buddy())
            withBuddy.insert(l->buddy());
    for (QWidget* f : fields)
        EXPECT_TRUE(withBuddy.contains(f) || !f->accessibleName().isEmpty()) << f->objectName().toStdString();
}

} // namespace
} // namespace kdx
