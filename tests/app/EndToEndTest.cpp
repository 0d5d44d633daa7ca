// End to end: the whole program with its real serial line and clock, against
// kdx-sim on a pseudo-terminal, the window offscreen and its own 50 ms timer
// driving the status polling. Each test takes a few seconds of real time.
#include "PtyRig.h"
#include "link/TrafficLog.h"

#include "widgets/StringGrid.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <memory>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

using namespace kdx;
using namespace kdx::test;

namespace {

constexpr const char* kBanner =
    "Vornel RQ412 - KDX 'WERSJA WYSTAWOWA' H: 1 S: 1.0 Pc ver. 1.097        SN: 0x0001E240";

// What the dashboard shows: the raw status words and the measurement labels.
QStringList dashboard(PtyAppRig& rig)
{
    QStringList texts;
    auto* raw = rig.control<StringGrid>("StringGridWizD");
    for (int row = 0; raw && row < raw->rowCount(); ++row)
        texts << raw->cell(1, row);
    for (const char* name : {"LabelOpPers", "LabelVDC", "LabelWilgotnosc", "LabelTempPow"})
        texts << rig.control<QLabel>(name)->text();
    return texts;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Byte 374 (GeneralDelay, low byte) of an EEPROM file, or -1.
int generalDelayInFile(const std::string& path)
{
    const std::string bytes = readFile(path);
    return bytes.size() == 512 ? static_cast<unsigned char>(bytes[374]) : -1;
}

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The page answers kdx-sim has made so far (from its report on SIGUSR1), or -1.
int pageAnswersMade(SimProcess& sim)
{
    ::kill(sim.pid(), SIGUSR1);
    int pages = -1;
    for (std::string line = sim.readLine(); !line.empty(); line = sim.readLine()) {
        unsigned n = 0;
        if (std::sscanf(line.c_str(), "kdx-sim: injected page answers=%u", &n) == 1)
            pages = static_cast<int>(n);
        if (line == "kdx-sim: end of report")
            break;
    }
    return pages;
}

} // namespace

TEST(EndToEnd, F10ConnectsAndTheCaptionShowsTheBanner)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    ASSERT_EQ(sim.ptyPath().rfind("/dev/", 0), 0u) << sim.ptyPath();
    PtyAppRig rig(sim.ptyPath());
    rig.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));

    QTest::keyClick(rig.window.get(), Qt::Key_F10);

    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_TRUE(rig.context.state.parametersLoaded);
    EXPECT_EQ(rig.window->windowTitle().toStdString(), kBanner);
    EXPECT_EQ(rig.control<QLineEdit>("EditGeneralDelay")->text(), "5");
    EXPECT_TRUE(rig.prompts.messages.empty());
    EXPECT_TRUE(rig.window->timer1()->isActive());
}

TEST(EndToEnd, PollingEvery100MsMovesTheDashboardAndLosesNothing)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--trace"});
    PtyAppRig rig(sim.ptyPath());
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    (void)sim.linesSoFar(); // the connection's frames
    rig.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
    QTest::qWait(200);
    // The page beside the dashboard does not change while polling, so it
    // must not be repainted with every frame.
    PaintCounter pagePaints(rig.control<QWidget>("TabSheetPar"));

    QTest::qWait(1000);
    const QStringList early = dashboard(rig);
    QTest::qWait(2000);
    const QStringList late = dashboard(rig);
    rig.window->timer1()->stop();

    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().badPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().crcErrorCount(), 0u);
    EXPECT_NE(early, late);
    EXPECT_TRUE(rig.control<QLabel>("LabelVDC")->text().startsWith("power supply: 1"))
        << rig.control<QLabel>("LabelVDC")->text().toStdString();
    EXPECT_TRUE(rig.control<QLabel>("LabelPakietUtracony")->text().endsWith(": 0"));
    EXPECT_TRUE(rig.prompts.messages.empty());
    EXPECT_LE(pagePaints.paints, 3) << "TabSheetPar painted " << pagePaints.paints << " times";

    // On the wire: the status request every other 50 ms tick, each answered.
    std::vector<double> requests;
    int answers = 0;
    for (const std::string& line : sim.linesSoFar()) {
        const auto frame = parseTrafficLine(line);
        if (!frame || frame->kind != "status")
            continue;
        if (frame->sender == TrafficRecord::Sender::Pc)
            requests.push_back(static_cast<double>(frame->timeMs) / 1000.0);
        else if (frame->sender == TrafficRecord::Sender::Ecu && frame->bytes.size() == 100)
            ++answers;
    }
    ASSERT_GE(requests.size(), 20u);
    EXPECT_GE(answers, static_cast<int>(requests.size()) - 1);
    const double mean = (requests.back() - requests.front()) / static_cast<double>(requests.size() - 1);
    EXPECT_GT(mean, 0.095);
    EXPECT_LT(mean, 0.130);
    std::cout << "[ measured ] status requests: " << requests.size() << ", mean interval "
              << mean * 1000.0 << " ms\n";
}

TEST(EndToEnd, AnswersWithABadEndByteAreCountedWhilePollingGoesOn)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--fault", "badend=20"});
    PtyAppRig rig(sim.ptyPath());
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);

    QTest::qWait(1000);
    const uint32_t badEarly = rig.context.session.poller().badPacketCount();
    const QStringList early = dashboard(rig);
    QTest::qWait(2000);
    rig.window->timer1()->stop();

    const uint32_t bad = rig.context.session.poller().badPacketCount();
    // One answer in five is spoiled: about six of some thirty in three seconds.
    EXPECT_GE(bad, 3u);
    EXPECT_GT(bad, badEarly);
    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().crcErrorCount(), 0u);
    EXPECT_TRUE(rig.control<QLabel>("LabelPakietBlad")->text().endsWith(": " + QString::number(bad)))
        << rig.control<QLabel>("LabelPakietBlad")->text().toStdString();
    EXPECT_TRUE(rig.prompts.messages.empty());
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_NE(dashboard(rig), early); // the sound answers still reach the window
}

TEST(EndToEnd, EditReachesTheEepromAfterTheQuietTimeAndSurvivesARestart)
{
    KDX_REQUIRE_SIM();
    PtyScratch files;
    const std::string eeprom = files.path + "/eeprom.bin";
    const std::string link = files.path + "/ttyKDX";
    const std::vector<std::string> args = {"--eeprom", eeprom, "--link", link};
    auto sim = std::make_unique<SimProcess>(args);
    ASSERT_FALSE(sim->ptyPath().empty());
    PtyAppRig rig(link);
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    ASSERT_EQ(rig.control<QLineEdit>("EditGeneralDelay")->text(), "5");
    QTest::qWait(2600); // the connection log's deferred save goes out
    ASSERT_EQ(generalDelayInFile(eeprom), 5);

    auto* edit = rig.control<QLineEdit>("EditGeneralDelay");
    edit->setText("42");
    QTest::keyClick(edit, Qt::Key_Return);
    QElapsedTimer since;
    since.start();
    QTest::qWait(1000);
    EXPECT_EQ(generalDelayInFile(eeprom), 5) << "saved before the quiet time";
    while (generalDelayInFile(eeprom) != 42 && since.elapsed() < 4000)
        QTest::qWait(20);
    const qint64 savedAfterMs = since.elapsed();
    EXPECT_EQ(generalDelayInFile(eeprom), 42);
    EXPECT_GE(savedAfterMs, 1800);
    EXPECT_LE(savedAfterMs, 3000);
    std::cout << "[ measured ] edit reached the EEPROM file " << savedAfterMs << " ms after Enter\n";

    // Power the controller off and on: the tool finds it again on the same
    // port and shows what was entered.
    rig.window->timer1()->stop();
    EXPECT_EQ(sim->stop(), 0);
    sim = std::make_unique<SimProcess>(args);
    ASSERT_FALSE(sim->ptyPath().empty());
    edit->setText("");
    rig.window->AutoConnect1Click();
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(edit->text(), "42");
    EXPECT_TRUE(rig.prompts.messages.empty());
}

TEST(EndToEnd, FirmwareUpgradeOfTheSampleFileReconnectsToTheNewVersion)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    PtyAppRig rig(sim.ptyPath());
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    ASSERT_EQ(rig.context.state.softwareRevision, 0);

    // Block j's frame goes out right after ProgressBarBoot shows j.
    auto* bar = rig.control<QProgressBar>("ProgressBarBoot");
    ASSERT_NE(bar, nullptr);
    QElapsedTimer clock;
    clock.start();
    std::vector<std::pair<int, qint64>> progress;
    QObject::connect(bar, &QProgressBar::valueChanged,
                     [&](int value) { progress.emplace_back(value, clock.nsecsElapsed()); });

    rig.prompts.fileAnswers.push_back(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex");
    rig.prompts.okCancelAnswer = false;
    const qint64 start = clock.nsecsElapsed();
    rig.window->ButtonFirmwareClick();
    const double totalMs = static_cast<double>(clock.nsecsElapsed() - start) / 1e6;

    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.context.state.softwareVersion, 1);
    EXPECT_EQ(rig.context.state.softwareRevision, 98);
    EXPECT_TRUE(rig.window->windowTitle().contains(" S: 1.98 ")) << rig.window->windowTitle().toStdString();
    // The offer to restore the backup made before the upgrade is declined here.
    ASSERT_EQ(rig.prompts.messages.size(), 2u);
    EXPECT_EQ(rig.prompts.messages[0], "NEW ECU, PARAMETERS RESET !");
    EXPECT_EQ(rig.prompts.messages[1].rfind("Restore parameters: ", 0), 0u);
    const QString log = rig.control<QTextEdit>("RichEdit1")->toPlainText();
    EXPECT_FALSE(log.contains("redo write"));
    EXPECT_FALSE(log.contains("ERROR"));

    // The transfer: the last run of progress values 0, 1, ..., count - 1.
    const int count = bar->maximum();
    ASSERT_GT(count, 2);
    auto first = std::find_if(progress.rbegin(), progress.rend(), [](const auto& p) { return p.first == 0; });
    ASSERT_NE(first, progress.rend());
    const auto last = std::find_if(progress.rbegin(), first, [&](const auto& p) { return p.first == count - 1; });
    ASSERT_NE(last, first);
    const double perBlockMs = static_cast<double>(last->second - first->second) / 1e6 / (count - 1);
    // On a real line: 5 ms before the frame, 212 bytes at 19200 baud, 20 ms
    // after it (the 5-byte reply arrives meanwhile). A pseudo-terminal takes
    // the frame at once, leaving the tool's own waits: 5 + 20 ms and the two
    // 2 ms read polls a complete answer costs.
    const double nominalMs = 5.0 + 212 * 10.0 / 19.2 + 20.0 + 5 * 10.0 / 19.2;
    const double ptyWaitsMs = 5.0 + 20.0 + 2 * 2.0;
    std::cout << "[ measured ] firmware upgrade: " << count << " blocks, " << perBlockMs
              << " ms per block on the pseudo-terminal (the tool's own waits " << ptyWaitsMs
              << " ms; nominal on a 19200 baud line " << nominalMs << " ms), whole upgrade with reconnect "
              << totalMs << " ms\n";
    EXPECT_GE(perBlockMs, ptyWaitsMs - 0.5);
    EXPECT_LE(perBlockMs, ptyWaitsMs + 15.0); // nothing resent, no extra waits
}

namespace {

// CPU time this process has used, in milliseconds.
double processCpuMs()
{
    timespec t {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace

TEST(EndToEnd, PulledAdapterStopsPollingIdlesAndReconnectsByItselfWhenItComesBack)
{
    KDX_REQUIRE_SIM();
    // A stable name standing in for /dev/serial/by-id/...: the simulator
    // links it to whatever terminal it gets.
    PtyScratch names;
    const std::string link = names.path + "/usb-FTDI_RS485-if00-port0";
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--link", link});
    (void)sim->ptyPath();
    PtyAppRig rig(link);
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    QTest::qWait(500);
    const uint32_t lostBefore = rig.context.session.poller().lostPacketCount();

    // Pull the plug.
    sim->stop();
    sim.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.context.state.connected; }, 2000));
    const QString lost = rig.window->statusBar()->currentMessage();
    EXPECT_TRUE(lost.startsWith(QString::fromStdString("Link lost: " + link + " went away at "))) << lost.toStdString();
    EXPECT_FALSE(rig.window->timer1()->isActive());
    EXPECT_FALSE(rig.context.state.portOpen);
    EXPECT_LE(rig.context.session.poller().lostPacketCount(), lostBefore + 2) << "polling stopped at once";

    // Unplugged: nothing spins.
    const double cpuStart = processCpuMs();
    QElapsedTimer wall;
    wall.start();
    {
        // The plain event loop, as the program runs it (QTest::qWait would
        // wake every few milliseconds on its own).
        QEventLoop idle;
        QTimer::singleShot(3000, &idle, &QEventLoop::quit);
        idle.exec();
    }
    const double cpuShare = (processCpuMs() - cpuStart) / static_cast<double>(wall.elapsed());
    EXPECT_LT(cpuShare, 0.01) << "CPU while unplugged: " << cpuShare * 100.0 << " % of a core";
    std::cout << "[ measured ] CPU while unplugged: " << cpuShare * 100.0 << " % of one core\n";

    // Plug it back in: the tool finds it by itself, without a message box.
    QElapsedTimer back;
    back.start();
    SimProcess again({"--link", link});
    (void)again.ptyPath();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.context.state.connected; }, 2000))
        << "not reconnected within 2 s";
    std::cout << "[ measured ] reconnected " << back.elapsed() << " ms after the adapter came back\n";
    EXPECT_TRUE(rig.window->statusBar()->currentMessage().startsWith(
        QString::fromStdString("Reconnected to " + link + " at ")))
        << rig.window->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(rig.prompts.messages.empty());

    // Polling resumes: fresh valid frames, no new losses.
    const uint32_t lostAfter = rig.context.session.poller().lostPacketCount();
    const QString vdcBefore = rig.control<QLabel>("LabelLinkCounters")->text();
    QTest::qWait(1500);
    EXPECT_TRUE(rig.window->timer1()->isActive());
    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), lostAfter);
    EXPECT_NE(rig.control<QLabel>("LabelLinkCounters")->text(), vdcBefore) << "the last answer's time moves on";
    EXPECT_TRUE(rig.control<QWidget>("PanelStale")->isHidden());
}

TEST(EndToEnd, BehindAUsbAdapterConnectUpgradeAndResetNeedNoRetries)
{
    KDX_REQUIRE_SIM();
    // A controller that answers 20 ms after each request, behind an adapter
    // that hands the bytes over in 62-byte packets, the last one 16 ms late.
    SimProcess sim({"--fault", "usb=20"});
    ASSERT_FALSE(sim.ptyPath().empty());
    PtyAppRig rig(sim.ptyPath());

    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    EXPECT_TRUE(rig.context.state.parametersLoaded);
    EXPECT_EQ(rig.window->windowTitle().toStdString(), kBanner);
    EXPECT_EQ(pageAnswersMade(sim), 4) << "each page read once";

    QTest::qWait(1000); // status polling through the adapter
    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().badPacketCount(), 0u);
    EXPECT_EQ(rig.context.session.poller().crcErrorCount(), 0u);

    rig.prompts.fileAnswers.push_back(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex");
    rig.window->ButtonFirmwareClick();
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.context.state.softwareRevision, 98);
    const QString log = rig.control<QTextEdit>("RichEdit1")->toPlainText();
    EXPECT_FALSE(log.contains("redo write")) << log.toStdString();
    EXPECT_FALSE(log.contains("ERROR")) << log.toStdString();
    // The reconnect reads each page once, the restore of the backup twice
    // (before its EEPROM save and after it).
    EXPECT_EQ(pageAnswersMade(sim), 16) << "the reconnect once, the restore twice";

    rig.window->ButtonSetDefaultClick();
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.control<QLineEdit>("EditGeneralDelay")->text(), "5");
    EXPECT_EQ(pageAnswersMade(sim), 20) << "the reconnect read each page once";
    for (const std::string& m : rig.prompts.messages)
        EXPECT_EQ(m.find("Uart interface errors!"), std::string::npos) << m;
    rig.window->timer1()->stop();
}

TEST(EndToEnd, PortLockedByAnotherProgramIsNamedInTheStatusLine)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    const std::string path = sim.ptyPath();
    ASSERT_FALSE(path.empty());
    const int other = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    PtyAppRig rig(path);
    rig.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
    const QString caption = rig.window->windowTitle();

    QTest::keyClick(rig.window.get(), Qt::Key_F10);
    EXPECT_FALSE(rig.context.state.connected);
    // The status line names the port and says it is taken.
    const std::string status = rig.window->statusBar()->currentMessage().toStdString();
    EXPECT_EQ(status.rfind("No controller answered on: " + path, 0), 0u) << status;
    // The lock is this process's own, so no other program is named for it.
    EXPECT_NE(status.find(path + ": in use by another program (it holds the port's lock)"), std::string::npos)
        << status;
    EXPECT_EQ(rig.window->windowTitle(), caption);
    EXPECT_TRUE(rig.prompts.messages.empty());

    ::close(other);
    QTest::keyClick(rig.window.get(), Qt::Key_F10);
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.window->statusBar()->currentMessage().toStdString().find("No controller answered"),
              std::string::npos);
    rig.window->timer1()->stop();
}
