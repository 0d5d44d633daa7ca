// The "charts" page on virtual time against the built-in simulated
// controller: its curves, time axis, recording and review of a recording.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "app/ChartsPage.h"
#include "live/StatusCsv.h"
#include "live/StatusRecorder.h"
#include "live/Tone.h"
#include "sim/ControllerModel.h"
#include "sim/SimulatedLine.h"

#include "app/StripChart.h"

#include <QLabel>
#include <QCoreApplication>
#include <QScrollArea>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QDateTime>
#include <QScrollBar>
#include <iostream>

#include <cmath>
#include <csignal>
#include <ctime>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

struct ChartsRig {
    ChartsRig()
        : demo(model, clock), context(demo, clock, prompts, discovery, demoOptions())
    {
        appForTests();
        QLocale::setDefault(QLocale::c());
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
        glue = ChartsGlue::of(*window);
    }
    void ticks(int n) { runTicks(clock, *window, n); }
    // Brings the page up as a technician does: a click on its tab.
    void clickTab(const char* page)
    {
        QTabWidget* pages = window->pageControl();
        const int index = pages->indexOf(findControl<QWidget>(*window, page));
        QTabBar* bar = pages->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    void connectAndShowCharts()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->AutoConnect1Click();
        ASSERT_TRUE(context.state.connected);
        clickTab("TabSheetCharts");
        ASSERT_TRUE(findControl<QWidget>(*window, "TabSheetCharts")->isVisible());
    }
    template <typename T>
    T* control(const char* name) { return findControl<T>(*window, name); }

    ScratchDirectory scratch{"kdx-charts"};
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
    ChartsGlue* glue = nullptr;
};

// The distinct times of a curve in order, over all its pieces; fails when they go back.
std::vector<int64_t> curveTimes(const ChartsGlue& glue, Channel c)
{
    std::vector<int64_t> times;
    for (const auto& segment : glue.chart().trace().curves[static_cast<size_t>(c)])
        for (const auto& p : segment) {
            if (!times.empty() && p.utcMs < times.back())
                ADD_FAILURE() << "channel " << static_cast<int>(c) << " goes back in time";
            if (times.empty() || p.utcMs != times.back())
                times.push_back(p.utcMs);
        }
    return times;
}

const Channel kCharted[] = {Channel::EngineSpeed,   Channel::Humidity,   Channel::Temperature,
                            Channel::SupplyVoltage, Channel::WaterLevel, Channel::Pump1Current,
                            Channel::Pump2Current};

int64_t axisSpanMs(const std::pair<int64_t, int64_t>& range) { return range.second - range.first; }


void setSpan(ChartsRig& rig, int minutes)
{
    auto* spin = rig.control<QSpinBox>("SpinBoxChartsSpan");
    spin->setFocus();
    while (spin->value() < minutes)
        QTest::keyClick(spin, Qt::Key_Up);
    while (spin->value() > minutes)
        QTest::keyClick(spin, Qt::Key_Down);
}

// Every strip's plot spans the same x range and fits the chart widget, whose
// size the scroll area gives it; every label is whole and inside the widget.
void expectSoundLayout(const StripChart& chart, const std::string& when)
{
    SCOPED_TRACE(when);
    const QRect first = chart.plotArea(0);
    EXPECT_GT(first.width(), 100);
    int previousBottom = -1;
    for (size_t s = 0; s < chart.stripCount(); ++s) {
        const QRect area = chart.plotArea(s);
        EXPECT_EQ(area.left(), first.left()) << "strip " << s;
        EXPECT_EQ(area.right(), first.right()) << "strip " << s;
        EXPECT_TRUE(chart.rect().contains(area)) << "strip " << s << " leaves the widget";
        EXPECT_GT(area.top(), previousBottom) << "strip " << s << " overlaps the one above";
        EXPECT_GE(area.height(), 3 * chart.fontMetrics().height()) << "strip " << s;
        previousBottom = area.bottom();
    }
    // The extra height is used: the last strip's time labels end near the foot.
    EXPECT_GE(previousBottom, chart.height() - 2 * chart.fontMetrics().height() - 8);
    // The right edge of the plots follows the widget's width.
    EXPECT_GE(first.right(), chart.width() - chart.fontMetrics().horizontalAdvance("00:00:00"));
    size_t valueLabels = 0;
    for (const auto& l : chart.labels()) {
        EXPECT_GE(l.box.width(), l.needed) << "\"" << l.text.toStdString() << "\" is cut";
        EXPECT_GE(l.box.left(), 0) << l.text.toStdString();
        EXPECT_LE(l.box.right(), chart.width()) << l.text.toStdString();
        EXPECT_FALSE(l.text.contains(QChar(0x2026)));
        valueLabels += l.box.right() < first.left() ? 1 : 0;
    }
    // At least three labels on each value axis, six lane names.
    EXPECT_GE(valueLabels, 4 * 3 + 6u);
    for (size_t s = 0; s + 1 < chart.stripCount(); ++s) {
        const auto axis = chart.valueAxis(s);
        EXPECT_GE(std::lround((axis.hi - axis.lo) / axis.step) + 1, 3) << "strip " << s;
    }
}

} // namespace

TEST(ChartsPage, PlotsFitTheirWidgetAtEverySizeAndShareOneTimeAxis)
{
    ChartsRig rig;
    ASSERT_NE(rig.glue, nullptr);
    rig.window->resize(1016, 669);
    rig.connectAndShowCharts();
    rig.ticks(600); // the demo engine runs up to thousands of rpm
    StripChart& chart = rig.glue->chart();
    expectSoundLayout(chart, "default size");
    const QRect before = chart.plotArea(0);
    // Bigger, smaller, and bigger again while another page is on top: each
    // time the plots follow the widget.
    rig.window->resize(1600, 1000);
    QCoreApplication::processEvents();
    expectSoundLayout(chart, "1600x1000");
    EXPECT_GT(chart.plotArea(0).width(), before.width() + 400);
    EXPECT_GT(chart.plotArea(4).height(), before.height());
    rig.window->resize(800, 560);
    QCoreApplication::processEvents();
    expectSoundLayout(chart, "800x560");
    rig.clickTab("TabSheetPar");
    rig.window->resize(1900, 1040);
    QCoreApplication::processEvents();
    rig.clickTab("TabSheetCharts");
    QCoreApplication::processEvents();
    expectSoundLayout(chart, "maximised elsewhere");
    EXPECT_GT(chart.plotArea(0).width(), 1100);
    // Below the strips' useful minimum the page scrolls instead.
    auto* scroll = rig.control<QScrollArea>("ScrollAreaCharts");
    EXPECT_GE(chart.height(), chart.minimumSizeHint().height());
    rig.window->resize(800, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(chart.height(), chart.minimumSizeHint().height());
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    expectSoundLayout(chart, "800x400");
}

TEST(ChartsPage, TimeTicksFallOnRoundTimesAndStayPut)
{
    ChartsRig rig;
    rig.connectAndShowCharts();
    rig.ticks(400);
    rig.glue->refresh();
    StripChart& chart = rig.glue->chart();
    const auto first = chart.timeTicks();
    ASSERT_GE(first.size(), 3u);
    const int64_t step = first[1] - first[0];
    EXPECT_EQ(step % 1000, 0);
    const int64_t offset = QDateTime::fromMSecsSinceEpoch(first[0]).offsetFromUtc() * int64_t{1000};
    for (int64_t t : first)
        EXPECT_EQ((t + offset) % step, 0) << t;
    rig.ticks(20); // a second later: the same ticks, less any that left the range
    rig.glue->refresh();
    const auto later = chart.timeTicks();
    for (int64_t t : later) {
        if (t <= first.back()) {
            EXPECT_NE(std::find(first.begin(), first.end(), t), first.end()) << t;
        }
    }
    // The grid lines meet their labels: each tick's label is centred on it.
    for (const auto& l : chart.labels()) {
        if (l.box.top() > chart.plotArea(4).bottom()) {
            const auto it = std::find_if(later.begin(), later.end(),
                                         [&](int64_t t) { return std::abs(chart.xOf(t) - l.box.center().x()) <= 1; });
            EXPECT_NE(it, later.end()) << l.text.toStdString();
        }
    }
}

TEST(ChartsPage, SixHundredFramesGiveSixHundredPointsPerCurveAndTheSpanFollowsTheSetting)
{
    ChartsRig rig;
    ASSERT_NE(rig.glue, nullptr);
    rig.connectAndShowCharts();
    rig.ticks(1200); // 600 status frames
    const SampleHistory& h = rig.glue->liveHistory();
    ASSERT_EQ(h.size(), 600u);
    rig.glue->refresh();

    std::vector<int64_t> frameTimes;
    for (size_t i = 0; i < h.size(); ++i)
        frameTimes.push_back(h.at(i).utcMs);
    for (Channel c : kCharted)
        EXPECT_EQ(curveTimes(*rig.glue, c), frameTimes) << static_cast<int>(c);
    const ChartTrace& trace = rig.glue->chart().trace();
    EXPECT_TRUE(trace.gaps.empty());
    ASSERT_EQ(trace.link.size(), 1u);
    EXPECT_EQ(trace.link[0].fromMs, frameTimes.front());
    EXPECT_EQ(trace.link[0].toMs, frameTimes.back());
    // Each lane is on over exactly the frames that say so.
    int changes = 0;
    for (size_t k = 0; k < 5; ++k) {
        const auto& spans = trace.on[k];
        changes += static_cast<int>(spans.size());
        for (size_t i = 0; i + 1 < h.size(); ++i) {
            const int64_t mid = (frameTimes[i] + frameTimes[i + 1]) / 2;
            const bool drawnOn = std::any_of(spans.begin(), spans.end(),
                                             [&](const ChartTrace::Span& sp) { return sp.fromMs <= mid && mid < sp.toMs; });
            EXPECT_EQ(drawnOn, h.at(i).on(static_cast<Switch>(k))) << "lane " << k << " frame " << i;
        }
    }
    EXPECT_GT(changes, 0) << "some lane must switch within a minute of driving";
    EXPECT_EQ(axisSpanMs(rig.glue->timeRange()), 120000); // the page opens on two minutes
    EXPECT_EQ(rig.glue->timeRange().second, rig.glue->utcNow());

    // The frames more than a minute old leave a one-minute view...
    setSpan(rig, 1);
    EXPECT_EQ(axisSpanMs(rig.glue->timeRange()), 60000);
    const int64_t from = rig.glue->utcNow() - 60000;
    std::vector<int64_t> lastMinute;
    for (int64_t t : frameTimes)
        if (t >= from)
            lastMinute.push_back(t);
    ASSERT_LT(lastMinute.size(), 600u); // frames come a little slower than 10 a second on virtual time
    for (Channel c : kCharted)
        EXPECT_EQ(curveTimes(*rig.glue, c), lastMinute);
    EXPECT_EQ(rig.glue->chart().trace().link.front().fromMs, lastMinute.front());
    // ... and a longer span brings them back.
    rig.ticks(200);
    setSpan(rig, 3);
    EXPECT_EQ(axisSpanMs(rig.glue->timeRange()), 180000);
    EXPECT_EQ(curveTimes(*rig.glue, Channel::Pump2Current).size(), 700u);
}

TEST(ChartsPage, TheChartsAreLeftAloneWhileThePageIsHidden)
{
    ChartsRig rig;
    rig.connectAndShowCharts();
    rig.clickTab("TabSheetPar");
    rig.ticks(100);
    EXPECT_EQ(rig.glue->liveHistory().size(), 50u); // the history still fills
    EXPECT_EQ(curveTimes(*rig.glue, Channel::EngineSpeed).size(), 0u);
    rig.clickTab("TabSheetCharts"); // shown again: drawn at once
    EXPECT_EQ(curveTimes(*rig.glue, Channel::EngineSpeed).size(), 50u);
    rig.ticks(40);
    // Redrawn about once a second on a two-minute span while on screen.
    EXPECT_GE(curveTimes(*rig.glue, Channel::EngineSpeed).size(), 60u);
}

TEST(ChartsPage, RecordWritesEveryFrameAndTheFileOpensForReview)
{
    ChartsRig rig;
    rig.connectAndShowCharts();
    rig.ticks(2); // the first frame names the controller
    auto* record = rig.control<QPushButton>("ButtonChartsRecord");
    QTest::mouseClick(record, Qt::LeftButton);
    ASSERT_TRUE(rig.glue->recorder().recording()) << rig.control<QLabel>("LabelChartsRecording")->text().toStdString();
    EXPECT_EQ(record->text(), "stop");
    const std::string path = rig.glue->recorder().path();
    EXPECT_EQ(path.rfind(rig.scratch.path + "/recordings/KDX_0001E240_", 0), 0u) << path;
    rig.ticks(100);
    // On every page the status bar shows that a recording runs.
    rig.clickTab("TabSheetPar");
    auto* indicator = rig.control<QLabel>("LabelRecordingState");
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(indicator->text(), QString::fromUtf8("\u25CF REC 00:00:05  \u00b7  50 rows"));
    rig.clickTab("TabSheetCharts");
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_FALSE(rig.glue->recorder().recording());
    EXPECT_EQ(rig.glue->recorder().rows(), 50u);
    EXPECT_EQ(record->text(), "record");

    const auto back = StatusCsv::readFile(path);
    ASSERT_TRUE(back.ok()) << back.error;
    ASSERT_EQ(back.samples.size(), 50u);
    EXPECT_EQ(back.gaps, 0u);
    for (size_t i = 1; i < back.samples.size(); ++i)
        EXPECT_GE(back.samples[i].utcMs - back.samples[i - 1].utcMs, 100);

    // Review without the controller: the charts show the file.
    rig.window->FormClose();
    rig.context.state.connected = false;
    rig.glue->setFilePicker([&](const std::string& folder) -> std::optional<std::string> {
        EXPECT_EQ(folder, rig.scratch.path + "/recordings");
        return path;
    });
    QTest::mouseClick(rig.control<QPushButton>("ButtonChartsOpen"), Qt::LeftButton);
    EXPECT_TRUE(rig.glue->reviewing());
    EXPECT_TRUE(rig.control<QPushButton>("ButtonChartsLive")->isVisible());
    EXPECT_EQ(curveTimes(*rig.glue, Channel::Temperature).size(), 50u);
    EXPECT_EQ(rig.glue->timeRange().first, back.samples.front().utcMs);
    rig.glue->showCursor(back.samples[10].utcMs + 20);
    const QString readout = rig.control<QLabel>("LabelChartsCursor")->text();
    EXPECT_TRUE(readout.contains("engine speed ")) << readout.toStdString();
    EXPECT_TRUE(readout.contains(" rpm, humidity ")) << readout.toStdString();
    // Outside the recording the readout says nothing, and the pointer
    // leaving the chart clears it.
    rig.glue->showCursor(back.samples.back().utcMs + 60000);
    EXPECT_TRUE(rig.control<QLabel>("LabelChartsCursor")->text().isEmpty());
    rig.glue->showCursor(back.samples[10].utcMs);
    EXPECT_FALSE(rig.control<QLabel>("LabelChartsCursor")->text().isEmpty());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&rig.glue->chart(), &leave);
    EXPECT_TRUE(rig.control<QLabel>("LabelChartsCursor")->text().isEmpty());
    QTest::mouseClick(rig.control<QPushButton>("ButtonChartsLive"), Qt::LeftButton);
    EXPECT_FALSE(rig.glue->reviewing());
    EXPECT_TRUE(rig.prompts.messages.empty());
}

TEST(ChartsPage, APauseByTheToolAndALostLinkLeaveGapsNamedByTheirCause)
{
    ChartsRig rig;
    rig.connectAndShowCharts();
    rig.ticks(2);
    QTest::mouseClick(rig.control<QPushButton>("ButtonChartsRecord"), Qt::LeftButton);
    ASSERT_TRUE(rig.glue->recorder().recording());
    rig.ticks(40);
    {
        // A box held open for five seconds: the ticks are held off.
        BusyScope box(rig.context.busy);
        rig.ticks(100);
        // Meanwhile the charts move on and shade the pause as it grows.
        rig.glue->silenceTick();
        const auto& growing = rig.glue->chart().trace().gaps;
        ASSERT_FALSE(growing.empty());
        EXPECT_EQ(growing.back().cause, StatusSample::State::Paused);
        EXPECT_EQ(growing.back().toMs, rig.glue->utcNow());
    }
    rig.ticks(40);
    // The adapter goes away as the link panel sees it, and comes back.
    rig.context.gaps.linkLost();
    rig.context.link.closePort();
    rig.ticks(60);
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.ticks(40);
    rig.glue->refresh();

    const ChartTrace& trace = rig.glue->chart().trace();
    std::vector<StatusSample::State> longGaps;
    for (const auto& g : trace.gaps)
        if (g.toMs - g.fromMs > 1000)
            longGaps.push_back(g.cause);
    EXPECT_EQ(longGaps, (std::vector<StatusSample::State>{StatusSample::State::Paused, StatusSample::State::NoLink}));
    EXPECT_EQ(trace.curves[static_cast<size_t>(Channel::EngineSpeed)].size(), 3u) << "the curve breaks at both";

    QTest::mouseClick(rig.control<QPushButton>("ButtonChartsRecord"), Qt::LeftButton);
    const auto back = StatusCsv::readFile(rig.glue->recorder().path());
    ASSERT_TRUE(back.ok()) << back.error;
    size_t paused = 0, noLink = 0;
    for (const StatusSample& x : back.samples) {
        paused += x.state == StatusSample::State::Paused ? 1 : 0;
        noLink += x.state == StatusSample::State::NoLink ? 1 : 0;
    }
    EXPECT_EQ(paused, 1u);
    EXPECT_EQ(noLink, 1u);
}

TEST(ChartsPage, ABadFileIsRefusedWithTheLineAndTheReason)
{
    ChartsRig rig;
    const std::string path = rig.scratch.path + "/bad.csv";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs((StatusCsv::header() + "2026-12-08T12:50:00.100Z,ok,1,2\n").c_str(), f);
    std::fclose(f);
    EXPECT_FALSE(rig.glue->openRecording(path));
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], "Cannot show " + path + ": line 2: 4 fields, expected 19");
    EXPECT_FALSE(rig.glue->reviewing());
}

TEST(ChartsPage, RecordingNeedsAControllerAndAFailedWriteIsReported)
{
    ChartsRig rig;
    rig.window->show();
    auto* record = rig.control<QPushButton>("ButtonChartsRecord");
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_FALSE(rig.glue->recorder().recording());
    EXPECT_EQ(rig.control<QLabel>("LabelChartsRecording")->text(), "connect a controller to record its status");

    rig.window->AutoConnect1Click();
    rig.ticks(2);
    QTest::mouseClick(record, Qt::LeftButton);
    ASSERT_TRUE(rig.glue->recorder().recording());
    // The file may grow by a few more lines only, as on a nearly full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2000;
    ::setrlimit(RLIMIT_FSIZE, &small);
    rig.ticks(100);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(rig.glue->recorder().recording());
    EXPECT_EQ(record->text(), "record");
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], "Recording stopped: cannot write " + rig.glue->recorder().path()
                                           + ": File too large");
    EXPECT_TRUE(rig.control<QLabel>("LabelChartsRecording")->text().startsWith("recording stopped: cannot write"));
    // What was written before reads back, the line cut by the refused
    // write left out.
    const auto back = StatusCsv::readFile(rig.glue->recorder().path());
    EXPECT_TRUE(back.ok()) << back.error;
    EXPECT_GT(back.samples.size(), 5u);
    EXPECT_TRUE(back.cutShort);
}

TEST(ChartsPage, RecordingLinesSpeakTheChosenLanguage)
{
    ChartsRig rig;
    rig.window->German1Click();
    rig.window->show();
    auto* record = rig.control<QPushButton>("ButtonChartsRecord");
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(rig.control<QLabel>("LabelChartsRecording")->text(),
              QString::fromUtf8("ein Steuerger\xC3\xA4t verbinden, um seinen Status aufzuzeichnen"));
    const std::string path = rig.scratch.path + "/empty.csv";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(StatusCsv::header().c_str(), f);
    std::fclose(f);
    EXPECT_FALSE(rig.glue->openRecording(path));
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], path + " kann nicht angezeigt werden: keine Statuszeilen");
}

// CPU time of one redraw with two minutes of frames; run by hand.
TEST(ChartsPageCost, DISABLED_Measure)
{
    ChartsRig rig;
    rig.connectAndShowCharts();
    rig.ticks(2400);
    auto cpuMs = [] {
        timespec ts {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
    };
    const double t0 = cpuMs();
    for (int i = 0; i < 40; ++i)
        rig.glue->refresh();
    const double t1 = cpuMs();
    for (int i = 0; i < 40; ++i) {
        rig.glue->refresh();
        rig.control<QWidget>("TabSheetCharts")->grab();
    }
    const double t2 = cpuMs();
    std::cout << "[ measured ] refresh " << (t1 - t0) / 40 << " ms CPU, with painting " << (t2 - t1) / 40 << " ms\n";
}
