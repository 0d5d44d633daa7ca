// The "charts" page on virtual time against the built-in simulated
// controller: its curves, time axis, recording and review of a recording.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "app/AppController.h"
#include "app/ChartsPage.h"
#include "live/StatusCsv.h"
#include "live/StatusRecorder.h"
#include "live/Tone.h"
#include "sim/ControllerModel.h"
#include "sim/SimulatedLine.h"

#include <QDateTimeAxis>
#include <QLabel>
#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QValueAxis>
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
        : demo(model, clock), context(demo, clock, prompts, discovery, demoOptions()),
          controller(context, tone, {KDX_SOURCE_DIR})
    {
        appForTests();
        QLocale::setDefault(QLocale::c());
        window = std::make_unique<MainWindow>(context, controller.hooks());
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
    AppController controller;
    std::unique_ptr<MainWindow> window;
    ChartsGlue* glue = nullptr;
};

// The distinct times of a curve in order; fails when they go back.
std::vector<int64_t> curveTimes(QLineSeries* series)
{
    std::vector<int64_t> times;
    for (const QPointF& p : series->points()) {
        const auto t = static_cast<int64_t>(p.x());
        if (!times.empty() && t < times.back())
            ADD_FAILURE() << series->objectName().toStdString() << " goes back in time";
        if (times.empty() || t != times.back())
            times.push_back(t);
    }
    return times;
}

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

} // namespace

TEST(ChartsPage, PlotsStayAlignedWhenAScaleGrows)
{
    ChartsRig rig;
    ASSERT_NE(rig.glue, nullptr);
    rig.connectAndShowCharts();
    QCoreApplication::processEvents();
    rig.glue->refresh(); // engine stopped: the speed scale reads "0"
    rig.ticks(600);      // the demo engine runs up to thousands of rpm
    rig.glue->refresh();
    auto* speed = rig.control<QChartView>("ChartViewEngineSpeed");
    const auto* axis = qobject_cast<QValueAxis*>(speed->chart()->axes(Qt::Vertical).value(0));
    ASSERT_NE(axis, nullptr);
    ASSERT_GE(axis->max(), 1000);
    // One time axis: every strip's plot starts and ends at the same x.
    const QRectF first = speed->chart()->plotArea();
    EXPECT_GT(first.width(), 100);
    for (const char* name : {"ChartViewClimate", "ChartViewVoltage", "ChartViewCurrent", "ChartViewStates"}) {
        const QRectF area = rig.control<QChartView>(name)->chart()->plotArea();
        EXPECT_DOUBLE_EQ(area.left(), first.left()) << name;
        EXPECT_DOUBLE_EQ(area.right(), first.right()) << name;
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
    for (int c = ChartsGlue::EngineSpeed; c <= ChartsGlue::Pump2Current; ++c) {
        QLineSeries* curve = rig.glue->curve(static_cast<ChartsGlue::Curve>(c));
        EXPECT_EQ(curveTimes(curve), frameTimes) << curve->objectName().toStdString();
    }
    // The on/off lanes are drawn from their corners; read at each frame's
    // time they give that frame's state.
    const Switch lanes[] = {Switch::Ignition, Switch::Pump1, Switch::Pump2, Switch::Ioniser1, Switch::Ioniser2};
    int changes = 0;
    for (int k = 0; k < 5; ++k) {
        const auto points = rig.glue->curve(static_cast<ChartsGlue::Curve>(ChartsGlue::IgnitionLane + k))->points();
        ASSERT_GE(points.size(), 2);
        EXPECT_EQ(static_cast<int64_t>(points.front().x()), frameTimes.front());
        EXPECT_EQ(static_cast<int64_t>(points.back().x()), frameTimes.back());
        changes += static_cast<int>(points.size()) / 2 - 1;
        qsizetype p = 0;
        for (size_t i = 0; i < h.size(); ++i) {
            while (p + 1 < points.size() && points[p + 1].x() <= static_cast<double>(frameTimes[i]))
                ++p;
            const bool on = points[p].y() - std::floor(points[p].y()) > 0.5;
            EXPECT_EQ(on, h.at(i).on(lanes[k])) << "lane " << k << " frame " << i;
        }
    }
    EXPECT_GT(changes, 0) << "some lane must switch within a minute of driving";
    for (size_t s = 0; s < 5; ++s)
        EXPECT_EQ(axisSpanMs(rig.glue->timeRange(s)), 120000); // the page opens on two minutes
    EXPECT_EQ(rig.glue->timeRange(4).second, rig.glue->utcNow());

    // The frames more than a minute old leave a one-minute view...
    setSpan(rig, 1);
    EXPECT_EQ(axisSpanMs(rig.glue->timeRange(0)), 60000);
    const int64_t from = rig.glue->utcNow() - 60000;
    std::vector<int64_t> lastMinute;
    for (int64_t t : frameTimes)
        if (t >= from)
            lastMinute.push_back(t);
    ASSERT_LT(lastMinute.size(), 600u); // frames come a little slower than 10 a second on virtual time
    for (int c = ChartsGlue::EngineSpeed; c <= ChartsGlue::Pump2Current; ++c)
        EXPECT_EQ(curveTimes(rig.glue->curve(static_cast<ChartsGlue::Curve>(c))), lastMinute);
    EXPECT_EQ(static_cast<int64_t>(rig.glue->curve(ChartsGlue::LinkLane)->points().front().x()), lastMinute.front());
    // ... and a longer span brings them back.
    rig.ticks(200);
    setSpan(rig, 3);
    EXPECT_EQ(axisSpanMs(rig.glue->timeRange(0)), 180000);
    EXPECT_EQ(curveTimes(rig.glue->curve(ChartsGlue::Pump2Current)).size(), 700u);
}

TEST(ChartsPage, TheChartsAreLeftAloneWhileThePageIsHidden)
{
    ChartsRig rig;
    rig.connectAndShowCharts();
    rig.clickTab("TabSheetPar");
    rig.ticks(100);
    EXPECT_EQ(rig.glue->liveHistory().size(), 50u); // the history still fills
    EXPECT_EQ(rig.glue->curve(ChartsGlue::EngineSpeed)->count(), 0);
    rig.clickTab("TabSheetCharts"); // shown again: drawn at once
    EXPECT_EQ(rig.glue->curve(ChartsGlue::EngineSpeed)->count(), 50);
    rig.ticks(40);
    // Redrawn about once a second on a two-minute span while on screen.
    EXPECT_GE(rig.glue->curve(ChartsGlue::EngineSpeed)->count(), 60);
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
    QTest::mouseClick(record, Qt::LeftButton);
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
    EXPECT_EQ(curveTimes(rig.glue->curve(ChartsGlue::Temperature)).size(), 50u);
    EXPECT_EQ(rig.glue->timeRange(0).first, back.samples.front().utcMs);
    rig.glue->showCursor(back.samples[10].utcMs + 20);
    const QString readout = rig.control<QLabel>("LabelChartsCursor")->text();
    EXPECT_TRUE(readout.contains("engine speed ")) << readout.toStdString();
    EXPECT_TRUE(readout.contains(" rpm, humidity ")) << readout.toStdString();
    QTest::mouseClick(rig.control<QPushButton>("ButtonChartsLive"), Qt::LeftButton);
    EXPECT_FALSE(rig.glue->reviewing());
    EXPECT_TRUE(rig.prompts.messages.empty());
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
