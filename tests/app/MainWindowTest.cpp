#include "AppTestSupport.h"
#include "support/FindControl.h"

#include "app/AboutBox.h"
#include "i18n/LanguageTexts.h"
#include "app/BusyState.h"
#include "app/InputGuard.h"
#include "app/LongTone.h"
#include "app/MenuStyle.h"
#include "app/PageCanvas.h"
#include "app/FileDialogSettings.h"
#include "app/GuiClock.h"
#include "i18n/LanguageChoice.h"
#include "link/PcIdentity.h"
#include "live/ConnectionLog.h"
#include "params/ParameterLayout.h"
#include "protocol/Wire.h"
#include "sim/ControllerModel.h"
#include "sim/SimStatus.h"
#include "sim/SimulatedLine.h"
#include "widgets/StringGrid.h"

#include <QAction>
#include <QCheckBox>
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

#include <algorithm>
#include <optional>
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

// A window whose connection search tries one named port of the scripted
// line, where nothing answers.
struct PortRig : test::WindowRig {
    PortRig() : test::WindowRig(namedPort()) {}
    static AppOptions namedPort()
    {
        AppOptions o;
        o.ports = {"/dev/ttyKDX"};
        return o;
    }
    size_t opens() const { return line.opened().size(); }
};

// A window on an open port taken for connected, where nothing answers: every
// status tick that runs either sends the status request or counts its
// answer lost.
struct TickRig : test::WindowRig {
    TickRig()
    {
        context.link.selectPort("/dev/ttyUSB0");
        EXPECT_TRUE(context.link.openPort());
        context.state.connected = true;
    }
    size_t ticks() { return line.sent().size() + context.session.poller().lostPacketCount(); }
};

// A window connected to the simulated controller on virtual time; the
// frames the controller receives after the connection are kept.
struct SimRig {
    SimRig() : demo(model, clock), context(demo, clock, prompts, discovery, test::demoOptions())
    {
        test::appForTests();
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
        model.setTraceSink([this](const sim::ControllerModel::TraceEvent& e) {
            if (e.direction == sim::ControllerModel::TraceEvent::Direction::Received && !e.bytes.empty()
                && !(e.bytes[0] == wire::kCmdRead && e.bytes.size() > 1 && e.bytes[1] == wire::kReadStatus))
                received.push_back(e.bytes);
        });
        window->AutoConnect1Click();
        EXPECT_TRUE(context.state.parametersLoaded);
        test::runTicks(clock, *window, 60); // the connection log's save has gone out
        window->timer1()->stop();
        received.clear();
    }
    // The commands received, in order (status requests left out).
    std::vector<uint8_t> commands() const
    {
        std::vector<uint8_t> out;
        for (const auto& frame : received)
            out.push_back(frame[0]);
        return out;
    }
    size_t count(uint8_t command) const
    {
        const auto all = commands();
        return static_cast<size_t>(std::count(all.begin(), all.end(), command));
    }

    test::ScratchDirectory scratch{"kdx-window"};
    test::TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    test::RecordingPrompts prompts;
    test::NoPorts discovery;
    test::QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
    std::vector<std::vector<uint8_t>> received;
};

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
    test::ScratchDirectory scratch{"kdx-create"};
    test::WindowRig rig;
    MainWindow& w = *rig.window;

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

// The chosen language is read over the pages' own headings, and the
// automatic mode's controls are hidden whatever it says.
TEST(MainWindowTest, FormCreateReadsTheChosenLanguageOverTheHeadings)
{
    test::ScratchDirectory scratch{"kdx-create"};
    {
        QFile lan(QStringLiteral("lan.txt"));
        ASSERT_TRUE(lan.open(QIODevice::WriteOnly));
        lan.write("\x04", 1); // German
    }
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    EXPECT_EQ(findControl<StringGrid>(w, "StringGridAutoPumpStop")->cell(0, 0), QStringLiteral("Feuchte/Temp."));
    EXPECT_EQ(findControl<StringGrid>(w, "StringGridPC_ID")->cell(0, 0), QStringLiteral("DATUM"));
    EXPECT_TRUE(findControl<QWidget>(w, "LabelPreDefAuto")->isHidden());
    EXPECT_TRUE(findControl<QAction>(w, "German1")->isChecked());
    EXPECT_TRUE(rig.prompts.messages.empty());
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
    test::ScratchDirectory scratch{"kdx-inert"};
    PortRig rig;
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
    EXPECT_EQ(rig.opens(), 0u) << "no connection search";
    EXPECT_FALSE(QFile::exists(QStringLiteral("lan.txt"))) << "no language chosen";
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
    // In the window's language, the places filled in the same way.
    LanguageTexts polish;
    polish.set(102812, "Sterownik: sprz\xC4\x99t %1, oprogramowanie %2.%3");
    polish.set(102819, "%1 (nie znaleziono)");
    polish.set(102818, "Folder parametr\xC3\xB3w: %1");
    facts.texts = &polish;
    text = aboutText(facts);
    EXPECT_TRUE(text.contains(QString::fromUtf8("Sterownik: sprz\xC4\x99t 2, oprogramowanie 1.7"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Folder parametr\xC3\xB3w: /srv/kdx/parametry (nie znaleziono)")))
        << text.toStdString();
    facts.texts = nullptr;

    // From the menu: the box opens with what the window and the session
    // know; the serial number only once the parameters were read.
    test::WindowRig rig;
    rig.context.state.connected = true;
    rig.context.state.hardwareVersion = 1;
    rig.context.state.softwareVersion = 0;
    rig.context.state.softwareRevision = 9;
    rig.context.session.image().set(layout::SerialNumber, 0x12345678);
    auto openAbout = [&] {
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
            if (box) {
                shown = box->textLabel()->text();
                box->accept();
            }
        });
        findControl<QAction>(*rig.window, "About1")->trigger();
        return shown;
    };
    QString shown = openAbout();
    EXPECT_TRUE(shown.contains(QStringLiteral("hardware 1, software 0.9"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("0x12345678"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(rig.window->firmwareFolder())) << shown.toStdString();
    rig.context.state.parametersLoaded = true;
    shown = openAbout();
    EXPECT_TRUE(shown.contains(QStringLiteral("0x12345678"))) << shown.toStdString();
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
    {
        test::WindowRig rig;
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

TEST(MainWindowTest, ParameterFileItemsRunAsLongOperations)
{
    test::ScratchDirectory scratch{"kdx-files"};
    test::WindowRig rig;
    std::vector<bool> longInside;
    rig.prompts.whileShown = [&] { longInside.push_back(rig.context.busy.inLongOperation()); };
    // Without a controller's parameters each only says so, from inside its operation.
    findControl<QAction>(*rig.window, "Open1")->trigger();
    findControl<QAction>(*rig.window, "SaveToDisc1")->trigger();
    ASSERT_EQ(rig.prompts.messages.size(), 2u);
    EXPECT_EQ(longInside, (std::vector<bool>{true, true}));
    EXPECT_FALSE(rig.context.busy.busy());
    // The parameter files' own items sit in the File menu, before Exit.
    QMenu* file = findControl<QMenu>(*rig.window, "File1");
    const QList<QAction*> items = file->actions();
    const int compare = static_cast<int>(items.indexOf(findControl<QAction>(*rig.window, "CompareFiles1")));
    EXPECT_GE(compare, 0);
    EXPECT_LT(compare, static_cast<int>(items.indexOf(findControl<QAction>(*rig.window, "Exit1"))));
}

TEST(MainWindowTest, F10MenuItemAndConnectReachTheSameAutoConnect)
{
    PortRig rig;
    MainWindow& w = *rig.window;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    QTest::keyClick(&w, Qt::Key_F10);
    const size_t perSearch = rig.opens();
    ASSERT_GT(perSearch, 0u) << "F10";
    EXPECT_EQ(rig.line.opened().front(), "/dev/ttyKDX");
    findControl<QAction>(w, "AutoConnect1")->trigger();
    EXPECT_EQ(rig.opens(), 2 * perSearch) << "menu";
    QTest::mouseClick(findControl<QPushButton>(w, "ButtonAutoconnect"), Qt::LeftButton);
    EXPECT_EQ(rig.opens(), 3 * perSearch) << "CONNECT";
}

TEST(MainWindowTest, LanguageItemsStoreTheirCodes)
{
    test::ScratchDirectory scratch{"kdx-lang"};
    test::WindowRig rig;
    const std::pair<const char*, uint8_t> items[] = {{"English1", 1}, {"Polski1", 2}, {"German1", 4}, {"Russian1", 4}};
    for (const auto& [item, code] : items) {
        findControl<QAction>(*rig.window, item)->trigger();
        EXPECT_EQ(readLanguageCode("lan.txt"), std::optional<uint8_t>(code)) << item;
    }
    EXPECT_TRUE(rig.prompts.messages.empty());
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
    TickRig rig;
    MainWindow& w = *rig.window;
    rig.context.state.connected = false;
    w.Timer1Timer();
    EXPECT_EQ(rig.ticks(), 0u);
    rig.context.state.connected = true;
    w.Timer1Timer();
    EXPECT_EQ(rig.ticks(), 1u);
    {
        BusyScope busy(rig.context.busy);
        w.Timer1Timer();
    }
    EXPECT_EQ(rig.ticks(), 1u);
    // A tick that arrives while a handler runs (for example from a modal box
    // or a pause that keeps painting) is dropped.
    rig.prompts.whileShown = [&] { w.Timer1Timer(); };
    findControl<QAction>(w, "Open1")->trigger(); // "connect first": a box inside the handler
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.ticks(), 1u);
    // A tick does not nest in itself: whatever runs inside it (here the
    // line's transmit of the status request) cannot start another.
    w.Timer1Timer(); // the answer's tick
    EXPECT_EQ(rig.ticks(), 2u);
    rig.line.onTransmit = [&](const std::vector<uint8_t>&, const std::string&) { w.Timer1Timer(); };
    w.Timer1Timer();
    EXPECT_EQ(rig.ticks(), 3u);
}

// Inside a long operation a pause gives the window its turn (it repaints,
// its timers run) but holds the status tick off. A short handler's short
// pause (the tick's own polls, an edit's) does not wake the event loop: the
// window has its turn after the handler.
TEST(MainWindowTest, GuiClockPauseGivesTheWindowATurnOnlyInLongOperations)
{
    TickRig rig;
    GuiClock clock(rig.context.busy);
    for (const bool longOperation : {true, false}) {
        SCOPED_TRACE(longOperation ? "long operation" : "short handler");
        const size_t ticks = rig.ticks();
        bool ranInsidePause = false;
        bool pausing = true;
        QTimer::singleShot(0, rig.window.get(), [&] {
            ranInsidePause = pausing;
            rig.window->Timer1Timer();
        });
        {
            std::optional<LongOperation> op;
            if (longOperation)
                op.emplace(rig.context.busy);
            clock.sleepMs(0);
            pausing = false;
        }
        EXPECT_EQ(ranInsidePause, longOperation);
        EXPECT_EQ(rig.ticks(), ticks) << "no tick inside the pause";
        EXPECT_FALSE(rig.context.busy.busy());
        QApplication::processEvents();
        rig.window->Timer1Timer();
        EXPECT_GT(rig.ticks(), ticks);
    }
}

// Frames that came while the diagnostic page was not in view are not lost
// to it: a click on its tab shows the latest frame at once, not the values
// of the last time it was looked at.
TEST(MainWindowTest, DiagnosticPageShowsTheLatestFrameWhenBroughtIntoView)
{
    SimRig rig;
    MainWindow& w = *rig.window;
    w.show();
    QTabWidget* tabs = w.pageControl();
    QTabBar* bar = tabs->tabBar();
    const int diag = tabs->indexOf(findControl<QWidget>(w, "TabSheetDiag"));
    const int par = tabs->indexOf(findControl<QWidget>(w, "TabSheetPar"));
    auto* values = findControl<StringGrid>(w, "StringGridViz");
    const int waterRow = 6;
    auto water = [&](uint16_t raw) { rig.model.setStatusHook([raw](sim::SimStatus& s) { s.waterLev = raw; }); };

    water(1000);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(diag).center());
    test::runTicks(rig.clock, w, 4);
    const QString before = values->cell(1, waterRow);
    ASSERT_FALSE(before.isEmpty());

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(par).center());
    water(3000);
    test::runTicks(rig.clock, w, 4);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(diag).center());
    ASSERT_EQ(tabs->currentIndex(), diag);
    const QString shown = values->cell(1, waterRow);
    EXPECT_NE(shown, before);
    test::runTicks(rig.clock, w, 4); // the next frames, with the page in view
    EXPECT_EQ(values->cell(1, waterRow), shown);
}

bool allWordWrites(const std::vector<std::vector<uint8_t>>& frames)
{
    return std::all_of(frames.begin(), frames.end(),
                       [](const auto& f) { return (f[0] & 0xF0) == (wire::kCmdWriteWordBase & 0xF0); });
}

TEST(MainWindowTest, EnterReleasedInAnEditReachesTheController)
{
    SimRig rig;
    auto* edit = findControl<QLineEdit>(*rig.window, "EditMinLevH");
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("0.60"));
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(rig.received.empty()) << "leaving the box is no commit";
    QTest::keyClick(edit, Qt::Key_Return);
    const size_t first = rig.received.size();
    EXPECT_GT(first, 0u);
    EXPECT_TRUE(allWordWrites(rig.received));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("0.70"));
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_GT(rig.received.size(), first) << "keypad Enter commits as well";
    EXPECT_TRUE(allWordWrites(rig.received));
}

TEST(MainWindowTest, ComboChangeIsTheTechniciansPickOnly)
{
    SimRig rig;
    auto* combo = findControl<QComboBox>(*rig.window, "ComboBoxSerwisToff");
    combo->setCurrentIndex(3); // filling from the parameters is not an edit
    EXPECT_TRUE(rig.received.empty());
    combo->setCurrentIndex(4);
    emit combo->activated(4);
    EXPECT_FALSE(rig.received.empty());
    EXPECT_TRUE(allWordWrites(rig.received));
}

// Every drop-down and check box of the parameter pages stores its own
// parameter: what the technician picked is what the image shows back in
// that control afterwards.
TEST(MainWindowTest, EachParameterChoiceStoresItsOwnParameter)
{
    SimRig rig;
    QPushButton* show = findControl<QPushButton>(*rig.window, "ButtonWyswPar");
    for (const char* name : {"ComboBoxRpmIn", "ComboBoxAnKompSett", "ComboBoxFuelType", "ComboBoxAvFuelComs",
                             "ComboBoxManualMinRpmP1", "ComboBoxManualMaxRpmP1", "ComboBoxManualMinRpmP2",
                             "ComboBoxManualMaxRpmP2", "ComboBoxSerwisTon", "ComboBoxSerwisToff"}) {
        SCOPED_TRACE(name);
        auto* combo = findControl<QComboBox>(*rig.window, name);
        ASSERT_NE(combo, nullptr);
        ASSERT_GT(combo->count(), 1);
        // The neighbouring item; the other one when a limit refuses it.
        int picked = -1;
        for (int step : {1, -1}) {
            picked = (combo->currentIndex() + step + combo->count()) % combo->count();
            rig.prompts.messages.clear();
            rig.received.clear();
            combo->setCurrentIndex(picked);
            emit combo->activated(picked);
            if (rig.prompts.messages.empty())
                break;
            show->click();
        }
        EXPECT_TRUE(rig.prompts.messages.empty());
        EXPECT_FALSE(rig.received.empty()) << "written to the controller";
        show->click();
        EXPECT_EQ(combo->currentIndex(), picked);
    }
    for (const char* name : {"CheckBoxPump1Active", "CheckBoxPump2Active"}) {
        SCOPED_TRACE(name);
        auto* box = findControl<QCheckBox>(*rig.window, name);
        ASSERT_NE(box, nullptr);
        const bool before = box->isChecked();
        rig.received.clear();
        box->click();
        EXPECT_FALSE(rig.received.empty()) << "written to the controller";
        show->click();
        EXPECT_EQ(box->isChecked(), !before);
    }
}

TEST(MainWindowTest, HiddenButtonsRunTheirProcedures)
{
    SimRig rig;
    auto click = [&](const char* name) {
        rig.received.clear();
        findControl<QPushButton>(*rig.window, name)->click();
    };
    click("ButtonLoadAllData");
    EXPECT_GT(rig.count(wire::kCmdRead), 0u) << "load reads the controller";
    EXPECT_TRUE(rig.context.state.parametersLoaded);
    click("ButtonReadPar");
    EXPECT_GT(rig.count(wire::kCmdRead), 0u) << "read reads the controller";
    auto* delay = findControl<QLineEdit>(*rig.window, "EditGeneralDelay");
    delay->setText(QStringLiteral("77")); // typed, never committed
    click("ButtonWyswPar");
    EXPECT_EQ(delay->text(), QStringLiteral("5")) << "show puts back what the image holds";
    EXPECT_TRUE(rig.received.empty());
    click("ButtonSaveEep");
    EXPECT_EQ(rig.count(wire::kCmdSaveToEeprom), 1u);
}

TEST(MainWindowTest, ModeButtonsSendTheirModeValue)
{
    SimRig rig;
    for (const char* b : {"ButtonAuto", "ButtonManualTrig", "ButtonManualConst", "ButtonSerwis", "ButtonOff"})
        findControl<QPushButton>(*rig.window, b)->click();
    std::vector<int> modes;
    for (const auto& frame : rig.received)
        if (frame[0] == wire::kCmdSetWorkMode)
            modes.push_back(frame[2]);
    EXPECT_EQ(modes, (std::vector<int>{0, 1, 2, 3, 0xFF}));
}

TEST(MainWindowTest, ConnectionLogRowsArePaintedInTheLogsColours)
{
    SimRig rig;
    rig.window->show();
    auto* grid = findControl<StringGrid>(*rig.window, "StringGridPC_ID");
    rig.window->showPage(findControl<QWidget>(*rig.window, "TabSheetPar"));
    QApplication::processEvents();
    const QImage image = grid->viewport()->grab().toImage();
    const ConnectionLog& log = rig.context.session.connectionLog();
    int coloured = 0;
    for (int row = 1; row < grid->rowCount(); ++row) {
        const auto colour = log.cellColour(row);
        if (!colour)
            continue;
        ++coloured;
        for (int column = 0; column < 2; ++column) {
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            EXPECT_EQ(image.pixelColor(cell.bottomRight() - QPoint(3, 3)), QColor(colour->r, colour->g, colour->b))
                << "row " << row << " column " << column;
        }
    }
    EXPECT_GT(coloured, 0);
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
    TickRig rig;
    rig.context.state.parametersLoaded = true; // a save is allowed
    rig.line.onTransmit = [](const std::vector<uint8_t>&, const std::string&) {
        throw std::runtime_error("line lost");
    };
    EXPECT_THROW(rig.window->ButtonSaveEepClick(), std::runtime_error);
    EXPECT_FALSE(rig.context.busy.busy());
    rig.line.onTransmit = {};
    const size_t before = rig.ticks();
    rig.window->Timer1Timer();
    EXPECT_EQ(rig.ticks(), before + 1);
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
    PortRig rig;
    MainWindow& w = *rig.window;
    w.show();
    GuiClock clock(rig.context.busy);
    QTabWidget* tabs = w.pageControl();
    const int diag = tabs->indexOf(findControl<QWidget>(w, "TabSheetDiag"));
    int timersInside = 0;
    // RESET PARAMETERS! asks first; the question stays up for a while, and the
    // technician answers no.
    rig.prompts.okCancelAnswer = false;
    rig.prompts.whileShown = [&] {
        QTimer::singleShot(20, [&] {
            ++timersInside;
            // A click on the "diag" tab, on a mode button and a second RESET,
            // and F10, one after the other while the reset runs.
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(diag).center());
            QTest::mouseClick(findControl<QPushButton>(w, "ButtonAuto"), Qt::LeftButton);
            QTest::mouseClick(findControl<QPushButton>(w, "ButtonSetDefault"), Qt::LeftButton);
            QTest::keyClick(&w, Qt::Key_F10);
        });
        clock.sleepMs(200);
    };
    QTest::mouseClick(findControl<QPushButton>(w, "ButtonSetDefault"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(rig.prompts.cancelDefaultCaptions, std::vector<std::string>{"RESET PARAMETERS!"});
    EXPECT_EQ(timersInside, 1);
    EXPECT_EQ(rig.opens(), 0u) << "no connection search";
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("TabSheetPar"));
    EXPECT_GE(w.inputGuard()->discarded(), 6); // press and release of each click, the key
    EXPECT_FALSE(rig.context.busy.busy());

    // A control made for use during the operation keeps its clicks.
    auto* cancel = new QPushButton(QStringLiteral("cancel"), findControl<QWidget>(w, "TabSheetPar"));
    cancel->setProperty(InputGuard::kLiveDuringLongOperation, true);
    cancel->show();
    int cancels = 0;
    QObject::connect(cancel, &QPushButton::clicked, [&] { ++cancels; });
    rig.prompts.whileShown = [&] {
        QTimer::singleShot(10, [&] { QTest::mouseClick(cancel, Qt::LeftButton); });
        clock.sleepMs(60);
    };
    w.ButtonSetDefaultClick();
    EXPECT_EQ(cancels, 1);
    delete cancel;
    rig.prompts.whileShown = {};

    // Afterwards the same clicks work as usual.
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(diag).center());
    EXPECT_EQ(tabs->currentIndex(), diag);
    QTest::mouseClick(findControl<QPushButton>(w, "ButtonAuto"), Qt::LeftButton);
    EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("TabSheetAuto"));
}

// Input during a short handler's pause (a register write, the status tick,
// a box about a wrong entry) is not lost: it waits for the handler and is
// delivered after it.
TEST(MainWindowTest, InputDuringAShortHandlerIsKept)
{
    test::WindowRig rig;
    MainWindow& w = *rig.window;
    w.show();
    GuiClock clock(rig.context.busy);
    bool clicked = false;
    rig.prompts.whileShown = [&] {
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(findControl<QPushButton>(w, "ButtonAuto"), Qt::LeftButton);
            clicked = true;
        });
        clock.sleepMs(30);
    };
    auto* delay = findControl<QLineEdit>(w, "EditGeneralDelay");
    delay->setText(QStringLiteral("abc"));
    QTest::keyClick(delay, Qt::Key_Return);
    ASSERT_EQ(rig.prompts.messages.size(), 1u) << "the entry is refused in a box";
    EXPECT_TRUE(clicked);
    EXPECT_EQ(w.inputGuard()->discarded(), 0);
    EXPECT_EQ(w.pageControl()->currentWidget()->objectName(), QStringLiteral("TabSheetAuto"));
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
    rig.prompts.okCancelAnswer = false;
    rig.prompts.whileShown = [&] {
        rig.prompts.whileShown = {};
        w.close();
        stillOpen = w.isVisible();
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KDX"), QStringLiteral("ECU not Found"),
                        QMessageBox::Ok, &w);
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
    w.ButtonSetDefaultClick();
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(boxAnswered);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.close()); // after it, closing works
}

// The tester's one-second alarm blocks the window like any long operation:
// clicks made while it sounds are discarded when it ends.
TEST(MainWindowTest, TesterToneIsALongOperation)
{
    PortRig rig;
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
    LongTone tone(inner, rig.context.busy);
    tone.play(4000, 1000);
    EXPECT_TRUE(inner.longInside);
    EXPECT_FALSE(rig.context.busy.busy());
    EXPECT_EQ(rig.opens(), 0u) << "no connection search";
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
