#pragma once

#include "app/AppContext.h"
#include "app/KdxApplication.h"
#include "app/MainWindow.h"
#include "live/Tone.h"
#include "support/RecordingPrompts.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

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

// A tone that plays nothing.
class QuietTone : public Tone {
public:
    void play(uint32_t, uint32_t) override {}
};

// Runs a rig in a fresh directory of its own, so lan.txt, parameter files,
// recordings and result files stay inside it; removed with its contents
// afterwards, and the previous directory is entered again.
struct ScratchDirectory {
    explicit ScratchDirectory(const char* prefix = "kdx-app")
    {
        std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
        if (::mkdtemp(pattern.data()))
            path = pattern;
        if (!::getcwd(previous, sizeof previous))
            previous[0] = '\0';
        if (path.empty() || ::chdir(path.c_str()) != 0)
            ADD_FAILURE() << "no scratch directory " << pattern;
    }
    ~ScratchDirectory()
    {
        if (previous[0])
            (void)::chdir(previous);
        if (!path.empty())
            (void)std::system(("rm -rf '" + path + "'").c_str());
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    std::string path; // empty when it could not be made
    char previous[4096];
};

// The options of `kdx --demo` (and `--tester`).
inline AppOptions demoOptions(bool tester = false)
{
    AppOptions o;
    o.demo = true;
    o.tester = tester;
    return o;
}

// The window's 50 ms timer n times on virtual time.
inline void runTicks(TestClock& clock, MainWindow& window, int n)
{
    for (int i = 0; i < n; ++i) {
        clock.advance(50);
        window.Timer1Timer();
    }
}

// A main window on scripted seams; language files come from the source tree.
struct WindowRig {
    explicit WindowRig(AppOptions options = {})
        : context(line, clock, prompts, discovery, std::move(options))
    {
        appForTests();
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
    }
    TestClock clock;
    ScriptedLine line{clock};
    RecordingPrompts prompts;
    NoPorts discovery;
    QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

} // namespace kdx::test
