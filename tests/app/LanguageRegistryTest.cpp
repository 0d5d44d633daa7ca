// The window's pages register the controls each language key addresses;
// loading a language reaches exactly those controls.
#include "app/MainWindow.h"
#include "app/pages/LanguageRegistry.h"
#include "i18n/KeyTable.h"
#include "i18n/LanguageSwitcher.h"
#include "i18n/LanguageTexts.h"
#include "params/ParameterTable.h"
#include "sim/ControllerModel.h"
#include "sim/SimulatedLine.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include "AppTestSupport.h"
#include "support/FindControl.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

namespace kdx {
namespace {

// Which controls (by object name) each key of the language files names.
const std::map<int, std::set<std::string>> kKeyControls = {
    {100001, {"TabSheetPar"}}, {100002, {"TabSheetAuto"}}, {100003, {"TabSheetManualTrig"}},
    {100004, {"TabSheetManualConst"}}, {100005, {"TabSheetSerwis"}}, {100006, {"TabSheetUpg"}},
    {100007, {"TabSheetDiag"}}, {100101, {"StringGridPC_ID"}}, {100102, {"StringGridPC_ID"}},
    {100103, {"ComboBoxRpmIn"}}, {100104, {"ComboBoxRpmIn"}}, {100105, {"LabelRpmDivide"}},
    {100106, {"ButtonSetDefault"}}, {100107, {"LabelMinLevH"}}, {100108, {"LabelMinLevL"}},
    {100109, {"LabelGeneralDelay"}}, {100110, {"LabelCarType"}}, {100111, {"LabelAverCons"}},
    {100112, {"ComboBoxFuelType"}}, {100113, {"ComboBoxFuelType"}}, {100114, {"ComboBoxFuelType"}},
    {100115, {"LabelTORVELN"}}, {100116, {"ButtonAutoconnect"}}, {100117, {"ButtonLoadAllData"}},
    {100118, {"ButtonReadPar"}}, {100119, {"ButtonWyswPar"}}, {100123, {"GroupBoxAktywnePompki"}},
    {100236, {"AbLEDJon1"}}, {100237, {"AbLEDJon2"}}, {100238, {"AbLEDStacOn"}}, {100239, {"AbLEDSerwis"}},
    {100240, {"AbLEDMaskMapOn"}}, {100241, {"AbLEDempty"}}, {100242, {"AbLEDAutoMaxHum"}},
    {100243, {"AbLEDAutoMinTemp"}}, {100244, {"AbLEDOnDelayAuto"}}, {100245, {"AbLEDMaxRpmP1"}},
    {100246, {"AbLEDMinRpmP1"}}, {100247, {"AbLEDMaxRpmP2"}}, {100248, {"AbLEDMinRpmP2"}},
    {100249, {"AbLEDFatalErr1"}}, {100250, {"AbLEDFatalErr2"}}, {100251, {"AbLEDErrMem"}}, {100260, {"ButtonAuto"}},
    {100261, {"ButtonManualTrig"}}, {100262, {"ButtonManualConst"}}, {100263, {"ButtonSerwis"}},
    {100264, {"ButtonOff"}}, {100300, {"StringGridManualTrigMap"}}, {100301, {"StringGridManualTrigMap"}},
    {100302, {"StringGridManualTrigMap"}}, {100303, {"StringGridManualTrigMap"}},
    {100304, {"StringGridManualTrigMap"}}, {100305, {"StringGridAutoPumpOn"}}, {100306, {"StringGridAutoPumpOn"}},
    {100307, {"StringGridAutoPumpStop"}}, {100310, {"LabelAutoRpmUpTime"}}, {100311, {"LabelMaxHig"}},
    {100312, {"LabelMinTemp"}}, {100313, {"LabelAuto2xShortOff"}}, {100314, {"LabelPreDefAuto"}},
    {100400, {"LabelManualTrig"}}, {100500, {"GroupBoxManConstP1"}}, {100501, {"GroupBoxManConstP2"}},
    {100502, {"LabelMinRpmP1"}}, {100503, {"LabelMaxRpmP1"}}, {100504, {"LabelMinRpmP2"}},
    {100505, {"LabelMaxRpmP2"}}, {100506, {"LabelTonP1"}}, {100507, {"LabelTonP2"}}, {100508, {"LabelToffP1"}},
    {100509, {"LabelToffP2"}}, {100600, {"LabelSerwisTon"}}, {100601, {"LabelSerwisToff"}},
    {100602, {"ButtonSerwisStart"}}, {100603, {"ButtonSerwisStop"}}, {100700, {"ButtonFirmware"}},
    {100701, {"ButtonReset"}}, {100702, {"LabelAfterReset"}}, {100703, {"ButtonRFTD1"}},
    {100800, {"GroupBoxActualErr"}}, {100801, {"GroupBoxRemErr"}}, {100802, {"GroupBoxWarnings"}},
    {100803, {"ButtonEraseErr"}}, {100804, {"AbLEDWarP1"}}, {100805, {"AbLEDWarP2"}},
    {100900, {"CheckBox1", "CheckBox10"}}, {100901, {"CheckBox2", "CheckBox11"}},
    {100902, {"CheckBox3", "CheckBox12"}}, {100903, {"CheckBox4", "CheckBox13"}},
    {100904, {"CheckBox5", "CheckBox14"}}, {100905, {"CheckBox6", "CheckBox15"}},
    {100906, {"CheckBox7", "CheckBox16"}}, {100907, {"CheckBox8", "CheckBox17"}},
    {100908, {"CheckBox9", "CheckBox18"}}, {101001, {"LabelAutomat"}},
    // The menus, the charts page.
    {102001, {"File1"}}, {102002, {"AutoConnect1"}}, {102003, {"Open1"}}, {102004, {"SaveToDisc1"}},
    {102005, {"Exit1"}}, {102006, {"Language1"}}, {102007, {"English1"}}, {102008, {"Polski1"}},
    {102009, {"German1"}}, {102010, {"Russian1"}}, {102011, {"Link1"}}, {102012, {"TrafficView1"}},
    {102013, {"DiagnosePorts1"}}, {102014, {"Help1Menu"}}, {102015, {"About1"}},
    {102016, {"CompareDefaults1"}}, {102017, {"CompareFiles1"}}, {102100, {"TabSheetCharts"}},
    {102101, {"LabelChartsSpan"}}, {102102, {"ButtonChartsOpen"}}, {102103, {"ButtonChartsLive"}},
    // The Link menu's windows.
    {102830, {"FormTraffic"}}, {102831, {"CheckBoxTrafficPause"}}, {102832, {"ButtonTrafficClear"}},
    {102833, {"ButtonTrafficExport"}}, {102837, {"FormPortDoctor"}}, {102838, {"ButtonDiagnoseAgain"}},
};

// The window as the program builds it: with its controller, whose parameter
// files add their own menu items.
struct ControllerRig {
    ControllerRig()
        : demo(model, clock), context(demo, clock, prompts, discovery, test::demoOptions())
    {
        test::appForTests();
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
    }
    test::TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    test::RecordingPrompts prompts;
    test::NoPorts discovery;
    test::QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

std::set<std::string> registeredNames(const LanguageRegistry& registry, int key)
{
    std::set<std::string> names;
    for (QObject* target : registry.targets(key))
        names.insert(target->objectName().toStdString());
    return names;
}

TEST(LanguageRegistry, EveryKeyReachesTheControlsItNames)
{
    ControllerRig rig;
    const LanguageRegistry& registry = rig.window->languageTexts();
    size_t keysOfControls = 0;
    for (const KeyTarget& t : keyTable()) {
        if (t.kind == TargetKind::Text)
            continue;
        ++keysOfControls;
        const auto expected = kKeyControls.find(t.key);
        ASSERT_NE(expected, kKeyControls.end()) << t.key;
        EXPECT_EQ(registeredNames(registry, t.key), expected->second) << t.key;
    }
    EXPECT_EQ(keysOfControls, kKeyControls.size());
    // The link counters show their prefix text with the count.
    EXPECT_EQ(registeredNames(registry, kKeyCrcErrors), std::set<std::string>{"LabeBladCRC"});
    EXPECT_EQ(registeredNames(registry, kKeyBadPackets), std::set<std::string>{"LabelPakietBlad"});
    EXPECT_EQ(registeredNames(registry, kKeyLostPackets), std::set<std::string>{"LabelPakietUtracony"});
}

// The parameter table names each editor by the key of the label its page
// shows as the editor's buddy (and of the frame around two equal labels), so
// the difference views call a parameter what the technician reads beside it.
TEST(LanguageRegistry, TheParameterTableNamesEditorsByTheLabelsBesideThem)
{
    test::WindowRig rig;
    const MainWindow& w = *rig.window;
    const LanguageRegistry& registry = w.languageTexts();
    // The editors that have a label beside them.
    const std::map<EditorId, const char*> labelled{
        {EditorId::MinLevH, "EditMinLevH"},
        {EditorId::MinLevL, "EditMinLevL"},
        {EditorId::GeneralDelay, "EditGeneralDelay"},
        {EditorId::RpmDivide, "EditRpmDziel"},
        {EditorId::FuelType, "ComboBoxFuelType"},
        {EditorId::AverageConsumption, "ComboBoxAvFuelComs"},
        {EditorId::MaxHumidity, "EditMaxHum"},
        {EditorId::AutoMinTemp, "EditAutoMinTemp"},
        {EditorId::AutoRpmUpTime, "EditAutoRpmUpT"},
        {EditorId::Auto2xShortOff, "EditAuto2xShortOff"},
        {EditorId::ManualMaxRpmP1, "ComboBoxManualMaxRpmP1"},
        {EditorId::ManualMinRpmP1, "ComboBoxManualMinRpmP1"},
        {EditorId::ManualMaxRpmP2, "ComboBoxManualMaxRpmP2"},
        {EditorId::ManualMinRpmP2, "ComboBoxManualMinRpmP2"},
        {EditorId::ManualOnP1, "EditManualMconstOnP1"},
        {EditorId::ManualOffP1, "EditManualMconstOffP1"},
        {EditorId::ManualOnP2, "EditManualMconstOnP2"},
        {EditorId::ManualOffP2, "EditManualMconstOffP2"},
        {EditorId::SerwisOn, "ComboBoxSerwisTon"},
        {EditorId::SerwisOff, "ComboBoxSerwisToff"},
    };
    size_t checked = 0;
    for (const EditorRow& row : ParameterTable::rows()) {
        const auto it = labelled.find(row.id);
        if (it == labelled.end()) {
            // No label beside it: its name is one of the texts added for the views.
            EXPECT_GE(row.labelKey, LanguageSwitcher::kFirstAddedKey) << row.id;
            continue;
        }
        ++checked;
        const auto* editor = findControl<QWidget>(w, it->second);
        bool isBuddy = false;
        for (QObject* target : registry.targets(row.labelKey))
            if (const auto* label = qobject_cast<QLabel*>(target))
                isBuddy = isBuddy || label->buddy() == editor;
        EXPECT_TRUE(isBuddy) << row.id << ": key " << row.labelKey;
        if (row.groupKey) {
            bool framed = false;
            for (QObject* target : registry.targets(row.groupKey))
                if (const auto* frame = qobject_cast<QWidget*>(target))
                    framed = framed || frame->isAncestorOf(editor);
            EXPECT_TRUE(framed) << row.id << ": key " << row.groupKey;
        }
    }
    EXPECT_EQ(checked, labelled.size());
}

TEST(LanguageRegistry, ALanguageFileReachesEveryKindOfControl)
{
    test::ScratchDirectory scratch("kdx-texts");
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    {
        std::ofstream(scratch.path + "/lan.txt", std::ios::binary) << '\x01';
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(scratch.path + "/lang")));
        std::ofstream(scratch.path + "/lang/ang.txt", std::ios::binary)
            << "100002 Auto tab\n100105 Divider\n100251 Memory error\n100301 P1 on\n"
               "100113 Diesel\n100903 J1 out\n100120 CRC: \n100701 Reset it\n";
    }
    LanguageTexts texts;
    LanguageSwitcher switcher(texts, w.languageTexts(), scratch.path);
    switcher.loadLanguage({3, 2, 1});

    QTabWidget* tabs = w.pageControl();
    EXPECT_EQ(tabs->tabText(tabs->indexOf(findControl<QWidget>(w, "TabSheetAuto"))), "Auto tab");
    EXPECT_EQ(findControl<QLabel>(w, "LabelRpmDivide")->text(), "Divider");
    EXPECT_EQ(findControl<LedIndicator>(w, "AbLEDErrMem")->caption(), "Memory error");
    EXPECT_EQ(findControl<StringGrid>(w, "StringGridManualTrigMap")->cell(1, 0), "P1 on");
    EXPECT_EQ(findControl<QComboBox>(w, "ComboBoxFuelType")->itemText(1), "Diesel");
    EXPECT_EQ(findControl<QAbstractButton>(w, "CheckBox4")->text(), "J1 out");
    EXPECT_EQ(findControl<QAbstractButton>(w, "CheckBox13")->text(), "J1 out");
    EXPECT_EQ(findControl<QLabel>(w, "LabeBladCRC")->text(), "CRC: 3");
    EXPECT_EQ(findControl<QAbstractButton>(w, "ButtonReset")->text(), "Reset it");
    // A window of its own takes its title.
    w.languageTexts().setCaption(102830, "Ruch");
    EXPECT_EQ(findControl<QWidget>(w, "FormTraffic")->windowTitle(), "Ruch");
    // Keys the file leaves out keep their texts.
    EXPECT_EQ(findControl<QLabel>(w, "LabelMinLevH")->text(), "minimum level H [V]");
    EXPECT_TRUE(rig.prompts.messages.empty());
}

TEST(LanguageRegistry, MenusAndControlsBuiltLaterTakeTheLoadedLanguage)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    LanguageRegistry& registry = w.languageTexts();
    registry.setCaption(102001, "Plik");
    registry.setCaption(102003, "Wczytaj");
    registry.setTextFont("Liberation Serif", 0);
    EXPECT_EQ(findControl<QMenu>(w, "File1")->title(), "Plik");
    EXPECT_EQ(findControl<QAction>(w, "Open1")->text(), "Wczytaj");

    // A control registered once the language is in place gets its caption
    // and font at once; one under a key the language did not set keeps its own.
    QMenu* file = findControl<QMenu>(w, "File1");
    auto* late = new QAction(QStringLiteral("Compare &files..."), file);
    registry.add(102017, late);
    EXPECT_EQ(late->text(), "Compare &files...");
    registry.setCaption(102017, "Por\u00f3wnaj pliki");
    EXPECT_EQ(late->text(), "Por\u00f3wnaj pliki");
    auto* lateMenu = new QMenu(QStringLiteral("L&ink"), &w);
    registry.add(102003, lateMenu);
    EXPECT_EQ(lateMenu->title(), "Wczytaj");
    EXPECT_EQ(lateMenu->font().family(), "Liberation Serif");
}

} // namespace
} // namespace kdx
