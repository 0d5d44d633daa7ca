#include "PollRun.h"

#include "RunStats.h"
#include "SimProcess.h"
#include "TickObserver.h"
#include "ToolRig.h"
#include "app/ChartsPage.h"

#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace kdx::drive {

int runPoll(const PollOptions& o)
{
    SimProcess sim;
    std::string port = o.workDir + "/no-such-adapter";
    if (!o.simProgram.empty()) {
        std::string error;
        if (!sim.start(o.simProgram, {}, error)) {
            std::fprintf(stderr, "poll: %s\n", error.c_str());
            return 2;
        }
        port = sim.ptyPath();
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
        const uint64_t frames0 = ticks.validFrames();
        const double cpu0 = processCpuMs(), wall0 = nowMs();
        runFor(o.seconds * 1000);
        const double cpu = 100.0 * (processCpuMs() - cpu0) / (nowMs() - wall0);
        std::printf("cpu-percent=%.3f frames=%llu\n", cpu,
                    static_cast<unsigned long long>(ticks.validFrames() - frames0));
        if (o.charts)
            clickButton(rig.window(), "ButtonChartsRecord");
    }
    sim.stop();
    std::fflush(stdout);
    return status;
}

} // namespace kdx::drive
