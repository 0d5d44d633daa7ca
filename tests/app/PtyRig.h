#pragma once

// The whole program in real time against kdx-sim on a pseudo-terminal: the
// real POSIX serial line, the window's own clock and the window offscreen.

#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "app/GuiClock.h"
#include "link/posix/PosixSerialLine.h"
#include "live/Tone.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kdx::test {


class CountingTone : public Tone {
public:
    void play(uint32_t hz, uint32_t ms) override { played.emplace_back(hz, ms); }
    std::vector<std::pair<uint32_t, uint32_t>> played;
};

// Runs in a fresh directory (the firmware dialog moves the current one).
struct PtyScratch {
    PtyScratch()
    {
        char dir[] = "/tmp/kdx-e2eXXXXXX";
        path = ::mkdtemp(dir) ? dir : "";
        if (!::getcwd(previous, sizeof previous))
            previous[0] = '\0';
        if (path.empty() || ::chdir(path.c_str()) != 0)
            ADD_FAILURE() << "no scratch directory";
    }
    ~PtyScratch()
    {
        if (previous[0])
            (void)::chdir(previous);
        if (!path.empty())
            (void)std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string path;
    char previous[4096];
};

// The program as main() builds it, with the port given on the command line
// being the simulator's terminal and no system ports.
struct PtyAppRig {
    explicit PtyAppRig(const std::string& port)
        : clock(busy), context(line, clock, prompts, discovery, options(port), &busy)
    {
        appForTests();
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
    }
    static AppOptions options(const std::string& port)
    {
        AppOptions o;
        o.ports = {port};
        return o;
    }
    template <typename T>
    T* control(const char* name) { return findControl<T>(*window, name); }

    PtyScratch scratch;
    BusyState busy;
    GuiClock clock;
    PosixSerialLine line;
    RecordingPrompts prompts;
    NoPorts discovery;
    CountingTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

} // namespace kdx::test
