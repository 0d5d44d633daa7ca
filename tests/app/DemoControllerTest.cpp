// The whole program on virtual time against the built-in simulated
// controller: the window, the procedures behind it and the demo port.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "live/Tone.h"
#include "sim/ControllerModel.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "widgets/LedIndicator.h"
#include "widgets/Meter270.h"
#include "widgets/StringGrid.h"

#include <QComboBox>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace kdx;
using namespace kdx::test;

namespace {

class SilentTone : public Tone {
public:
    void play(uint32_t hz, uint32_t ms) override { played.emplace_back(hz, ms); }
    std::vector<std::pair<uint32_t, uint32_t>> played;
};

struct DemoRig {
    explicit DemoRig(sim::ControllerConfig config = {})
        : model(config), demo(model, clock), context(demo, clock, prompts, discovery, demoOptions())
    {
        appForTests();
        QLocale::setDefault(QLocale::c());
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
    }
    void ticks(int n) { runTicks(clock, *window, n); }
    template <typename T>
    T* control(const char* name) { return findControl<T>(*window, name); }

    ScratchDirectory scratch;
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    SilentTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST(DemoController, ConnectReadsEverythingAndShowsTheBanner)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();

    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_TRUE(rig.context.state.parametersLoaded);
    EXPECT_EQ(rig.window->windowTitle().toStdString(),
              "Vornel RQ412 - KDX 'WERSJA WYSTAWOWA' H: 1 S: 1.0 Pc ver. 1.097        SN: 0x0001E240");
    EXPECT_TRUE(rig.window->timer1()->isActive());
    EXPECT_TRUE(rig.prompts.messages.empty());
    EXPECT_EQ(rig.control<QProgressBar>("ProgressBar1")->value(), 512);
    // The editors show what the controller holds.
    EXPECT_EQ(rig.control<QLineEdit>("EditGeneralDelay")->text(), "5");
    EXPECT_EQ(rig.control<QLineEdit>("EditMinLevH")->text(), "0.50");
    EXPECT_EQ(rig.control<StringGrid>("StringGridManualTrigMap")->cell(0, 1), "0 -> 600");
    // The log grid shows the controller's log as it was before this connection.
    EXPECT_EQ(rig.control<StringGrid>("StringGridPC_ID")->cell(0, 8), "Y: - M: - D: - ");
}

TEST(DemoController, PollingMovesTheDashboardAndSavesTheConnectionLog)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    const auto eepromBefore = rig.model.eeprom().bytes();
    rig.ticks(60);

    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().badPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().crcErrorCount(), 0u);
    EXPECT_TRUE(rig.control<LedIndicator>("AbLEDSystemOn")->caption().startsWith("KDX ON, "));
    EXPECT_TRUE(rig.control<QLabel>("LabelVDC")->text().startsWith("power supply: "));
    EXPECT_NE(rig.control<QLabel>("LabelVDC")->text(), "power supply: 00.0 [V]");
    // The log update after connecting reached the controller's EEPROM with the
    // deferred save: slot 7 now holds this PC.
    EXPECT_NE(rig.model.eeprom().bytes(), eepromBefore);
}

TEST(DemoController, EditReachesTheControllerAndItsEeprom)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(60); // the connection log's save has gone out
    auto* edit = rig.control<QLineEdit>("EditGeneralDelay");
    edit->setText("42");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(rig.model.memory().byteAt(374), 42);
    EXPECT_NE(rig.model.eeprom().byteAt(374), 42);
    rig.ticks(50); // about two seconds of quiet
    EXPECT_EQ(rig.model.eeprom().byteAt(374), 42);
}

TEST(DemoController, BadTypedNumberShowsTheMessageAndSendsNothing)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    const auto memory = rig.model.memory().bytes();
    auto* edit = rig.control<QLineEdit>("EditMinLevL");
    edit->setText("0,9x");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{"'0,9x' is not a valid floating point value"}));
    EXPECT_EQ(rig.model.memory().bytes(), memory);
}

TEST(DemoController, RefusedSoftwareVersionIsReportedOnce)
{
    sim::ControllerConfig config;
    config.softwareVersion = 5;
    DemoRig rig(config);
    rig.window->AutoConnect1Click();
    EXPECT_FALSE(rig.context.state.connected);
    EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{"Software need update."}));
}

TEST(DemoController, FirmwareUpgradeOfTheSampleFileReconnectsToAWipedController)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.prompts.fileAnswers.push_back(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex");
    rig.prompts.okCancelAnswer = false;
    const uint64_t start = rig.clock.nowMs();
    rig.window->ButtonFirmwareClick();
    const uint64_t elapsed = rig.clock.nowMs() - start;

    // The controller now runs the new firmware (version text 001.098) with its
    // parameters wiped, and the tool is connected to it again.
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.context.state.softwareVersion, 1);
    EXPECT_EQ(rig.context.state.softwareRevision, 98);
    // The offer to restore the backup made before the upgrade is declined here.
    ASSERT_EQ(rig.prompts.messages.size(), 2u);
    EXPECT_EQ(rig.prompts.messages[0], "NEW ECU, PARAMETERS RESET !");
    EXPECT_EQ(rig.prompts.messages[1].rfind("Restore parameters: ", 0), 0u);
    auto* log = findControl<QTextEdit>(*rig.window, "RichEdit1");
    ASSERT_NE(log, nullptr);
    const QString text = log->toPlainText();
    // The last line says how it ended, the last block's reply under it.
    EXPECT_TRUE(text.startsWith("Upgrade done: the controller runs software 1.98.\n39 jest: 0x"))
        << text.left(120).toStdString();
    auto* bar = findControl<QProgressBar>(*rig.window, "ProgressBarBoot");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 40);
    EXPECT_EQ(bar->maximum(), 40);
    EXPECT_TRUE(text.contains("4 jest: 0x42 0x69 0x04"));
    EXPECT_TRUE(text.endsWith(" Bytes Read"));
    // 40 blocks at about 5 + 110 + 20 ms and the reply each.
    EXPECT_LT(elapsed, 40u * 150u + 3000u);
}

TEST(DemoController, ResetParametersWritesDefaultsAndReconnects)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    rig.model.memory().setWordAt(374, 77); // general delay changed behind the tool's back
    rig.window->ButtonSetDefaultClick();
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.model.eeprom().wordAt(374), 5);
    EXPECT_EQ(rig.model.eeprom().dwordAt(4), 0xAFFFFFFFu);
    EXPECT_EQ(rig.control<QLineEdit>("EditGeneralDelay")->text(), "5");
    EXPECT_TRUE(rig.window->windowTitle().endsWith("SN: 0xAFFFFFFF"));
}

TEST(DemoController, LanguageSwitchRebuildsComposedTexts)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(4);
    std::ofstream(rig.scratch.path + "/lan.txt", std::ios::binary) << '\x01';
    rig.window->German1Click();
    EXPECT_EQ(rig.control<QPushButton>("ButtonAutoconnect")->text(), "VERBINDEN");
    EXPECT_EQ(rig.control<QLabel>("LabelPakietUtracony")->text(), "Paket verloren: 0");
    // The editors were filled again, with the German texts in the composed cells.
    EXPECT_EQ(rig.control<StringGrid>("StringGridManualTrigMap")->cell(1, 0), "Pumpe1Ein[s]");
    std::ifstream in(rig.scratch.path + "/lan.txt", std::ios::binary);
    EXPECT_EQ(in.get(), 4);
    in.close();
    // Without a lan.txt (an installed tool) the first choice makes one.
    std::remove((rig.scratch.path + "/lan.txt").c_str());
    rig.window->Polski1Click();
    EXPECT_EQ(rig.control<QPushButton>("ButtonAutoconnect")->text(), QString::fromUtf8("PO\xC5\x81\xC4\x84" "CZ"));
    std::ifstream made(rig.scratch.path + "/lan.txt", std::ios::binary);
    EXPECT_EQ(made.get(), 2);
}

TEST(DemoController, ModeButtonKeepsItsPageWhenAnOlderAnswerStillShowsTheOldMode)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(3); // a status request is on its way: its answer reports mode auto
    rig.control<QPushButton>("ButtonManualTrig")->click();
    rig.ticks(6);
    QTabWidget* pages = rig.window->pageControl();
    EXPECT_EQ(pages->currentWidget()->objectName(), "TabSheetManualTrig");
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(rig.control<QWidget>("TabSheetAuto"))));
    EXPECT_EQ(rig.model.workMode(), 1);
    EXPECT_TRUE(rig.control<QPushButton>("ButtonManualTrig")->font().bold());
}

TEST(DemoController, MapCellEditedInPlaceIsValidatedStoredAndSent)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    auto* grid = rig.control<StringGrid>("StringGridManualTrigMap");
    struct Case {
        int column;
        int row;
        const char* typed;
        const char* shown; // cell text afterwards
        size_t word;
        uint16_t stored;
    };
    const Case cases[] = {
        {1, 3, "0.5", "1", 64 + 3, 10},     // on time between 0 and 1: one second
        {1, 4, "-1", "-1", 64 + 4, 0xFFF6}, // negative on time: the map's off marker
        {2, 1, "0", "1", 88 + 1, 10},       // off time below one second
        {4, 24, "2.55", "2.55", 136 + 24, 25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        grid->setCurrentCell(c.row, c.column);
        emit grid->cellClicked(c.row, c.column);
        EXPECT_NE(grid->editTriggers(), QAbstractItemView::NoEditTriggers); // editing is on
        grid->setCell(c.column, c.row, c.typed);
        QTest::keyClick(grid, Qt::Key_Return);
        EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(grid->cell(c.column, c.row).toStdString(), c.shown);
        EXPECT_EQ(rig.model.memory().wordAt(2 * c.word), c.stored);
    }
    // Column 0 and the headings are not editable.
    grid->setCurrentCell(2, 0);
    emit grid->cellClicked(2, 0);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST(DemoController, PauseGridCellWritesItsMapElement)
{
    DemoRig rig;
    rig.window->AutoConnect1Click();
    auto* grid = rig.control<StringGrid>("StringGridAutoPumpStop");
    grid->setCurrentCell(2, 3);
    emit grid->cellClicked(2, 3);
    grid->setCell(3, 2, "123.4");
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(rig.model.memory().wordAt(2 * 184), 1234); // element 7
}

// Minimised, the window keeps polling (the recording and the tester go on)
// but does not follow each frame; back, it shows the latest one at once.
TEST(DemoController, MinimisedWindowCatchesUpWhenShownAgain)
{
    DemoRig rig;
    rig.window->show();
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.ticks(4);
    auto shown = [&] {
        std::vector<QString> texts;
        for (const char* name : {"LabelVDC", "LabelWilgotnosc", "LabelTempPow", "LabelOpPers"})
            texts.push_back(rig.control<QLabel>(name)->text());
        texts.push_back(QString::number(rig.control<Meter270>("Ab270MeterLGPres")->value()));
        return texts;
    };
    rig.window->showMinimized();
    ASSERT_TRUE(rig.window->isMinimized());
    const auto before = shown();
    const uint32_t lost = rig.context.session.poller().lostPacketCount();
    rig.ticks(60);
    EXPECT_EQ(shown(), before) << "three seconds of frames, none applied";
    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), lost) << "the polling went on";
    rig.window->showNormal();
    rig.ticks(1); // a send tick: no new frame, the last one is applied
    const auto caughtUp = shown();
    EXPECT_NE(caughtUp, before);
    rig.ticks(1); // the frame read now is applied as usual
    EXPECT_EQ(rig.control<QLabel>("LabelVDC")->text().left(14), QStringLiteral("power supply: "));
}
