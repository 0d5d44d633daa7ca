#pragma once

#include "app/AppContext.h"
#include "app/KdxApplication.h"
#include "app/MainWindow.h"
#include "support/RecordingPrompts.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kdx::test {

// The application object shared by every test of this program; destroyed
// after the last test, before the toolkit's own statics go.
inline KdxApplication*& appSlot()
{
    static KdxApplication* app = nullptr;
    return app;
}

class AppEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete appSlot();
        appSlot() = nullptr;
    }
};

inline KdxApplication& appForTests()
{
    static int argc = 1;
    static char name[] = "kdx_app_tests";
    static char* argv[] = {name, nullptr};
    if (!appSlot()) {
        appSlot() = new KdxApplication(argc, argv);
        ::testing::AddGlobalTestEnvironment(new AppEnvironment);
    }
    return *appSlot();
}

class NoPorts : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    std::vector<std::string> systemSerialPorts() override { return {}; }
    std::vector<std::string> deviceNames() override { return {}; }
};

// A main window on scripted seams.
struct WindowRig {
    explicit WindowRig(AppOptions options = {}, MainWindowHooks hooks = {})
        : context(line, clock, prompts, discovery, std::move(options))
    {
        appForTests();
        window = std::make_unique<MainWindow>(context, std::move(hooks));
    }
    TestClock clock;
    ScriptedLine line{clock};
    RecordingPrompts prompts;
    NoPorts discovery;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

} // namespace kdx::test
