// Program entry of the KDX service tool.
#include "app/AppContext.h"
#include "app/AppOptions.h"
#include "app/GuiClock.h"
#include "app/KdxApplication.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompts.h"
#include "link/LinuxPortDiscovery.h"
#include "link/PosixSerialLine.h"

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
    kdx::PosixSerialLine line;
    kdx::LinuxPortDiscovery discovery;
    kdx::AppContext context(line, clock, prompts, discovery, cmd.options, &busy);

    kdx::MainWindow window(context);
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
