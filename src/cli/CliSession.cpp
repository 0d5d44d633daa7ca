#include "cli/CliSession.h"

#include "cli/ExitCodes.h"
#include "link/ConnectionConstants.h"
#include "link/SystemLink.h"

#include <algorithm>

namespace kdx::cli {

namespace {

SessionOptions optionsFor(const CliArguments& args, const std::string& onlyPort)
{
    SessionOptions options;
    options.ports = onlyPort.empty() ? args.ports : std::vector<std::string>{onlyPort};
    options.demo = onlyPort.empty() && args.demo;
    options.namedPortsOnly = true;
    options.recordThisPc = false;
    return options;
}

} // namespace

CliSession::CliSession(const CliArguments& args, Reporter& reporter, const std::string& onlyPort)
    : m_args(args), m_reporter(reporter), m_hardware(makeSystemLine()), m_demo(m_model, m_clock),
      m_line(*m_hardware, m_demo), m_discovery(makeSystemPortDiscovery()),
      m_session({m_line, m_clock, *m_discovery, *this}, optionsFor(args, onlyPort))
{
    m_session.setListener(this);
}

CliSession::~CliSession() { m_session.setListener(nullptr); }

int CliSession::connect(bool quietWhenNone)
{
    const auto ports = candidates();
    if (ports.size() > 1) {
        // Ask every candidate on its own, quietly; then connect to the one.
        std::vector<std::string> answered;
        for (const auto& port : ports) {
            Reporter quiet = Reporter::silent();
            CliSession probe(m_args, quiet, port);
            if (probe.search() == kExitOk)
                answered.push_back(port);
        }
        if (answered.size() > 1) {
            std::string text = "several controllers answered:";
            for (const auto& p : answered)
                text += " " + p;
            m_reporter.error(text + "; name the one meant with --port", kExitAmbiguous);
            return kExitAmbiguous;
        }
        if (answered.size() == 1)
            m_session.searchOnly(answered.front());
    }
    return search(quietWhenNone);
}

bool CliSession::readAll()
{
    const bool connected = m_session.readAll();
    m_reporter.endProgress();
    return connected;
}

std::optional<std::string> CliSession::openFirmwareFile(const std::string&)
{
    if (m_firmwareFile.empty())
        return std::nullopt;
    return m_firmwareFile;
}

int CliSession::search(bool quietWhenNone)
{
    m_messages.clear();
    m_tried.clear();
    m_statusText.clear();
    m_session.autoConnect();
    m_reporter.endProgress();
    if (m_session.state().connected)
        return kExitOk;
    if (std::find(m_messages.begin(), m_messages.end(), connect::kMsgSoftwareNeedUpdate) != m_messages.end()) {
        m_reporter.error("the controller's software is newer than this tool supports (\"Software need update.\")",
                         kExitCommunication);
        return kExitCommunication;
    }
    if (!m_messages.empty()) {
        m_reporter.error("the controller answered but its parameters could not be read: " + m_messages.back(),
                         kExitCommunication);
        return kExitCommunication;
    }
    if (quietWhenNone)
        return kExitNoController;
    std::vector<std::string> tried;
    for (const auto& p : m_tried)
        if (std::find(tried.begin(), tried.end(), p) == tried.end())
            tried.push_back(p);
    std::string text = "no controller answered";
    if (!tried.empty()) {
        text += " on:";
        for (const auto& p : tried)
            text += " " + p;
    } else {
        text += ": no serial port to try (name one with --port, or --demo)";
    }
    if (!m_statusText.empty())
        text += " (" + m_statusText + ")";
    m_reporter.error(text, kExitNoController);
    return kExitNoController;
}

void CliSession::progress(int position, int maximum)
{
    if (maximum > 0)
        m_reporter.progress("reading parameters", position * 100 / maximum);
}

void CliSession::message(const std::string& text)
{
    m_messages.push_back(text);
    m_reporter.note(text);
}

bool CliSession::okCancel(const std::string& text, const std::string& caption)
{
    m_messages.push_back(caption + ": " + text);
    m_reporter.note(caption + ": " + text + " (no one to answer: Cancel)");
    return false;
}

} // namespace kdx::cli
