#include "PollRun.h"

#include "RunStats.h"
#include "SimProcess.h"
#include "TickObserver.h"
#include "ToolRig.h"
#include "app/ChartsPage.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <map>
#include <vector>

#include <cstdio>
#include <unistd.h>

namespace kdx::drive {

namespace {

// Counts the paint events of every widget by its object name (or its class).
class PaintTally : public QObject {
public:
    std::map<std::string, uint64_t> paints;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const QString name = watched->objectName();
            ++paints[(name.isEmpty() ? QString::fromLatin1(watched->metaObject()->className()) : name).toStdString()];
        }
        return false;
    }
};

} // namespace

int runPoll(const PollOptions& o)
{
    SimProcess sim;
    std::string port = o.workDir + "/no-such-adapter";
    if (!o.simProgram.empty()) {
        std::string error;
        // Unplugged, the tool watches the adapter's stable name for its
        // return, as it does a by-id link: kdx-sim's link stands for one.
        const std::string link = o.workDir + "/adapter";
        std::vector<std::string> args;
        if (o.unplug)
            args = {"--link", link};
        if (!sim.start(o.simProgram, args, error)) {
            std::fprintf(stderr, "poll: %s\n", error.c_str());
            return 2;
        }
        port = o.unplug ? link : sim.ptyPath();
    }
    int status = 0;
    {
        ToolRig rig(port);
        rig.window().show();
        (void)QTest::qWaitForWindowExposed(&rig.window(), 5000);
        TickObserver ticks(rig);
        clickButton(rig.window(), "ButtonAutoconnect");
        rig.prompts.messages.clear();
        if (!o.simProgram.empty() && !rig.connected()) {
            std::fprintf(stderr, "poll: the tool did not connect\n");
            status = 1;
        }
        if (o.charts) {
            if (ChartsGlue* charts = ChartsGlue::of(rig.window())) {
                rig.window().showPage(rig.window().findChild<QWidget*>(QStringLiteral("TabSheetCharts")));
                clickButton(rig.window(), "ButtonChartsRecord");
                if (!charts->recorder().recording())
                    status = 1;
            }
        }
        if (o.minimised)
            rig.window().showMinimized();
        runFor(2000); // the connection log's save goes out; caches warm
        if (o.unplug) {
            sim.stop();
            runFor(1500); // the tool notices the hang-up and starts watching for the adapter
        }
        PaintTally tally;
        qApp->installEventFilter(&tally);
        const uint64_t frames0 = ticks.validFrames();
        const uint64_t checks0 = rig.line.counts().inputChecks;
        const double cpu0 = processCpuMs(), wall0 = nowMs();
        runFor(o.seconds * 1000);
        const double cpu = 100.0 * (processCpuMs() - cpu0) / (nowMs() - wall0);
        const StatusPoller& poller = rig.context.session.poller();
        const uint64_t frames = ticks.validFrames() - frames0;
        const double checks = static_cast<double>(rig.line.counts().inputChecks - checks0);
        std::printf("cpu-percent=%.3f frames=%llu input-checks-per-frame=%.2f lost=%u bad=%u crc=%u\n", cpu,
                    static_cast<unsigned long long>(frames), frames ? checks / static_cast<double>(frames) : 0.0,
                    poller.lostPacketCount(),
                    poller.badPacketCount(), poller.crcErrorCount());
        qApp->removeEventFilter(&tally);
        std::vector<std::pair<uint64_t, std::string>> byCount;
        uint64_t allPaints = 0;
        for (const auto& [name, n] : tally.paints) {
            byCount.push_back({n, name});
            allPaints += n;
        }
        std::sort(byCount.rbegin(), byCount.rend());
        std::printf("paints-per-second=%.1f", static_cast<double>(allPaints) / o.seconds);
        for (size_t i = 0; i < byCount.size() && i < 8; ++i)
            std::printf(" %s:%.1f", byCount[i].second.c_str(), static_cast<double>(byCount[i].first) / o.seconds);
        std::printf("\n");
        if (o.charts)
            clickButton(rig.window(), "ButtonChartsRecord");
    }
    sim.stop();
    std::fflush(stdout);
    return status;
}

} // namespace kdx::drive
