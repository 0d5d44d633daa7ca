// Program entry of the KDX service tool.
#include "app/AppContext.h"
#include "app/AppOptions.h"
#include "app/GuiClock.h"
#include "app/KdxApplication.h"
#include "app/LongTone.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompts.h"
#include "app/SystemTone.h"
#include "app/TimerSlack.h"
#include "link/TextFormat.h"
#include "link/posix/EndSignals.h"
#include "link/posix/LinuxPortDiscovery.h"
#include "link/posix/PosixSerialLine.h"
#include "params/DataFolder.h"
#include "sim/ControllerModel.h"
#include "sim/DemoPortLine.h"
#include "sim/SimulatedLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTime>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const kdx::CommandLine cmd = kdx::parseCommandLine(args);
    switch (cmd.action) {
    case kdx::CommandLine::Action::Help:
        std::cout << kdx::usageText("kdx");
        return 0;
    case kdx::CommandLine::Action::Version:
        std::cout << kdx::versionText() << '\n';
        return 0;
    case kdx::CommandLine::Action::Error:
        std::cerr << "kdx: " << cmd.error << '\n' << kdx::usageText("kdx");
        return 2;
    case kdx::CommandLine::Action::Run:
        break;
    }

    kdx::KdxApplication app(argc, argv);
    // Caught from here on: a signal during start-up ends the loop at once.
    kdx::EndSignals endSignals;
    kdx::tightenTimerSlack();

    // An installed tool started from the desktop or from / keeps its files
    // in the user's data folder; parametry, recordings, result files and
    // lan.txt are found relative to where the program stands.
    const char* xdgDataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const kdx::DataFolderChoice dataFolder = kdx::chooseDataFolder(
        QDir::currentPath().toStdString(), xdgDataHome ? xdgDataHome : "", home ? home : "",
        [](const std::string& dir) { return QFileInfo(QString::fromStdString(dir)).isWritable(); });
    if (dataFolder.moved)
        QDir::setCurrent(QString::fromStdString(dataFolder.path));

    kdx::BusyState busy;
    kdx::GuiClock clock(busy);
    kdx::QtUserPrompts prompts(busy);
    // One serial line for the program: the demo port's name reaches the
    // built-in simulated controller (offered with --demo), any other name a
    // real device.
    kdx::PosixSerialLine hardware;
    kdx::sim::ControllerModel model;
    kdx::sim::SimulatedLine demo(model, clock);
    kdx::sim::DemoPortLine line(hardware, demo);
    kdx::LinuxPortDiscovery discovery;
    kdx::AppContext context(line, clock, prompts, discovery, cmd.options, &busy);
    // The traffic capture runs from the start, so that a fault that happened
    // before anyone opened the traffic view is in it.
    context.capture.start(static_cast<int64_t>(QTime::currentTime().msecsSinceStartOfDay())
                          - static_cast<int64_t>(clock.nowMs()));

    // Language files: the start directory first, then beside the program,
    // then the installed data folder.
    const std::string programDir = QCoreApplication::applicationDirPath().toStdString();
    const std::unique_ptr<kdx::Tone> systemTone = kdx::makeSystemTone();
    kdx::LongTone tone(*systemTone, busy);
    kdx::MainWindow window(context, tone, {programDir, programDir + "/../share/kdx", KDX_INSTALL_DATADIR});
    prompts.setParentWindow(&window);
    prompts.setWords(context.texts.words());
    window.show();
    if (dataFolder.moved)
        window.statusBar()->showMessage(QString::fromStdString(kdx::fillIn(
            context.texts.word(102897, "Files are kept in %1 (the start folder is not writable)"), {dataFolder.path})));
    else if (!dataFolder.error.empty())
        window.statusBar()->showMessage(QString::fromStdString(kdx::fillIn(
            context.texts.word(102898, "The start folder is not writable, nor is %1"), {dataFolder.error})));

    // SIGTERM and SIGHUP end the program as closing the window does: the
    // timer stops, the port is closed (its exclusive mark and lock given
    // back), nothing is sent.
    QSocketNotifier endNotifier(endSignals.descriptor(), QSocketNotifier::Read);
    endNotifier.setEnabled(endSignals.descriptor() >= 0);
    QObject::connect(&endNotifier, &QSocketNotifier::activated, &app, [&] {
        (void)endSignals.take();
        window.FormClose();
        QCoreApplication::quit();
    });
    try {
        return app.exec();
    } catch (...) {
        // Escaped the loop itself rather than one handler: report and end.
        kdx::KdxApplication::reportException(QString());
        return 1;
    }
}
