// The link's health in the window on virtual time, against the built-in
// simulated controller behind a line that can be pulled: the permanent status
// area, the stale dashboard, a hang-up, an edit while the link is down, a
// search that finds nothing, the traffic view and the port doctor.
#include "PtyRig.h"
#include "app/LinkPanels.h"
#include "app/LinkStatusPanel.h"
#include "app/TrafficWindow.h"
#include "app/pages/DashboardPanel.h"
#include "widgets/LedIndicator.h"
#include "link/TrafficLog.h"
#include "sim/ControllerModel.h"
#include "sim/FaultSet.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <fstream>
#include <sstream>

using namespace kdx;
using namespace kdx::test;

namespace {

// The demo line with a plug: once pulled, the open device reports a hang-up
// and takes and gives nothing, as a pulled USB adapter does.
class PlugLine : public SerialLine {
public:
    explicit PlugLine(SerialLine& inner) : m_inner(inner) {}
    bool pulled = false;
    int transmits = 0;
    bool open(const std::string& name) override { return !pulled && m_inner.open(name); }
    void close() override { m_inner.close(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool transmit(const uint8_t* d, size_t n) override
    {
        ++transmits;
        return !pulled && m_inner.transmit(d, n);
    }
    void drain() override { m_inner.drain(); }
    size_t bytesWaiting() override { return pulled ? 0 : m_inner.bytesWaiting(); }
    size_t read(uint8_t* d, size_t n) override { return pulled ? 0 : m_inner.read(d, n); }
    std::string lastError() const override { return m_inner.lastError(); }
    bool hungUp() const override { return m_inner.isOpen() && (pulled || m_inner.hungUp()); }

private:
    SerialLine& m_inner;
};

struct HealthRig {
    HealthRig()
        : demo(model, clock), line(demo), context(line, clock, prompts, discovery, demoOptions())
    {
        appForTests();
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
    }
    void ticks(int n) { runTicks(clock, *window, n); }
    void silent(bool on)
    {
        sim::FaultSet f;
        f.silent = on;
        model.setFaults(f);
    }
    template <typename T>
    T* control(const char* name)
    {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QString statusLine() { return window->statusBar()->currentMessage(); }
    QString area() { return control<QLabel>("LabelLinkState")->text(); }
    bool staleShown() { return !control<QWidget>("PanelStale")->isHidden(); }

    PtyScratch scratch;
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    PlugLine line;
    RecordingPrompts prompts;
    NoPorts discovery;
    CountingTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

const QString kDemo = QString::fromLatin1(sim::kDemoPortName);

} // namespace

TEST(LinkHealthWindow, TheStatusAreaIsThereFromStartAndFollowsTheLink)
{
    HealthRig rig;
    auto* area = rig.control<QLabel>("LabelLinkState");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->parentWidget(), rig.window->statusBar());
    EXPECT_EQ(rig.area(), QString::fromUtf8("no port  \u00b7  not connected  \u00b7  last answer none"));

    rig.window->AutoConnect1Click();
    rig.ticks(4);
    EXPECT_TRUE(rig.area().startsWith(kDemo + QString::fromUtf8("  \u00b7  connected  \u00b7  last answer ")))
        << rig.area().toStdString();
    EXPECT_FALSE(rig.area().endsWith("none"));
    // The counters and the last answer on the dashboard panel, seen from every page.
    const QString counters = rig.control<QLabel>("LabelLinkCounters")->text();
    EXPECT_TRUE(counters.startsWith(QString::fromUtf8("lost 0  \u00b7  bad 0  \u00b7  CRC 0  \u00b7  last answer ")))
        << counters.toStdString();
    EXPECT_EQ(rig.control<QLabel>("LabelLinkCounters")->parentWidget()->objectName(), "Panel4");
}

TEST(LinkHealthWindow, DashboardLooksStaleAfterOneSecondWithoutFramesAndNormalWithTheNext)
{
    HealthRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(6);
    ASSERT_FALSE(rig.staleShown());
    const QString vdc = rig.control<QLabel>("LabelVDC")->text();
    const QString lastAnswer = rig.control<QLabel>("LabelLinkCounters")->text().section(' ', -1);

    // The last valid frame was taken in the last tick (a receive tick).
    const uint64_t lastFrameMs = rig.clock.nowMs();
    rig.silent(true);
    int quietTicks = 0;
    while (rig.clock.nowMs() <= lastFrameMs + LinkWatch::kStaleAfterMs) {
        EXPECT_FALSE(rig.staleShown()) << "at " << rig.clock.nowMs() - lastFrameMs << " ms";
        rig.ticks(1);
        ASSERT_LT(++quietTicks, 40);
    }
    EXPECT_TRUE(rig.staleShown()) << "at " << rig.clock.nowMs() - lastFrameMs << " ms";
    EXPECT_EQ(rig.control<QLabel>("LabelNoDataSince")->text(),
              "no data since " + lastAnswer + "\nno answer from the controller");
    EXPECT_EQ(rig.control<QLabel>("LabelVDC")->text(), vdc) << "values stay, only their look changes";
    EXPECT_TRUE(rig.context.state.connected) << "a silent controller is not a hang-up";

    // The request of a tick while silent goes unanswered; the next one is answered.
    rig.silent(false);
    const uint32_t lost = rig.context.session.poller().lostPacketCount();
    int ticks = 0;
    while (rig.staleShown() && ticks < 6) {
        rig.ticks(1);
        ++ticks;
    }
    EXPECT_FALSE(rig.staleShown());
    EXPECT_LE(ticks, 4);
    EXPECT_LE(rig.context.session.poller().lostPacketCount(), lost + 1);
    EXPECT_TRUE(rig.prompts.messages.empty());
    // The counters follow what was lost, and the last answer moved on.
    ASSERT_GT(lost, 0u);
    const QString counters = rig.control<QLabel>("LabelLinkCounters")->text();
    EXPECT_TRUE(counters.startsWith(QString::fromLatin1("lost %1 ").arg(rig.context.session.poller().lostPacketCount())))
        << counters.toStdString();
    EXPECT_NE(counters.section(' ', -1), lastAnswer);
}

TEST(LinkHealthWindow, AHangUpClosesThePortStopsPollingAndSaysWhichPortWentAway)
{
    HealthRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(6);
    rig.line.pulled = true;
    rig.ticks(2);

    EXPECT_FALSE(rig.context.state.connected);
    EXPECT_FALSE(rig.context.state.portOpen);
    EXPECT_FALSE(rig.window->timer1()->isActive());
    EXPECT_TRUE(rig.statusLine().startsWith("Link lost: " + kDemo + " went away at ")) << rig.statusLine().toStdString();
    EXPECT_TRUE(rig.area().contains("link lost")) << rig.area().toStdString();
    EXPECT_TRUE(rig.staleShown());
    EXPECT_TRUE(rig.prompts.messages.empty()) << "no message box for a pulled cable";
    auto* panel = rig.window->findChild<LinkStatusPanel*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->replugWatching());
    EXPECT_TRUE(panel->replugNotified()) << "the system tells of changes in the name's folder";
    EXPECT_FALSE(rig.window->findChild<QTimer*>("TimerReplug")->isActive()) << "no timer meanwhile";

    // Nothing goes out any more.
    const int sent = rig.line.transmits;
    rig.ticks(40);
    EXPECT_EQ(rig.line.transmits, sent);

    // The adapter's name comes back in the folder: told so, the watch
    // searches at once and finds the controller.
    rig.line.pulled = false;
    std::ofstream(sim::kDemoPortName).put('x');
    for (int i = 0; i < 5 && !rig.context.state.connected; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_FALSE(panel->replugWatching());
    EXPECT_FALSE(panel->replugNotified());
}

TEST(LinkHealthWindow, AnAdapterPulledDuringTheConnectionsReadIsALostLinkWatchedForItsReturn)
{
    HealthRig rig;
    sim::FaultSet faults;
    std::string error;
    ASSERT_TRUE(faults.add("pull=4", error)) << error; // two identify requests, page 1, then gone
    rig.model.setFaults(faults);
    rig.window->AutoConnect1Click();

    EXPECT_FALSE(rig.context.state.connected);
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_NE(rig.prompts.messages[0].find("stopped at page 2 of 4: the line to the controller was lost"),
              std::string::npos)
        << rig.prompts.messages[0];
    EXPECT_TRUE(rig.statusLine().startsWith("Link lost: " + kDemo + " went away at ")) << rig.statusLine().toStdString();
    EXPECT_TRUE(rig.area().contains("link lost")) << rig.area().toStdString();
    auto* panel = rig.window->findChild<LinkStatusPanel*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->replugWatching());
}

TEST(LinkHealthWindow, HeldPollingAndAFailedSearchAfterAHangUpLookStaleUntilAFreshFrame)
{
    HealthRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(6);
    auto* panel = rig.window->findChild<LinkStatusPanel*>();
    ASSERT_NE(panel, nullptr);
    auto* notice = rig.control<QLabel>("LabelNoDataSince");
    // The connection's full read left the progress bar full; with nothing
    // running it empties after a moment, not at once, and the watch that
    // empties it then sleeps.
    auto* progress = rig.control<QProgressBar>("ProgressBar1");
    ASSERT_GT(progress->value(), 0);
    EXPECT_TRUE(panel->pauseWatching());
    panel->watchPause();
    rig.clock.advance(LinkStatusPanel::kProgressLingerMs - 1);
    panel->watchPause();
    EXPECT_GT(progress->value(), 0);
    EXPECT_TRUE(panel->pauseWatching());
    rig.clock.advance(1);
    panel->watchPause();
    EXPECT_EQ(progress->value(), 0);
    EXPECT_FALSE(panel->pauseWatching()) << "polling runs and nothing lingers: no timer";
    rig.ticks(4);
    EXPECT_FALSE(panel->pauseWatching()) << "ticks that poll do not wake it";
    {
        // The tool holds the ticks off (a box open, an upgrade running):
        // the pause watch gives the dashboard its stale look and the reason.
        BusyScope held(rig.context.busy);
        for (int i = 0; i < 30; ++i) {
            rig.clock.advance(50);
            rig.window->Timer1Timer();
            EXPECT_TRUE(panel->pauseWatching());
            panel->watchPause();
        }
        EXPECT_TRUE(rig.staleShown());
        EXPECT_TRUE(notice->text().endsWith("\npolling paused while the tool works")) << notice->text().toStdString();
        EXPECT_TRUE(panel->pauseWatching()) << "still held";
    }
    panel->watchPause();
    EXPECT_FALSE(panel->pauseWatching()) << "the hold lifted";
    rig.ticks(4);
    EXPECT_FALSE(rig.staleShown()) << "a fresh frame brings the normal look back";

    // The adapter is pulled; F10 finds nothing: the old values stay stale.
    DashboardPanel& dash = rig.window->dashboard();
    EXPECT_FALSE(dash.savingLamp()->isHeld());
    rig.line.pulled = true;
    rig.ticks(2);
    EXPECT_TRUE(rig.staleShown());
    // Nothing flashes under the cover.
    EXPECT_TRUE(dash.savingLamp()->isHeld());
    EXPECT_TRUE(dash.memoryErrorLamp()->isHeld());
    EXPECT_TRUE(dash.lamp(Lamp::FatalErr2)->isHeld());
    EXPECT_TRUE(notice->text().endsWith("\nlink lost")) << notice->text().toStdString();
    rig.window->AutoConnect1Click();
    ASSERT_FALSE(rig.context.state.connected);
    EXPECT_TRUE(rig.staleShown());
    EXPECT_TRUE(notice->text().endsWith("\nno controller found")) << notice->text().toStdString();
    // Plugged in again and found: stale until its first frame.
    rig.line.pulled = false;
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    EXPECT_TRUE(rig.staleShown());
    rig.ticks(2);
    EXPECT_FALSE(rig.staleShown());
    EXPECT_FALSE(dash.savingLamp()->isHeld());
    EXPECT_FALSE(dash.lamp(Lamp::Pump1)->isHeld());
}

TEST(LinkHealthWindow, AnEditWhileTheLinkIsDownIsRefusedWithAMessage)
{
    HealthRig rig;
    rig.window->AutoConnect1Click();
    rig.ticks(4);
    rig.line.pulled = true;
    rig.ticks(2);
    ASSERT_FALSE(rig.context.state.connected);
    const int sent = rig.line.transmits;

    auto* edit = rig.control<QLineEdit>("EditGeneralDelay");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "7");
    QTest::keyClick(edit, Qt::Key_Return);

    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], kMsgEditRefused);
    EXPECT_EQ(rig.line.transmits, sent);
}

TEST(LinkHealthWindow, ASearchThatFindsNothingNamesThePortsTriedAndDropsTheOldBanner)
{
    HealthRig rig;
    const QString idle = rig.window->windowTitle();
    rig.window->AutoConnect1Click();
    ASSERT_NE(rig.window->windowTitle(), idle);

    rig.silent(true);
    rig.window->AutoConnect1Click(); // F10
    EXPECT_FALSE(rig.context.state.connected);
    EXPECT_EQ(rig.statusLine(), "No controller answered on: " + kDemo);
    EXPECT_EQ(rig.window->windowTitle(), idle);
    EXPECT_TRUE(rig.area().contains("not found")) << rig.area().toStdString();
}

TEST(LinkHealthWindow, ARefusedControllerDropsTheOldBannerToo)
{
    HealthRig rig;
    const QString idle = rig.window->windowTitle();
    rig.window->AutoConnect1Click();
    ASSERT_NE(rig.window->windowTitle(), idle);

    sim::FaultSet newer;
    newer.softwareVersion = 5;
    rig.model.setFaults(newer);
    rig.window->AutoConnect1Click();
    EXPECT_FALSE(rig.context.state.connected);
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], "Software need update.");
    EXPECT_EQ(rig.window->windowTitle(), idle);
    EXPECT_TRUE(rig.area().contains("not found")) << rig.area().toStdString();
}

TEST(LinkHealthWindow, TrafficViewShowsTheConnectionAndFiftyStatusCyclesInOrderAndExportsThem)
{
    HealthRig rig;
    auto* traffic = rig.window->findChild<TrafficWindow*>("FormTraffic");
    ASSERT_NE(traffic, nullptr);
    EXPECT_FALSE(rig.context.capture.recording()) << "off by default";
    rig.control<QAction>("TrafficView1")->trigger();
    EXPECT_TRUE(rig.context.capture.recording());

    rig.window->AutoConnect1Click();
    const auto connectFrames = rig.context.capture.total();
    rig.ticks(100); // 50 status cycles
    traffic->refresh();
    const auto& records = traffic->records();
    ASSERT_GE(records.size(), connectFrames + 100);

    // The connection: identify, then the four pages, before any status.
    std::vector<std::string> pcKinds;
    for (const auto& r : records)
        if (r.sender == TrafficRecord::Sender::Pc && (pcKinds.empty() || pcKinds.back() != r.kind))
            pcKinds.push_back(r.kind);
    ASSERT_GE(pcKinds.size(), 3u);
    EXPECT_EQ(pcKinds[0], "identify");
    EXPECT_EQ(pcKinds[1], "page");
    EXPECT_EQ(pcKinds.back(), "status");
    // Every status request of the 50 cycles followed by its answer.
    int requests = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].sender != TrafficRecord::Sender::Pc || records[i].kind != "status")
            continue;
        ++requests;
        ASSERT_LT(i + 1, records.size());
        EXPECT_EQ(records[i + 1].sender, TrafficRecord::Sender::Ecu);
        EXPECT_EQ(records[i + 1].kind, "status");
        EXPECT_EQ(records[i + 1].bytes.size(), wire::kStatusResponseLen);
    }
    EXPECT_EQ(requests, 50);
    EXPECT_EQ(rig.control<QPlainTextEdit>("MemoTraffic")->blockCount(), static_cast<int>(records.size()));

    const std::string path = rig.scratch.path + "/traffic.txt";
    std::string error;
    ASSERT_TRUE(traffic->exportTo(QString::fromStdString(path), error)) << error;
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    // A header says where the frames come from; every other line reads back.
    for (const char* part : {"# kdx traffic\n# exported: ", "\n# program: kdx ", "\n# port: " , "\n# controller: hardware "})
        EXPECT_NE(text.str().find(part), std::string::npos) << part << "\n" << text.str().substr(0, 400);
    const std::vector<TrafficRecord> back = readTrafficExport(text.str());
    EXPECT_EQ(back, std::vector<TrafficRecord>(records.begin(), records.end()));

    // Closed: recording stops and nothing is kept.
    traffic->close();
    EXPECT_FALSE(rig.context.capture.recording());
    const auto total = rig.context.capture.total();
    rig.ticks(10);
    EXPECT_EQ(rig.context.capture.total(), total);
}

TEST(LinkHealthWindow, DiagnosePortsListsTheSystemsSerialDevicesInTheWindowsLanguage)
{
    HealthRig rig;
    rig.control<QAction>("DiagnosePorts1")->trigger();
    auto* form = rig.control<QWidget>("FormPortDoctor");
    EXPECT_TRUE(form->isVisible());
    auto* memo = rig.control<QTextEdit>("MemoPortDoctor");
    QString text = memo->toPlainText();
    EXPECT_TRUE(text.contains("ModemManager: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("your groups:  ")) << text.toStdString();
    // Open while another language is chosen: the report follows at once.
    rig.control<QAction>("German1")->trigger();
    text = memo->toPlainText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("ModemManager: läuft"))) << text.toStdString();
    EXPECT_TRUE(text.contains("Ihre Gruppen: ")) << text.toStdString();
    EXPECT_FALSE(text.contains("your groups")) << text.toStdString();
    form->close();
}
