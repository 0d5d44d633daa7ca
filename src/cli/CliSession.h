#pragma once

#include "cli/CliArguments.h"
#include "cli/Reporter.h"
#include "link/Clock.h"
#include "link/PortDiscovery.h"
#include "link/SerialLine.h"
#include "prompts/UserPrompts.h"
#include "session/DeviceSession.h"
#include "session/SessionListener.h"
#include "sim/ControllerModel.h"
#include "sim/DemoPortLine.h"
#include "sim/SimulatedLine.h"

#include <optional>
#include <string>
#include <vector>

namespace kdx::cli {

// kdx-cli's side of one device session: the real serial line (and the
// simulated controller with --demo), the system's ports or only those named
// with --port. Messages the procedures would show in a box go to the
// reporter; a question is answered "Cancel", because nobody is there to
// answer it.
class CliSession : public SessionListener, public UserPrompts {
public:
    // onlyPort: search that one port only (used to ask each candidate in turn).
    CliSession(const CliArguments& args, Reporter& reporter, const std::string& onlyPort = {});
    ~CliSession() override;

    // The connection search and full read of the window's CONNECT, except
    // that this PC is not recorded in the controller's connection log: a
    // command-line run leaves the controller as it found it. With more than
    // one candidate port every one is asked first, and two controllers
    // answering is refused (a script must not write to a vehicle it did not
    // mean). Reports a failure itself and returns its exit code; kExitOk
    // when connected.
    // With quietWhenNone, no port answering is returned without a report
    // (the firmware upgrade then tries the bootloader itself).
    int connect(bool quietWhenNone = false);

    // The full read of the parameter memory into the image again; true when
    // the controller answered every page.
    bool readAll();
    // The connection search again (after the firmware upgrade).
    void autoConnect() { m_session.autoConnect(); }

    // The file the firmware upgrade asks for.
    void setFirmwareFile(const std::string& path) { m_firmwareFile = path; }

    // The ports a search would try, in order.
    std::vector<std::string> candidates() { return m_session.candidatePorts(); }

    DeviceSession& session() { return m_session; }
    DeviceLink& link() { return m_session.link(); }
    SerialLine& line() { return m_line; }
    Clock& clock() { return m_clock; }
    ConnectionState& state() { return m_session.state(); }
    ParameterImage& image() { return m_session.image(); }
    Reporter& reporter() { return m_reporter; }

    // --- SessionListener ------------------------------------------------------
    void progress(int position, int maximum) override;
    void statusText(const std::string& text) override { m_statusText = text; }
    void tryingPort(const std::string& deviceName) override { m_tried.push_back(deviceName); }

    // --- UserPrompts ------------------------------------------------------------
    void message(const std::string& text) override;
    bool okCancel(const std::string& text, const std::string& caption) override;
    std::optional<std::string> openFirmwareFile(const std::string&) override;

private:
    // The search as the window runs it, over this session's ports.
    int search(bool quietWhenNone = false);

    CliArguments m_args;
    Reporter& m_reporter;
    SystemClock m_clock;
    std::unique_ptr<SerialLine> m_hardware; // the system's serial line
    sim::ControllerModel m_model;
    sim::SimulatedLine m_demo;
    sim::DemoPortLine m_line;
    std::unique_ptr<PortDiscovery> m_discovery;
    DeviceSession m_session;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_tried;
    std::string m_statusText;
    std::string m_firmwareFile;
};

} // namespace kdx::cli
