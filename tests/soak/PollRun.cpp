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
    std::map<std::string, uint64_t> events; // by event type and receiver's class
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const QString name = watched->objectName();
            ++paints[(name.isEmpty() ? QString::fromLatin1(watched->metaObject()->className()) : name).toStdString()];
        }
        ++events[std::to_string(static_cast<int>(event->type())) + "@" + watched->metaObject()->className()];
        return false;
    }
};

// The largest counts of a tally, per second.
void printTop(const char* title, const std::map<std::string, uint64_t>& counts, double seconds, size_t shown)
{
    std::vector<std::pair<uint64_t, std::string>> byCount;
    uint64_t all = 0;
    for (const auto& [name, n] : counts) {
        byCount.push_back({n, name});
        all += n;
    }
    std::sort(byCount.rbegin(), byCount.rend());
    std::printf("%s=%.1f", title, static_cast<double>(all) / seconds);
    for (size_t i = 0; i < byCount.size() && i < shown; ++i)
        std::printf(" %s:%.1f", byCount[i].second.c_str(), static_cast<double>(byCount[i].first) / seconds);
    std::printf("\n");
}

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
        // CPU first, with nothing of the bench's own watching every event.
        const uint64_t frames0 = ticks.validFrames();
        const uint64_t checks0 = rig.line.counts().inputChecks;
        const uint64_t sleeps0 = processSleeps();
        const double cpu0 = processCpuMs(), wall0 = nowMs();
        runFor(o.seconds * 1000);
        const double wallMs = nowMs() - wall0;
        const double cpu = 100.0 * (processCpuMs() - cpu0) / wallMs;
        const double wakeups = static_cast<double>(processSleeps() - sleeps0) * 1000.0 / wallMs;
        const StatusPoller& poller = rig.context.session.poller();
        const uint64_t frames = ticks.validFrames() - frames0;
        const double checks = static_cast<double>(rig.line.counts().inputChecks - checks0);
        std::printf("cpu-percent=%.3f wakeups-per-second=%.1f frames=%llu input-checks-per-frame=%.2f lost=%u bad=%u "
                    "crc=%u\n",
                    cpu, wakeups,
                    static_cast<unsigned long long>(frames), frames ? checks / static_cast<double>(frames) : 0.0,
                    poller.lostPacketCount(),
                    poller.badPacketCount(), poller.crcErrorCount());
        // Then a few seconds of what is painted and which events the window
        // handles, by widget and by event type (number@class).
        const int tallyS = std::max(1, std::min(5, o.seconds / 4));
        PaintTally tally;
        qApp->installEventFilter(&tally);
        runFor(tallyS * 1000);
        qApp->removeEventFilter(&tally);
        printTop("paints-per-second", tally.paints, tallyS, 8);
        printTop("events-per-second", tally.events, tallyS, 12);
        if (o.charts)
            clickButton(rig.window(), "ButtonChartsRecord");
    }
    sim.stop();
    std::fflush(stdout);
    return status;
}

} // namespace kdx::drive
