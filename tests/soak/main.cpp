// kdx-drive: runs the tool's program core (context, controller, window on
// the offscreen platform, the real serial line and clocks) against kdx-sim on
// a pseudo-terminal, for the fault soak and the protocol benchmark.
//   kdx-drive soak  --sim PATH [--minutes M] [--percent P] [--seed S] [--edit-every S] [--work DIR]
//   kdx-drive bench --sim PATH [--poll S] [--firmware FILE] [--work DIR]
//   kdx-drive poll  [--sim PATH] [--poll S] [--charts] [--minimised] [--unplug] [--work DIR]
//   kdx-drive startup T0NS   (used by bench: one start-up to a shown window)

#include "BenchRun.h"
#include "PollRun.h"
#include "SoakRun.h"
#include "app/KdxApplication.h"

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The offscreen platform reports what it cannot do (window size hints) on
// every resize; that is no news for a driven run.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (text.contains(QStringLiteral("propagateSizeHints")) || text.startsWith(QStringLiteral("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (type == QtFatalMsg)
        std::abort();
}

int usage()
{
    std::fprintf(stderr,
                 "usage: kdx-drive soak  --sim PATH [--minutes M] [--percent P] [--seed S] [--edit-every S] "
                 "[--work DIR]\n"
                 "       kdx-drive bench --sim PATH [--poll S] [--firmware FILE] [--work DIR]\n"
                 "       kdx-drive poll  [--sim PATH] [--poll S] [--charts] [--minimised] [--unplug] [--work DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qInstallMessageHandler(quietHandler);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return usage();
    const std::string mode = args[0];

    std::string sim, work = "/tmp", firmware = std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex";
    double minutes = 10;
    unsigned long percent = 1, seed = 1, editEvery = 20, poll = 60;
    long long t0 = 0;
    bool charts = false, minimised = false, unplug = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (mode == "startup" && i == 1) {
            t0 = std::atoll(a.c_str());
        } else if (a == "--charts") {
            charts = true;
        } else if (a == "--minimised") {
            minimised = true;
        } else if (a == "--unplug") {
            unplug = true;
        } else if (a == "--sim" && hasValue) {
            sim = args[++i];
        } else if (a == "--work" && hasValue) {
            work = args[++i];
        } else if (a == "--firmware" && hasValue) {
            firmware = args[++i];
        } else if (a == "--minutes" && hasValue) {
            minutes = std::atof(args[++i].c_str());
        } else if (a == "--percent" && hasValue) {
            percent = std::strtoul(args[++i].c_str(), nullptr, 10);
        } else if (a == "--seed" && hasValue) {
            seed = std::strtoul(args[++i].c_str(), nullptr, 10);
        } else if (a == "--edit-every" && hasValue) {
            editEvery = std::strtoul(args[++i].c_str(), nullptr, 10);
        } else if (a == "--poll" && hasValue) {
            poll = std::strtoul(args[++i].c_str(), nullptr, 10);
        } else {
            std::fprintf(stderr, "kdx-drive: unexpected '%s'\n", a.c_str());
            return usage();
        }
    }
    if ((mode == "soak" || mode == "bench") && sim.empty())
        return usage();
    if (mode != "soak" && mode != "bench" && mode != "startup" && mode != "poll")
        return usage();

    // The start directory is where the tool keeps lan.txt and looks for its
    // folders: a scratch one, so a run leaves the tree alone.
    if (::chdir(work.c_str()) != 0) {
        std::fprintf(stderr, "kdx-drive: cannot enter %s\n", work.c_str());
        return 2;
    }
    kdx::KdxApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());

    if (mode == "startup")
        return kdx::drive::runStartup(t0);
    if (mode == "poll") {
        kdx::drive::PollOptions o;
        o.simProgram = sim;
        o.workDir = work;
        o.seconds = static_cast<int>(poll);
        o.charts = charts;
        o.minimised = minimised;
        o.unplug = unplug;
        return kdx::drive::runPoll(o);
    }
    if (mode == "soak") {
        kdx::drive::SoakOptions o;
        o.simProgram = sim;
        o.workDir = work;
        o.minutes = minutes;
        o.faultPercent = static_cast<uint32_t>(percent);
        o.seed = static_cast<uint32_t>(seed);
        o.editEverySeconds = static_cast<int>(editEvery);
        return kdx::drive::runSoak(o);
    }
    kdx::drive::BenchOptions o;
    o.simProgram = sim;
    o.self = argv[0][0] == '/' ? argv[0] : std::string(QCoreApplication::applicationFilePath().toStdString());
    o.workDir = work;
    o.firmware = firmware;
    o.pollSeconds = static_cast<int>(poll);
    return kdx::drive::runBench(o);
}
