#pragma once

#include "app/AppOptions.h"
#include "app/BusyState.h"
#include "link/Clock.h"
#include "link/ConnectionState.h"
#include "link/DeviceLink.h"
#include "link/PortDiscovery.h"
#include "link/PortTable.h"
#include "link/SerialLine.h"
#include "link/TrafficCapture.h"
#include "i18n/LanguageTexts.h"
#include "live/GapCause.h"
#include "prompts/UserPrompts.h"
#include "session/DeviceSession.h"

#include <utility>

namespace kdx {

// The program-wide objects, alive from start to exit. The seams are owned by
// the program entry (or a test) and outlive the context. The busy count is
// shared with the seams that hold the timer off (the GUI clock and the
// prompts); without one given the context keeps its own.
struct AppContext {
    AppContext(SerialLine& serialLine, Clock& appClock, UserPrompts& userPrompts,
               PortDiscovery& portDiscovery, AppOptions appOptions = {},
               BusyState* sharedBusy = nullptr)
        : line(serialLine), clock(appClock), prompts(userPrompts), discovery(portDiscovery),
          options(std::move(appOptions)), session(SessionSeams{serialLine, appClock, portDiscovery, userPrompts},
                                                  sessionOptions(options)),
          state(session.state()), ports(session.portTable()), capture(session.capture()), link(session.link()),
          busy(sharedBusy ? *sharedBusy : m_ownBusy)
    {
    }
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    SerialLine& line;
    Clock& clock;
    UserPrompts& prompts;
    PortDiscovery& discovery;
    AppOptions options;

    // The controller on the line; the references below are its parts.
    DeviceSession session;
    ConnectionState& state;
    PortTable& ports;
    // Everything the link sends and reads passes here; the program starts it
    // at start-up (a test, when its traffic view opens).
    TrafficCapture& capture;
    DeviceLink& link;
    // Why the status frames stopped, noted by the link panel's watch and
    // read by the charts when the next frame closes the gap.
    GapCause gaps;
    // The texts of the chosen language that the program composes itself
    // (built-in English until a language file is read).
    LanguageTexts texts;

private:
    static SessionOptions sessionOptions(const AppOptions& options)
    {
        SessionOptions s;
        s.ports = options.ports;
        s.demo = options.demo;
        return s;
    }

    BusyState m_ownBusy;

public:
    BusyState& busy;
};

} // namespace kdx
