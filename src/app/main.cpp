// Program entry of the KDX service tool.
#include "app/posix/AlsaTone.h"
#include "app/AppContext.h"
#include "app/AppController.h"
#include "app/AppOptions.h"
#include "app/GuiClock.h"
#include "app/KdxApplication.h"
#include "app/LongTone.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompts.h"
#include "link/posix/LinuxPortDiscovery.h"
#include "link/posix/PosixSerialLine.h"
#include "sim/ControllerModel.h"
#include "sim/DemoPortLine.h"
#include "sim/SimulatedLine.h"

#include <QCoreApplication>

#include <iostream>
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

    // Language files: the start directory first, then beside the program,
    // then the installed data folder.
    const std::string programDir = QCoreApplication::applicationDirPath().toStdString();
    kdx::AlsaTone alsaTone;
    kdx::LongTone tone(alsaTone, busy);
    kdx::AppController controller(context, tone,
                                  {programDir, programDir + "/../share/kdx", KDX_INSTALL_DATADIR});

    kdx::MainWindow window(context, controller.hooks());
    prompts.setParentWindow(&window);
    window.show();
    try {
        return app.exec();
    } catch (...) {
        // Escaped the loop itself rather than one handler: report and end.
        kdx::KdxApplication::reportException(QString());
        return 1;
    }
}
