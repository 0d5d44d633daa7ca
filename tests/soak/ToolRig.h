#pragma once

#include "CountingLine.h"
#include "DriverPrompts.h"
#include "NoSystemPorts.h"
#include "PauseLedger.h"
#include "QuietTone.h"
#include "app/AppContext.h"
#include "app/BusyState.h"
#include "app/GuiClock.h"
#include "app/MainWindow.h"
#include "link/posix/PosixSerialLine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kdx::drive {

// The program as its entry builds it, with the real serial line, the real
// GUI clock and the real window (offscreen), searching only the given port.
// Boxes are recorded and the firmware dialog is answered by the driver.
// Needs the application object to exist.
struct ToolRig {
    explicit ToolRig(const std::string& portPath);
    ~ToolRig();

    MainWindow& window() { return *m_window; }
    bool connected() const { return context.state.connected && context.state.parametersLoaded; }

    BusyState busy;
    GuiClock guiClock{busy};
    PauseLedger clock{guiClock};
    DriverPrompts prompts;
    PosixSerialLine posix;
    CountingLine line{posix};
    NoSystemPorts discovery;
    QuietTone tone;
    AppContext context;

private:
    std::unique_ptr<MainWindow> m_window;
};

// Runs the event loop (timers fire, the window paints) for ms.
void runFor(int ms);
// Runs the event loop until done() holds, checked every 2 ms; false after timeoutMs.
bool runUntil(const std::function<bool()>& done, int timeoutMs);
// Clicks a push button of the window by its name; false when there is none.
bool clickButton(MainWindow& window, const char* name);
// Types text into an edit box by its name and presses Enter; false when there is none.
bool typeAndEnter(MainWindow& window, const char* name, const std::string& text);

} // namespace kdx::drive
