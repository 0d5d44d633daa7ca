#include "AppTestSupport.h"

#include "app/BusyState.h"
#include "app/FileDialogSettings.h"
#include "app/GuiClock.h"
#include "link/PcIdentity.h"
#include "widgets/StringGrid.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace kdx {
namespace {

QStringList visibleTabs(QTabWidget* tabs)
{
    QStringList names;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i))
            names << tabs->widget(i)->objectName();
    return names;
}

TEST(MainWindowTest, WindowAsDesigned)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    EXPECT_EQ(w.objectName(), QStringLiteral("TForm1"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KDX RQ412 - KDX \"WERSJA WYSTAWOWA\""));
    EXPECT_EQ(w.size(), QSize(1016, 669));
    EXPECT_EQ(w.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("KDX"));
    EXPECT_TRUE(w.pageControl()->documentMode());
    EXPECT_EQ(w.pageControl()->currentWidget()->objectName(), QStringLiteral("TabSheetPar"));

    const char* order[][2] = {{"TabSheetPar", "parametry"},       {"TabSheetAuto", "automat"},
                              {"TabSheetManualTrig", "manual trigger"}, {"TabSheetManualConst", "manual const"},
                              {"TabSheetSerwis", "serwis"},        {"TabSheetErr", "errors"},
                              {"TabSheetUpg", "firmware upgreade"}, {"TabSheetDiag", "diag"},
                              {"TabSheetTester", "test"}};
    ASSERT_EQ(w.pageControl()->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(w.pageControl()->widget(i)->objectName(), QString::fromLatin1(order[i][0]));
        EXPECT_EQ(w.pageControl()->tabText(i), QString::fromLatin1(order[i][1]));
    }
}

TEST(MainWindowTest, TestAndErrorsPagesAreNotReachableFromTheTabs)
{
    test::WindowRig rig;
    const QStringList tabs = visibleTabs(rig.window->pageControl());
    EXPECT_EQ(tabs, (QStringList{"TabSheetPar", "TabSheetAuto", "TabSheetManualTrig", "TabSheetManualConst",
                                 "TabSheetSerwis", "TabSheetUpg", "TabSheetDiag"}));
}

TEST(MainWindowTest, ShowPageBringsAModePageForwardButNeverTheErrorsPage)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    auto* tabs = w.pageControl();
    const int auto_ = tabs->indexOf(w.control<QWidget>("TabSheetAuto"));
    tabs->setTabVisible(auto_, false);
    w.showPage("TabSheetAuto");
    EXPECT_TRUE(tabs->isTabVisible(auto_));
    EXPECT_EQ(tabs->currentIndex(), auto_);
    w.showPage("TabSheetErr");
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(w.control<QWidget>("TabSheetErr"))));
    EXPECT_EQ(tabs->currentIndex(), auto_);
}

TEST(MainWindowTest, TesterOptionShowsOnlyTheTestTab)
{
    AppOptions options;
    options.tester = true;
    test::WindowRig rig(options);
    const QStringList tabs = visibleTabs(rig.window->pageControl());
    EXPECT_TRUE(tabs.contains("TabSheetTester"));
    EXPECT_FALSE(tabs.contains("TabSheetErr"));
}

TEST(MainWindowTest, FormCreatePreparesTheWindow)
{
    std::vector<std::string> calls;
    MainWindowHooks hooks;
    // The language is loaded after the headings and before the automatic
    // controls are hidden.
    hooks.loadLanguage = [&](MainWindow& w) {
        calls.push_back("language");
        EXPECT_EQ(w.control<StringGrid>("StringGridAutoPumpStop")->cell(0, 0), QStringLiteral("map hum/temp"));
        EXPECT_FALSE(w.control<QWidget>("LabelPreDefAuto")->isHidden());
    };
    test::WindowRig rig({}, hooks);
    MainWindow& w = *rig.window;
    EXPECT_EQ(calls, std::vector<std::string>{"language"});

    // Port table and identity.
    EXPECT_EQ(rig.context.ports[0].deviceName, "\\\\.\\COM1");
    EXPECT_EQ(rig.context.ports[255].portNumber, 256u);
    EXPECT_FALSE(rig.context.ports[7].candidate);
    EXPECT_EQ(rig.context.state.pcIdentity, readPcIdentity());
    // Shortcut from the hot key control.
    EXPECT_EQ(w.autoConnectAction()->shortcut(), QKeySequence(Qt::Key_F10));

    // Headings.
    auto* log = w.control<StringGrid>("StringGridPC_ID");
    EXPECT_EQ(log->cell(0, 0), QStringLiteral("CONNECTION DATE"));
    EXPECT_EQ(log->cell(1, 0), QStringLiteral("PC - ID"));
    auto* trig = w.control<StringGrid>("StringGridManualTrigMap");
    const QStringList trigHeadings{"Vector[rpm]", "Pump1Ton[s]", "Pump1Toff[s]", "Pump2Ton[s]", "Pump2Toff[s]"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(trig->cell(c, 0), trigHeadings[c]);
    auto* on = w.control<StringGrid>("StringGridAutoPumpOn");
    EXPECT_EQ(on->cell(0, 0), QStringLiteral("Vector[rpm]"));
    EXPECT_EQ(on->cell(1, 0), QStringLiteral("PumpsOnTime[s]"));
    EXPECT_EQ(w.control<StringGrid>("StringGridAutoPumpStop")->cell(1, 0), QString());

    // Folders below the start directory, with this system's separators.
    EXPECT_EQ(w.startDirectory(), QDir::currentPath());
    EXPECT_EQ(w.parameterFolder(), QDir::currentPath() + "/parametry");
    EXPECT_EQ(w.firmwareFolder(), QDir::currentPath() + "/Firmware");
    EXPECT_EQ(w.openDialog2().directory, w.firmwareFolder());
    EXPECT_EQ(w.openDialog2().nameFilter, QStringLiteral("Hex file (*.hex)"));
    EXPECT_EQ(w.openDialog2().defaultSuffix, QStringLiteral("hex"));
    EXPECT_EQ(w.saveDialog1().directory, w.parameterFolder());

    // The eleven automatic-mode controls.
    for (const char* name : {"StringGridAutoPumpOn", "LabelAutoRpmUpTime", "EditAutoRpmUpT", "EditMaxHum",
                             "LabelMaxHig", "EditAutoMinTemp", "LabelMinTemp", "StringGridAutoPumpStop",
                             "EditAuto2xShortOff", "LabelAuto2xShortOff", "LabelPreDefAuto"}) {
        auto* c = w.control<QWidget>(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_TRUE(c->isHidden()) << name;
    }
    EXPECT_FALSE(w.control<QWidget>("LabelAutomat")->isHidden());

    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 50);
}

// A snapshot of everything a menu item could change.
struct Snapshot {
    QString title;
    int page;
    QStringList tabs;
    bool timer;
    bool portOpen, connected;
    size_t sent, messages;
    bool visible;
    bool operator==(const Snapshot& o) const
    {
        return title == o.title && page == o.page && tabs == o.tabs && timer == o.timer && portOpen == o.portOpen
            && connected == o.connected && sent == o.sent && messages == o.messages && visible == o.visible;
    }
};

Snapshot snapshot(test::WindowRig& rig)
{
    MainWindow& w = *rig.window;
    return {w.windowTitle(), w.pageControl()->currentIndex(), visibleTabs(w.pageControl()), w.timer1()->isActive(),
            rig.context.state.portOpen, rig.context.state.connected, rig.line.sent().size(),
            rig.prompts.messages.size(), w.isVisible()};
}

TEST(MainWindowTest, InertMenuItemsChangeNothing)
{
    int hookCalls = 0;
    MainWindowHooks hooks;
    hooks.autoConnect = [&](MainWindow&) { ++hookCalls; };
    hooks.switchLanguage = [&](MainWindow&, uint8_t) { ++hookCalls; };
    test::WindowRig rig({}, hooks);
    rig.window->show();
    rig.window->pageControl()->setCurrentIndex(2);
    const Snapshot before = snapshot(rig);
    for (const char* item : {"Exit1", "Open1", "SaveToDisc1", "Help1", "Russian1"}) {
        auto* action = rig.window->control<QAction>(item);
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(snapshot(rig) == before) << item;
    }
    EXPECT_EQ(hookCalls, 0);
    EXPECT_TRUE(rig.window->isVisible()); // "Exit" does not close the window
}

TEST(MainWindowTest, F10MenuItemAndConnectReachTheSameAutoConnect)
{
    std::vector<std::string> calls;
    MainWindowHooks hooks;
    hooks.autoConnect = [&](MainWindow&) { calls.push_back("autoConnect"); };
    test::WindowRig rig({}, hooks);
    MainWindow& w = *rig.window;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    QTest::keyClick(&w, Qt::Key_F10);
    EXPECT_EQ(calls.size(), 1u) << "F10";
    w.control<QAction>("AutoConnect1")->trigger();
    EXPECT_EQ(calls.size(), 2u) << "menu";
    QTest::mouseClick(w.control<QPushButton>("ButtonAutoconnect"), Qt::LeftButton);
    EXPECT_EQ(calls.size(), 3u) << "CONNECT";
    EXPECT_EQ(calls, std::vector<std::string>(3, "autoConnect"));
}

TEST(MainWindowTest, LanguageItemsPassTheirCodes)
{
    std::vector<int> codes;
    MainWindowHooks hooks;
    hooks.switchLanguage = [&](MainWindow&, uint8_t code) { codes.push_back(code); };
    test::WindowRig rig({}, hooks);
    for (const char* item : {"English1", "Polski1", "Russian1", "German1"})
        rig.window->control<QAction>(item)->trigger();
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 4}));
}

TEST(MainWindowTest, ClosingWhileConnectedSendsNothingAndClosesThePort)
{
    test::WindowRig rig;
    rig.context.link.selectPort("/dev/ttyUSB0");
    ASSERT_TRUE(rig.context.link.openPort());
    rig.context.state.connected = true;
    rig.window->show();
    EXPECT_TRUE(rig.window->close());
    EXPECT_TRUE(rig.line.sent().empty());
    EXPECT_EQ(rig.line.closeCount(), 1);
    EXPECT_FALSE(rig.context.state.portOpen);
    EXPECT_FALSE(rig.context.state.connected);
    EXPECT_FALSE(rig.window->timer1()->isActive());
}

TEST(MainWindowTest, ClosingWithoutAPortIsHarmless)
{
    test::WindowRig rig;
    rig.window->show();
    EXPECT_TRUE(rig.window->close());
    EXPECT_EQ(rig.line.closeCount(), 0);
    EXPECT_TRUE(rig.line.sent().empty());
}

TEST(MainWindowTest, TimerTickRunsOnlyWhileConnectedAndNeverInsideAHandler)
{
    int ticks = 0;
    MainWindowHooks hooks;
    hooks.statusTick = [&](MainWindow&) { ++ticks; };
    test::WindowRig rig({}, hooks);
    MainWindow& w = *rig.window;
    w.Timer1Timer();
    EXPECT_EQ(ticks, 0);
    rig.context.state.connected = true;
    w.Timer1Timer();
    EXPECT_EQ(ticks, 1);
    {
        BusyScope busy(rig.context.busy);
        w.Timer1Timer();
    }
    EXPECT_EQ(ticks, 1);
    // A tick that arrives while a handler runs (for example from a modal box
    // or a pause that keeps painting) is dropped.
    w.hooks().autoConnect = [&](MainWindow& win) { win.Timer1Timer(); };
    w.AutoConnect1Click();
    EXPECT_EQ(ticks, 1);
    // A tick does not nest in itself.
    w.hooks().statusTick = [&](MainWindow& win) {
        ++ticks;
        win.Timer1Timer();
    };
    w.Timer1Timer();
    EXPECT_EQ(ticks, 2);
}

TEST(MainWindowTest, GuiClockPausePaintsButHoldsTheTickOff)
{
    int ticks = 0;
    bool ranInsidePause = false;
    MainWindowHooks hooks;
    hooks.statusTick = [&](MainWindow&) { ++ticks; };
    test::WindowRig rig({}, hooks);
    rig.context.state.connected = true;
    GuiClock clock(rig.context.busy);
    QTimer::singleShot(0, rig.window.get(), [&] {
        ranInsidePause = true;
        rig.window->Timer1Timer();
    });
    clock.sleepMs(0);
    EXPECT_TRUE(ranInsidePause);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(rig.context.busy.busy());
}

TEST(MainWindowTest, EnterReleasedInAnEditReachesItsHook)
{
    int commits = 0;
    MainWindowHooks hooks;
    hooks.minLevHEnter = [&](MainWindow&) { ++commits; };
    test::WindowRig rig({}, hooks);
    auto* edit = rig.window->control<QLineEdit>("EditMinLevH");
    QTest::keyClick(edit, Qt::Key_5);
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(commits, 0);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(commits, 1);
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(commits, 2);
}

TEST(MainWindowTest, ComboChangeIsTheTechniciansPickOnly)
{
    int changes = 0;
    MainWindowHooks hooks;
    hooks.serwisToffChange = [&](MainWindow&) { ++changes; };
    test::WindowRig rig({}, hooks);
    auto* combo = rig.window->control<QComboBox>("ComboBoxSerwisToff");
    combo->setCurrentIndex(3); // filling from the parameters is not an edit
    EXPECT_EQ(changes, 0);
    emit combo->activated(4);
    EXPECT_EQ(changes, 1);
}

TEST(MainWindowTest, HiddenButtonsRunTheirProcedures)
{
    std::vector<std::string> calls;
    MainWindowHooks hooks;
    hooks.loadAllData = [&](MainWindow&) { calls.push_back("load"); };
    hooks.readAll = [&](MainWindow&) { calls.push_back("read"); };
    hooks.showAllData = [&](MainWindow&) { calls.push_back("show"); };
    hooks.saveEeprom = [&](MainWindow&) { calls.push_back("save"); };
    test::WindowRig rig({}, hooks);
    for (const char* b : {"ButtonLoadAllData", "ButtonReadPar", "ButtonWyswPar", "ButtonSaveEep"})
        rig.window->control<QPushButton>(b)->click();
    EXPECT_EQ(calls, (std::vector<std::string>{"load", "read", "show", "save"}));
}

TEST(MainWindowTest, ModeButtonsPassTheModeValue)
{
    std::vector<int> modes;
    MainWindowHooks hooks;
    hooks.setWorkMode = [&](MainWindow&, uint8_t m) { modes.push_back(m); };
    test::WindowRig rig({}, hooks);
    for (const char* b : {"ButtonAuto", "ButtonManualTrig", "ButtonManualConst", "ButtonSerwis", "ButtonOff"})
        rig.window->control<QPushButton>(b)->click();
    EXPECT_EQ(modes, (std::vector<int>{0, 1, 2, 3, 0xFF}));
}

TEST(MainWindowTest, GridPaintingGoesThroughTheDrawCellHook)
{
    int cells = 0;
    MainWindowHooks hooks;
    hooks.pcIdDrawCell = [&](MainWindow&, QPainter&, int, int, const QRect&) { ++cells; };
    test::WindowRig rig({}, hooks);
    rig.window->show();
    rig.window->control<StringGrid>("StringGridPC_ID")->grab();
    EXPECT_EQ(cells, 18);
}

// An object whose event handler fails the way a handler of the window can.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("line lost");
        return QObject::event(e);
    }
};

TEST(MainWindowTest, ExceptionEscapingAHandlerIsReportedAndTheLoopGoesOn)
{
    test::appForTests();
    QStringList reports;
    KdxApplication::setExceptionReporter([&](const QString& what) { reports << what; });
    ThrowingObject thrower;
    QEvent failing(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &failing));
    EXPECT_EQ(reports, QStringList{"line lost"});
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QApplication::processEvents();
    EXPECT_TRUE(later);
    KdxApplication::setExceptionReporter({});
}

TEST(MainWindowTest, AFailingHandlerReleasesTheTimer)
{
    int ticks = 0;
    MainWindowHooks hooks;
    hooks.eraseErrors = [](MainWindow&) { throw std::runtime_error("line lost"); };
    hooks.statusTick = [&](MainWindow&) { ++ticks; };
    test::WindowRig rig({}, hooks);
    rig.context.state.connected = true;
    EXPECT_THROW(rig.window->ButtonEraseErrClick(), std::runtime_error);
    EXPECT_FALSE(rig.context.busy.busy());
    rig.window->Timer1Timer();
    EXPECT_EQ(ticks, 1);
}

} // namespace
} // namespace kdx
