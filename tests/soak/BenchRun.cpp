#include "BenchRun.h"
#include "../support/FindControl.h"

#include "ProtocolBudget.h"
#include "RunStats.h"
#include "SimProcess.h"
#include "SimReport.h"
#include "TickObserver.h"
#include "PauseLedger.h"
#include "ToolRig.h"
#include "app/ChartsPage.h"
#include "app/KdxApplication.h"
#include "live/StatusCsv.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <string>
#include <vector>

namespace kdx::drive {

namespace {

struct Row {
    std::string name;
    double measured = 0;
    double budget = 0;       // on the pseudo-terminal
    double serialBudget = 0; // the same steps on a serial line
    bool hasBudget = true;
};

// Where one step's time went: the pauses asked for, what they took beyond
// that (wake-up slack, the window's turn inside them) and the rest.
struct Split {
    std::string name;
    double measured = 0;
    PauseLedger::Totals pauses;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long long monotonicNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000ll + ts.tv_nsec;
}

} // namespace

int runStartup(long long t0Ns)
{
    ToolRig rig("");
    rig.window().show();
    const bool shown = QTest::qWaitForWindowExposed(&rig.window(), 5000);
    const double ms = static_cast<double>(monotonicNs() - t0Ns) / 1e6;
    std::printf("shown-ms=%.1f\n", shown ? ms : -1.0);
    return shown ? 0 : 1;
}

int runBench(const BenchOptions& o)
{
    std::vector<Row> rows;
    std::vector<Split> splits;
    std::vector<std::string> problems;

    // --- start to a shown window, in fresh processes ------------------------------
    std::vector<double> startups;
    for (int i = 0; i < o.startups; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const long long t0 = monotonicNs();
        child.start(QString::fromStdString(o.self), {QStringLiteral("startup"), QString::number(t0)});
        child.waitForFinished(20000);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const auto m = QRegularExpression(QStringLiteral("shown-ms=([0-9.]+)")).match(out);
        if (m.hasMatch())
            startups.push_back(m.captured(1).toDouble());
        else
            problems.push_back("a start-up run printed no time: " + out.toStdString());
    }

    const std::string eepromPath = o.workDir + "/bench-eeprom.bin";
    std::remove(eepromPath.c_str());
    SimProcess sim;
    std::string error;
    if (!sim.start(o.simProgram, {"--eeprom", eepromPath}, error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 2;
    }
    double cpuPercent = 0;
    double chartsCpuPercent = -1;
    long long chartsRssGrowthKb = 0;
    std::vector<double> periods;
    // The charts page records below the start directory: the scratch folder.
    char previousDir[4096];
    if (!::getcwd(previousDir, sizeof previousDir))
        previousDir[0] = '\0';
    if (::chdir(o.workDir.c_str()) != 0)
        problems.push_back("cannot enter " + o.workDir);
    {
        ToolRig rig(sim.ptyPath());
        rig.window().show();
        (void)QTest::qWaitForWindowExposed(&rig.window(), 5000);
        TickObserver ticks(rig);

        // --- connect plus full read ---------------------------------------------------
        // Each search after the first finds this PC in the connection log
        // and writes 3 frames; the first ones may shift the log (21 frames):
        // the budget follows the frames actually written.
        struct Connect {
            double ms, budget, serial;
            PauseLedger::Totals pauses;
        };
        std::vector<Connect> connects;
        for (int i = 0; i < o.connects; ++i) {
            const auto before = rig.line.counts();
            const auto ledger0 = rig.clock.totals();
            const double t = nowMs();
            clickButton(rig.window(), "ButtonAutoconnect");
            const double ms = nowMs() - t;
            const auto pauses = rig.clock.totals() - ledger0;
            const auto after = rig.line.counts();
            // The confirmation asked before the reset (answered OK) is expected.
            auto& boxes = rig.prompts.messages;
            boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                                       [](const std::string& m) { return m.rfind("RESET PARAMETERS!: ", 0) == 0; }),
                        boxes.end());
            if (!rig.connected() || after.pageRequests - before.pageRequests != 4
                || after.identify - before.identify != 2) {
                problems.push_back("connect " + std::to_string(i + 1) + " did not go through in one pass");
                continue;
            }
            const unsigned writes = after.writes - before.writes;
            connects.push_back({ms, ProtocolBudget::connect(ProtocolBudget::Line::Pty, writes),
                                ProtocolBudget::connect(ProtocolBudget::Line::Serial, writes), pauses});
            runFor(1500); // polls; the connection log's save goes out
        }
        if (!connects.empty()) {
            std::sort(connects.begin(), connects.end(),
                      [](const Connect& a, const Connect& b) { return a.ms / a.budget < b.ms / b.budget; });
            const Connect& c = connects[connects.size() / 2];
            rows.push_back({"connect + full read (median of " + std::to_string(connects.size()) + ")", c.ms,
                            c.budget, c.serial});
            splits.push_back({"connect + full read (the median one)", c.ms, c.pauses});
        }

        // --- status cycle and CPU while polling ------------------------------------------
        runFor(1000);
        ticks.keepFrameTimes(true);
        const double cpu0 = processCpuMs(), wall0 = nowMs();
        runFor(o.pollSeconds * 1000);
        cpuPercent = 100.0 * (processCpuMs() - cpu0) / (nowMs() - wall0);
        ticks.keepFrameTimes(false);
        periods = intervals(ticks.frameTimes());
        const StatusPoller& p = rig.context.session.poller();
        if (p.lostPacketCount() + p.badPacketCount() + p.crcErrorCount() > 0)
            problems.push_back("link errors while polling a fault-free controller");
        if (!periods.empty()) {
            rows.push_back({"status cycle, mean period (" + std::to_string(periods.size()) + ")", mean(periods),
                            ProtocolBudget::statusCycle(), ProtocolBudget::statusCycle()});
            std::vector<double> jitter;
            for (double period : periods)
                jitter.push_back(std::abs(period - ProtocolBudget::statusCycle()));
            rows.push_back({"status cycle, jitter p99", *percentile(jitter, 99), 0, 0, false});
        }

        // --- CPU with the charts page open and recording ------------------------------------
        if (ChartsGlue* charts = ChartsGlue::of(rig.window())) {
            rig.window().showPage(rig.window().findChild<QWidget*>(QStringLiteral("TabSheetCharts")));
            clickButton(rig.window(), "ButtonChartsRecord");
            if (!charts->recorder().recording())
                problems.push_back("the charts page did not start recording");
            runFor(1000);
            const uint64_t rss0 = residentKb();
            const double c0 = processCpuMs(), w0 = nowMs();
            runFor(o.pollSeconds * 1000);
            chartsCpuPercent = 100.0 * (processCpuMs() - c0) / (nowMs() - w0);
            chartsRssGrowthKb = static_cast<long long>(residentKb()) - static_cast<long long>(rss0);
            clickButton(rig.window(), "ButtonChartsRecord");
            const auto back = StatusCsv::readFile(charts->recorder().path());
            if (!back.ok() || back.gaps > 0 || back.samples.size() < static_cast<size_t>(o.pollSeconds) * 10)
                problems.push_back("the recording did not read back complete: " + std::to_string(back.samples.size())
                                   + " rows, " + std::to_string(back.gaps) + " gaps " + back.error);
            rig.window().showPage(rig.window().parameterPage());
        } else {
            problems.push_back("the window has no charts page");
        }

        // --- firmware upgrade -------------------------------------------------------------
        // The log gets "<block> jest: ..." on top as each block is accepted.
        std::vector<std::pair<int, double>> blocks;
        auto* log = findControl<QTextEdit>(rig.window(), "RichEdit1");
        QMetaObject::Connection watch;
        if (log) {
            watch = QObject::connect(log, &QTextEdit::textChanged, [&] {
                const QString first = log->document()->firstBlock().text();
                static const QRegularExpression accepted(QStringLiteral("^(\\d+) jest: "));
                const auto m = accepted.match(first);
                if (m.hasMatch() && (blocks.empty() || blocks.back().first != m.captured(1).toInt()))
                    blocks.emplace_back(m.captured(1).toInt(), nowMs());
            });
        }
        // The pause ledger at each accepted block, beside its time.
        std::vector<PauseLedger::Totals> blockPauses;
        if (log) {
            QObject::connect(log, &QTextEdit::textChanged, [&] {
                if (blockPauses.size() < blocks.size())
                    blockPauses.push_back(rig.clock.totals());
            });
        }
        rig.prompts.firmwareFile = o.firmware;
        const double upgradeStart = nowMs();
        clickButton(rig.window(), "ButtonFirmware");
        const double upgradeMs = nowMs() - upgradeStart;
        if (log)
            QObject::disconnect(log, &QTextEdit::textChanged, nullptr, nullptr);
        QObject::disconnect(watch);
        if (blocks.size() >= 2 && rig.connected()) {
            const double perBlock = (blocks.back().second - blocks.front().second)
                / static_cast<double>(blocks.back().first - blocks.front().first);
            rows.push_back({"firmware upgrade, per block (" + std::to_string(blocks.size()) + " blocks)", perBlock,
                            ProtocolBudget::firmwareBlock(ProtocolBudget::Line::Pty),
                            ProtocolBudget::firmwareBlock(ProtocolBudget::Line::Serial)});
            if (blockPauses.size() == blocks.size()) {
                auto p = blockPauses.back() - blockPauses.front();
                const double n = static_cast<double>(blocks.back().first - blocks.front().first);
                p.askedMs /= n;
                p.tookMs /= n;
                p.pauses = static_cast<uint64_t>(static_cast<double>(p.pauses) / n + 0.5);
                splits.push_back({"firmware upgrade, per block", perBlock, p});
            }
        } else {
            problems.push_back("the firmware upgrade did not complete (" + std::to_string(blocks.size())
                               + " blocks logged, " + std::to_string(upgradeMs) + " ms)");
        }
        rig.prompts.messages.clear(); // "NEW ECU, PARAMETERS RESET !" after the wipe
        runFor(1500);

        // --- RESET PARAMETERS! ---------------------------------------------------------------
        {
            const auto before = rig.line.counts();
            const auto ledger0 = rig.clock.totals();
            const double t = nowMs();
            clickButton(rig.window(), "ButtonSetDefault");
            const double ms = nowMs() - t;
            const auto pauses = rig.clock.totals() - ledger0;
            const auto after = rig.line.counts();
            // The confirmation asked before the reset (answered OK) is expected.
            auto& boxes = rig.prompts.messages;
            boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                                       [](const std::string& m) { return m.rfind("RESET PARAMETERS!: ", 0) == 0; }),
                        boxes.end());
            const unsigned words = static_cast<unsigned>(wire::kImageSize / 2);
            const unsigned writes = after.writes - before.writes;
            if (!rig.connected() || writes < words) {
                problems.push_back("RESET PARAMETERS! did not write all words and reconnect");
            } else {
                rows.push_back({"RESET PARAMETERS! (256 words, save, reconnect)", ms,
                                ProtocolBudget::resetParameters(ProtocolBudget::Line::Pty, writes - words),
                                ProtocolBudget::resetParameters(ProtocolBudget::Line::Serial, writes - words)});
                splits.push_back({"RESET PARAMETERS!", ms, pauses});
            }
        }
        for (const auto& m : rig.prompts.messages)
            problems.push_back("the tool showed a box: " + m);
    }
    sim.stop();
    if (previousDir[0])
        (void)::chdir(previousDir);
    const uint64_t peakKb = peakResidentKb();

    std::printf("\nKDX protocol benchmark, %s, kdx-sim on a pseudo-terminal, 19200 8N1\n",
                QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")).toStdString().c_str());
    std::printf("%-52s %12s %12s %7s %14s\n", "operation", "measured", "budget", "ratio", "serial budget");
    for (const Row& r : rows) {
        if (r.hasBudget)
            std::printf("%-52s %12s %12s %7.2f %14s\n", r.name.c_str(), formatMs(r.measured).c_str(),
                        formatMs(r.budget).c_str(), r.measured / r.budget, formatMs(r.serialBudget).c_str());
        else
            std::printf("%-52s %12s %12s %7s %14s\n", r.name.c_str(), formatMs(r.measured).c_str(), "-", "-", "-");
    }
    std::printf("%-52s %10.2f %% of one core\n",
                ("CPU while polling (" + std::to_string(o.pollSeconds) + " s)").c_str(), cpuPercent);
    if (chartsCpuPercent >= 0) {
        std::printf("%-52s %10.2f %% of one core\n",
                    ("CPU while polling, charts page open and recording (" + std::to_string(o.pollSeconds) + " s)")
                        .c_str(),
                    chartsCpuPercent);
        std::printf("%-52s %+9lld kB\n", "resident memory change over that run", chartsRssGrowthKb);
    }
    if (!startups.empty())
        std::printf("%-52s %12s\n", ("start to a shown window (median of " + std::to_string(startups.size()) + ")").c_str(),
                    formatMs(median(startups)).c_str());
    std::printf("%-52s %9.1f MiB\n", "peak resident memory (VmHWM)", static_cast<double>(peakKb) / 1024.0);
    std::printf("budget: the protocol's fixed pauses plus the wire time at 19200 8N1 not hidden under them, on\n"
                "the pseudo-terminal (the PC's own frames are not paced there); serial budget: the same steps\n"
                "with the PC's frames on the wire too, as against real hardware.\n");
    std::printf("\nwhere each step's time goes: the pauses asked for, what they took beyond that (wake-up\n"
                "slack, the window's turn), and the rest (frames, system calls, work between frames)\n");
    std::printf("%-40s %10s %7s %12s %12s %12s\n", "step", "measured", "pauses", "asked", "slack", "rest");
    for (const Split& sp : splits)
        std::printf("%-40s %10s %7llu %12s %12s %12s\n", sp.name.c_str(), formatMs(sp.measured).c_str(),
                    static_cast<unsigned long long>(sp.pauses.pauses), formatMs(sp.pauses.askedMs).c_str(),
                    formatMs(sp.pauses.tookMs - sp.pauses.askedMs).c_str(),
                    formatMs(sp.measured - sp.pauses.tookMs).c_str());
    for (const auto& p : problems)
        std::printf("PROBLEM: %s\n", p.c_str());
    std::fflush(stdout);
    return problems.empty() ? 0 : 1;
}

} // namespace kdx::drive
