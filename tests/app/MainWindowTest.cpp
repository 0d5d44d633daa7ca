#include "AppTestSupport.h"
#include "support/FindControl.h"

#include "app/AboutBox.h"
#include "app/BusyState.h"
#include "app/InputGuard.h"
#include "app/LongTone.h"
#include "app/MenuStyle.h"
#include "app/PageCanvas.h"
#include "app/FileDialogSettings.h"
#include "app/GuiClock.h"
#include "link/PcIdentity.h"
#include "widgets/StringGrid.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QMenu>
#include <QTabBar>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>
#include <cstdlib>

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
                              {"TabSheetCharts", "charts"}, {"TabSheetTester", "test"}};
    ASSERT_EQ(w.pageControl()->count(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(w.pageControl()->widget(i)->objectName(), QString::fromLatin1(order[i][0]));
        EXPECT_EQ(w.pageControl()->tabText(i), QString::fromLatin1(order[i][1]));
    }
}

TEST(MainWindowTest, TestAndErrorsPagesAreNotReachableFromTheTabs)
{
    test::WindowRig rig;
    const QStringList tabs = visibleTabs(rig.window->pageControl());
    EXPECT_EQ(tabs, (QStringList{"TabSheetPar", "TabSheetAuto", "TabSheetManualTrig", "TabSheetManualConst",
                                 "TabSheetSerwis", "TabSheetUpg", "TabSheetDiag", "TabSheetCharts"}));
}

TEST(MainWindowTest, ShowPageBringsAModePageForwardButNeverTheErrorsPage)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    auto* tabs = w.pageControl();
    const int auto_ = tabs->indexOf(findControl<QWidget>(w, "TabSheetAuto"));
    tabs->setTabVisible(auto_, false);
    w.showPage(w.findChild<QWidget*>(QStringLiteral("TabSheetAuto")));
    EXPECT_TRUE(tabs->isTabVisible(auto_));
    EXPECT_EQ(tabs->currentIndex(), auto_);
    w.showPage(w.findChild<QWidget*>(QStringLiteral("TabSheetErr")));
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(findControl<QWidget>(w, "TabSheetErr"))));
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
        EXPECT_EQ(findControl<StringGrid>(w, "StringGridAutoPumpStop")->cell(0, 0), QStringLiteral("map hum/temp"));
        EXPECT_FALSE(findControl<QWidget>(w, "LabelPreDefAuto")->isHidden());
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
    auto* log = findControl<StringGrid>(w, "StringGridPC_ID");
    EXPECT_EQ(log->cell(0, 0), QStringLiteral("CONNECTION DATE"));
    EXPECT_EQ(log->cell(1, 0), QStringLiteral("PC - ID"));
    auto* trig = findControl<StringGrid>(w, "StringGridManualTrigMap");
    const QStringList trigHeadings{"Vector[rpm]", "Pump1Ton[s]", "Pump1Toff[s]", "Pump2Ton[s]", "Pump2Toff[s]"};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(trig->cell(c, 0), trigHeadings[c]);
    auto* on = findControl<StringGrid>(w, "StringGridAutoPumpOn");
    EXPECT_EQ(on->cell(0, 0), QStringLiteral("Vector[rpm]"));
    EXPECT_EQ(on->cell(1, 0), QStringLiteral("PumpsOnTime[s]"));
    EXPECT_EQ(findControl<StringGrid>(w, "StringGridAutoPumpStop")->cell(1, 0), QString());

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
        auto* c = findControl<QWidget>(w, name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_TRUE(c->isHidden()) << name;
    }
    EXPECT_FALSE(findControl<QWidget>(w, "LabelAutomat")->isHidden());

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
    for (const char* item : {"Russian1"}) {
        auto* action = findControl<QAction>(*rig.window, item);
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(snapshot(rig) == before) << item;
    }
    EXPECT_EQ(hookCalls, 0);
}

TEST(MainWindowTest, ExitClosesTheWindowAsItsCloseControlDoesAndSendsNothing)
{
    test::WindowRig rig;
    rig.context.link.selectPort("/dev/ttyUSB0");
    ASSERT_TRUE(rig.context.link.openPort());
    rig.context.state.connected = true;
    rig.window->show();
    ASSERT_TRUE(rig.window->isVisible());
    findControl<QAction>(*rig.window, "Exit1")->trigger();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_TRUE(rig.line.sent().empty());
    EXPECT_EQ(rig.line.closeCount(), 1);
    EXPECT_FALSE(rig.context.state.connected);
    EXPECT_FALSE(rig.window->timer1()->isActive());
}

// Help -> About: the program version, the controller's versions and serial
// number once connected, and where the tool reads its files from.
TEST(MainWindowTest, AboutShowsVersionsSerialAndFolders)
{
    AboutFacts facts;
    facts.parameterFolder = QStringLiteral("/srv/kdx/parametry");
    facts.firmwareFolder = QDir::currentPath();
    facts.languageFile = QStringLiteral("/srv/kdx/lang/pol.txt");
    QString text = aboutText(facts);
    EXPECT_TRUE(text.contains(QStringLiteral("Program version: kdx 1.097"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Controller: not connected"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Language file: /srv/kdx/lang/pol.txt")));
    EXPECT_TRUE(text.contains(QStringLiteral("Parameter folder: /srv/kdx/parametry (not found)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Firmware folder: ") + QDir::currentPath() + QLatin1Char('\n')))
        << text.toStdString();

    facts.state.connected = true;
    facts.state.hardwareVersion = 2;
    facts.state.softwareVersion = 1;
    facts.state.softwareRevision = 7;
    facts.serialNumber = 0x00A1B2C3;
    text = aboutText(facts);
    EXPECT_TRUE(text.contains(QStringLiteral("Controller: hardware 2, software 1.7"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Serial number: 0x00A1B2C3"))) << text.toStdString();

    // From the menu: the box opens with what the window and the procedures know.
    MainWindowHooks hooks;
    hooks.aboutFacts = [](MainWindow&, AboutFacts& f) { f.serialNumber = 0x12345678; };
    test::WindowRig rig({}, hooks);
    rig.context.state.connected = true;
    rig.context.state.hardwareVersion = 1;
    rig.context.state.softwareVersion = 0;
    rig.context.state.softwareRevision = 9;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        if (box) {
            shown = box->textLabel()->text();
            box->accept();
        }
    });
    findControl<QAction>(*rig.window, "About1")->trigger();
    EXPECT_TRUE(shown.contains(QStringLiteral("hardware 1, software 0.9"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("0x12345678"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(rig.window->firmwareFolder())) << shown.toStdString();
}

TEST(MainWindowTest, MenusOpenWithAltMnemonics)
{
    test::WindowRig rig;
    for (const char* menu : {"File1", "Language1"}) {
        auto* m = findControl<QMenu>(*rig.window, menu);
        ASSERT_NE(m, nullptr) << menu;
        EXPECT_TRUE(m->title().contains(QLatin1Char('&'))) << menu;
    }
    EXPECT_TRUE(findControl<QAction>(*rig.window, "Help1")->text().startsWith(QLatin1Char('&')));
    for (const char* item : {"AutoConnect1", "Open1", "SaveToDisc1", "Exit1", "English1", "Polski1", "German1",
                             "About1"})
        EXPECT_TRUE(findControl<QAction>(*rig.window, item)->text().contains(QLatin1Char('&'))) << item;
}

TEST(MainWindowTest, AutoConnectItemShowsItsKeyOnce)
{
    EXPECT_EQ(MenuStyle::shownText(QStringLiteral("&AutoConnect [F10]\tF10")), QStringLiteral("&AutoConnect [F10]"));
    EXPECT_EQ(MenuStyle::shownText(QStringLiteral("E&xit\tCtrl+Q")), QStringLiteral("E&xit\tCtrl+Q"));
    EXPECT_EQ(MenuStyle::shownText(QStringLiteral("Load")), QStringLiteral("Load"));
    test::WindowRig rig;
    // The action keeps F10 as its shortcut; only the drawing leaves the column out.
    EXPECT_EQ(rig.window->autoConnectAction()->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_NE(dynamic_cast<MenuStyle*>(findControl<QMenu>(*rig.window, "File1")->style()), nullptr);
}

TEST(MainWindowTest, LanguageMenuChecksTheLanguageInUse)
{
    char dir[] = "/tmp/kdx-langXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromLatin1(dir)));
    {
        QFile lan(QStringLiteral("lan.txt"));
        ASSERT_TRUE(lan.open(QIODevice::WriteOnly));
        lan.write("\x02", 1);
    }
    MainWindowHooks hooks;
    hooks.switchLanguage = [](MainWindow&, uint8_t code) {
        QFile lan(QStringLiteral("lan.txt"));
        if (lan.open(QIODevice::ReadWrite)) {
            const char c = static_cast<char>(code);
            lan.write(&c, 1);
        }
    };
    {
        test::WindowRig rig({}, hooks);
        auto checked = [&] {
            QStringList on;
            for (const char* item : {"English1", "Polski1", "Russian1", "German1"})
                if (findControl<QAction>(*rig.window, item)->isChecked())
                    on << QString::fromLatin1(item);
            return on;
        };
        EXPECT_EQ(checked(), QStringList{"Polski1"});
        findControl<QAction>(*rig.window, "German1")->trigger();
        EXPECT_EQ(checked(), QStringList{"German1"});
        findControl<QAction>(*rig.window, "English1")->trigger();
        EXPECT_EQ(checked(), QStringList{"English1"});
        // Russian is hidden and does nothing: the check stays where it is.
        findControl<QAction>(*rig.window, "Russian1")->trigger();
        EXPECT_EQ(checked(), QStringList{"English1"});
    }
    QDir::setCurrent(previous);
    QDir(QString::fromLatin1(dir)).removeRecursively();
}

TEST(MainWindowTest, ParameterFileItemsReachTheirHooksAsLongOperations)
{
    std::vector<std::string> calls;
    MainWindowHooks hooks;
    test::WindowRig* rigPtr = nullptr;
    hooks.loadToEcu = [&](MainWindow&) { calls.push_back(rigPtr->context.busy.inLongOperation() ? "load long" : "load"); };
    hooks.saveToDisk = [&](MainWindow&) { calls.push_back(rigPtr->context.busy.inLongOperation() ? "save long" : "save"); };
    hooks.addMenuItems = [&](MainWindow& w) { calls.push_back(w.parameterFolder().endsWith("/parametry") ? "menu" : "?"); };
    test::WindowRig rig({}, hooks);
    rigPtr = &rig;
    findControl<QAction>(*rig.window, "Open1")->trigger();
    findControl<QAction>(*rig.window, "SaveToDisc1")->trigger();
    EXPECT_EQ(calls, (std::vector<std::string>{"menu", "load long", "save long"}));
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
    findControl<QAction>(w, "AutoConnect1")->trigger();
    EXPECT_EQ(calls.size(), 2u) << "menu";
    QTest::mouseClick(findControl<QPushButton>(w, "ButtonAutoconnect"), Qt::LeftButton);
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
        findControl<QAction>(*rig.window, item)->trigger();
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
    auto* edit = findControl<QLineEdit>(*rig.window, "EditMinLevH");
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
    auto* combo = findControl<QComboBox>(*rig.window, "ComboBoxSerwisToff");
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
        findControl<QPushButton>(*rig.window, b)->click();
    EXPECT_EQ(calls, (std::vector<std::string>{"load", "read", "show", "save"}));
}

TEST(MainWindowTest, ModeButtonsPassTheModeValue)
{
    std::vector<int> modes;
    MainWindowHooks hooks;
    hooks.setWorkMode = [&](MainWindow&, uint8_t m) { modes.push_back(m); };
    test::WindowRig rig({}, hooks);
    for (const char* b : {"ButtonAuto", "ButtonManualTrig", "ButtonManualConst", "ButtonSerwis", "ButtonOff"})
        findControl<QPushButton>(*rig.window, b)->click();
    EXPECT_EQ(modes, (std::vector<int>{0, 1, 2, 3, 0xFF}));
}

TEST(MainWindowTest, GridPaintingGoesThroughTheDrawCellHook)
{
    int cells = 0;
    MainWindowHooks hooks;
    hooks.pcIdDrawCell = [&](MainWindow&, QPainter&, int, int, const QRect&) { ++cells; };
    test::WindowRig rig({}, hooks);
    rig.window->show();
    findControl<StringGrid>(*rig.window, "StringGridPC_ID")->grab();
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

// Keyboard page switching visits the pages whose tab shows, and only those:
// from every page, forwards and backwards, with both key pairs.
TEST(MainWindowTest, KeyboardPageSwitchingNeverLandsOnAHiddenPage)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    QTabWidget* tabs = w.pageControl();
    // As with the controller in manual trigger mode: the other mode pages hidden.
    for (const char* page : {"TabSheetAuto", "TabSheetManualConst", "TabSheetSerwis"})
        tabs->setTabVisible(tabs->indexOf(findControl<QWidget>(w, page)), false);
    w.show();
    const QStringList visible = visibleTabs(tabs);
    ASSERT_EQ(visible, (QStringList{"TabSheetPar", "TabSheetManualTrig", "TabSheetUpg", "TabSheetDiag",
                                    "TabSheetCharts"}));

    struct Keys {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int step;
    };
    const Keys keys[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                         {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, -1},
                         {Qt::Key_PageDown, Qt::ControlModifier, 1},
                         {Qt::Key_PageUp, Qt::ControlModifier, -1}};
    for (const Keys& k : keys) {
        for (int start = 0; start < visible.size(); ++start) {
            tabs->setCurrentWidget(findControl<QWidget>(w, visible[start].toLatin1().constData()));
            // From a control on the page, as a technician would.
            QWidget* from = tabs->currentWidget()->findChild<QLineEdit*>();
            if (!from)
                from = tabs->currentWidget();
            QTest::keyClick(from, k.key, k.mods);
            const int expected = ((start + k.step) % visible.size() + visible.size()) % visible.size();
            EXPECT_EQ(tabs->currentWidget()->objectName(), visible[expected])
                << "key " << k.key << " from " << visible[start].toStdString();
        }
    }
    // Arrow keys and the wheel on the tab bar skip the hidden tabs as well.
    tabs->setCurrentWidget(findControl<QWidget>(w, "TabSheetPar"));
    QTest::keyClick(tabs->tabBar(), Qt::Key_Right);
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("TabSheetManualTrig"));
    QTest::keyClick(tabs->tabBar(), Qt::Key_Right);
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("TabSheetUpg"));
    QWheelEvent wheel(QPointF(5, 5), tabs->tabBar()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tabs->tabBar(), &wheel);
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("TabSheetManualTrig"));
}

// A click made during a long operation (here a one-second pause of the GUI
// clock inside "RESET PARAMETERS!") is discarded: it neither runs inside the
// operation nor after it. The window still repaints and its timers run.
TEST(MainWindowTest, InputDuringALongOperationIsDiscardedNotReplayed)
{
    std::vector<int> modes;
    int resets = 0;
    int timersInside = 0;
    MainWindowHooks hooks;
    hooks.setWorkMode = [&](MainWindow&, uint8_t m) { modes.push_back(m); };
    test::WindowRig rig({}, hooks);
    MainWindow& w = *rig.window;
    w.show();
    GuiClock clock(rig.context.busy);
    QTabWidget* tabs = w.pageControl();
    const int diag = tabs->indexOf(findControl<QWidget>(w, "TabSheetDiag"));
    w.hooks().setDefault = [&](MainWindow&) {
        ++resets;
        QTimer::singleShot(20, [&] {
            ++timersInside;
            // A click on the "diag" tab, on a mode button and a second RESET,
            // and F10, one after the other while the reset runs.
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(diag).center());
            QTest::mouseClick(findControl<QPushButton>(w, "ButtonOff"), Qt::LeftButton);
            QTest::mouseClick(findControl<QPushButton>(w, "ButtonSetDefault"), Qt::LeftButton);
            QTest::keyClick(&w, Qt::Key_F10);
        });
        clock.sleepMs(200);
    };
    int connects = 0;
    w.hooks().autoConnect = [&](MainWindow&) { ++connects; };
    QTest::mouseClick(findControl<QPushButton>(w, "ButtonSetDefault"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(timersInside, 1);
    EXPECT_TRUE(modes.empty());
    EXPECT_EQ(connects, 0);
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("TabSheetPar"));
    EXPECT_GE(w.inputGuard()->discarded(), 6); // press and release of each click, the key
    EXPECT_FALSE(rig.context.busy.busy());

    // A control made for use during the operation keeps its clicks.
    auto* cancel = new QPushButton(QStringLiteral("cancel"), findControl<QWidget>(w, "TabSheetPar"));
    cancel->setProperty(InputGuard::kLiveDuringLongOperation, true);
    cancel->show();
    int cancels = 0;
    QObject::connect(cancel, &QPushButton::clicked, [&] { ++cancels; });
    w.hooks().setDefault = [&](MainWindow&) {
        QTimer::singleShot(10, [&] { QTest::mouseClick(cancel, Qt::LeftButton); });
        clock.sleepMs(60);
    };
    w.ButtonSetDefaultClick();
    EXPECT_EQ(cancels, 1);
    delete cancel;

    // Afterwards the same clicks work as usual.
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(diag).center());
    EXPECT_EQ(tabs->currentIndex(), diag);
    QTest::mouseClick(findControl<QPushButton>(w, "ButtonOff"), Qt::LeftButton);
    EXPECT_EQ(modes, std::vector<int>{0xFF});
}

// Input during a short handler's pause (a register write, the status tick)
// is not lost: it waits for the handler and is delivered after it.
TEST(MainWindowTest, InputDuringAShortHandlerIsKept)
{
    std::vector<int> modes;
    MainWindowHooks hooks;
    hooks.setWorkMode = [&](MainWindow&, uint8_t m) { modes.push_back(m); };
    test::WindowRig rig({}, hooks);
    MainWindow& w = *rig.window;
    w.show();
    GuiClock clock(rig.context.busy);
    bool clicked = false;
    w.hooks().eraseErrors = [&](MainWindow&) {
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(findControl<QPushButton>(w, "ButtonAuto"), Qt::LeftButton);
            clicked = true;
        });
        clock.sleepMs(30);
    };
    w.ButtonEraseErrClick();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(w.inputGuard()->discarded(), 0);
    EXPECT_EQ(modes, std::vector<int>{0});
}

// Closing the window in the middle of a long operation is refused (the
// operation still holds the port); a message box the operation opens still
// takes its own clicks.
TEST(MainWindowTest, LongOperationKeepsTheWindowOpenButItsBoxesUsable)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    w.show();
    bool stillOpen = false;
    bool boxAnswered = false;
    bool popupClicked = false;
    w.hooks().autoConnect = [&](MainWindow& win) {
        win.close();
        stillOpen = win.isVisible();
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KDX"), QStringLiteral("ECU not Found"),
                        QMessageBox::Ok, &win);
        // A drop-down list inside the box opens as a window of its own and
        // still takes its clicks.
        auto* list = new QComboBox(&box);
        list->addItems({QStringLiteral("a"), QStringLiteral("b")});
        auto* popupButton = new QPushButton(QStringLiteral("in a window of its own"), list);
        popupButton->setWindowFlags(Qt::Popup);
        QObject::connect(popupButton, &QPushButton::clicked, [&] { popupClicked = true; });
        QTimer::singleShot(0, [&] {
            if (QApplication::activeModalWidget() != &box)
                return;
            popupButton->show();
            QTest::mouseClick(popupButton, Qt::LeftButton);
            popupButton->hide();
            QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
        });
        boxAnswered = box.exec() == QMessageBox::Ok;
        EXPECT_TRUE(popupClicked);
    };
    w.AutoConnect1Click();
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(boxAnswered);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.close()); // after it, closing works
}

// The tester's one-second alarm blocks the window like any long operation:
// clicks made while it sounds are discarded when it ends.
TEST(MainWindowTest, TesterToneIsALongOperation)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    w.show();
    struct ClickingTone : Tone {
        BusyState* busy = nullptr;
        QWidget* target = nullptr;
        bool longInside = false;
        void play(uint32_t, uint32_t) override
        {
            longInside = busy->inLongOperation();
            QTest::mouseClick(target, Qt::LeftButton);
        }
    } inner;
    inner.busy = &rig.context.busy;
    inner.target = findControl<QPushButton>(w, "ButtonAutoconnect");
    int connects = 0;
    w.hooks().autoConnect = [&](MainWindow&) { ++connects; };
    LongTone tone(inner, rig.context.busy);
    tone.play(4000, 1000);
    EXPECT_TRUE(inner.longInside);
    EXPECT_FALSE(rig.context.busy.busy());
    EXPECT_EQ(connects, 0);
}

TEST(MainWindowTest, MinimumSizeIsEnforcedAndTheDesignSizeKept)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    EXPECT_EQ(w.minimumSize(), QSize(MainWindow::kMinWidth, MainWindow::kMinHeight));
    w.show();
    w.resize(400, 300);
    QApplication::processEvents();
    EXPECT_GE(w.width(), MainWindow::kMinWidth);
    EXPECT_GE(w.height(), MainWindow::kMinHeight);
    // Smaller than a page's controls: the page scrolls, its controls keep
    // their size and place.
    w.pageControl()->setCurrentWidget(findControl<QWidget>(w, "TabSheetUpg"));
    QApplication::processEvents();
    auto* log = findControl<QWidget>(w, "RichEdit1");
    PageCanvas* canvas = PageCanvas::of(log);
    ASSERT_NE(canvas, nullptr);
    EXPECT_GT(canvas->scrollArea()->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(log->width(), 650);
    auto* reset = findControl<QWidget>(w, "ButtonReset");
    EXPECT_TRUE(QRect(QPoint(0, 0), canvas->size()).contains(reset->geometry()));

    // The dashboard takes a third of the width beyond the common laptop
    // screen's; the pages get the rest, and the extra room goes to the
    // upgrade log rather than to empty margins.
    w.resize(1600, 1000);
    QApplication::processEvents();
    const int panel = MainWindow::kPanelWidth + (1600 - MainWindow::kPanelGrowFromWidth) / 3;
    EXPECT_GE(findControl<QWidget>(w, "Panel4")->width(), panel);
    EXPECT_GT(w.pageControl()->width(), 1600 - panel - 40);
    EXPECT_EQ(canvas->scrollArea()->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(canvas->scrollArea()->verticalScrollBar()->maximum(), 0);
    EXPECT_GT(log->width(), 1100);
    EXPECT_GT(log->height(), 700);
    EXPECT_EQ(log->geometry().right() + 1 + PageCanvas::kMarginPx, canvas->width());
}

} // namespace
} // namespace kdx
