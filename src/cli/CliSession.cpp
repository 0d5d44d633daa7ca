#include "cli/CliSession.h"

#include "cli/ExitCodes.h"
#include "link/SystemLink.h"
#include "sim/SimConstants.h"

#include <algorithm>

namespace kdx::cli {

namespace {

// With ports named on the command line only those are searched.
class NamedPortsOnly : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    std::vector<std::string> systemSerialPorts() override { return {}; }
    std::vector<std::string> deviceNames() override { return {}; }
};

std::vector<std::string> extraPorts(const CliArguments& args, const std::string& onlyPort)
{
    if (!onlyPort.empty())
        return {onlyPort};
    std::vector<std::string> ports = args.ports;
    if (args.demo)
        ports.push_back(sim::kDemoPortName);
    return ports;
}

std::unique_ptr<PortDiscovery> discoveryFor(const CliArguments& args, const std::string& onlyPort)
{
    if (!onlyPort.empty() || !args.ports.empty() || args.demo)
        return std::make_unique<NamedPortsOnly>();
    return makeSystemPortDiscovery();
}

constexpr const char* kMsgSoftwareNeedUpdate = "Software need update.";

} // namespace

CliSession::CliSession(const CliArguments& args, Reporter& reporter, const std::string& onlyPort)
    : m_args(args), m_reporter(reporter), m_hardware(makeSystemLine()), m_demo(m_model, m_clock),
      m_line(*m_hardware, m_demo),
      m_discovery(discoveryFor(args, onlyPort)), m_link(m_line, m_clock, m_state),
      m_enumerator(makeSystemPortMarking(*m_discovery, extraPorts(args, onlyPort))),
      m_connector(std::make_unique<Connector>(m_link, m_table, *m_enumerator, *this, *this, m_image.bytes()))
{
    m_table.build();
}

CliSession::~CliSession() { m_link.closePort(); }

std::vector<std::string> CliSession::candidates()
{
    m_table.clearMarks();
    m_enumerator->numberPorts(m_table);
    (void)m_enumerator->markFtdiPorts(m_table);
    (void)m_enumerator->markRegistryPorts(m_table);
    (void)m_enumerator->markDosDevicePorts(m_table);
    std::vector<std::string> ports;
    for (int k = 0; k < PortTable::kSize; ++k)
        if (m_table[k].candidate)
            ports.push_back(m_table[k].deviceName);
    return ports;
}

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
        if (answered.size() == 1) {
            m_discovery = std::make_unique<NamedPortsOnly>();
            m_enumerator = makeSystemPortMarking(*m_discovery, {answered.front()});
            m_connector = std::make_unique<Connector>(m_link, m_table, *m_enumerator, *this, *this, m_image.bytes());
        }
    }
    return search(quietWhenNone);
}

bool CliSession::readAll()
{
    m_connector->readAll();
    m_reporter.endProgress();
    return m_state.connected;
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
    m_connector->autoConnect();
    m_reporter.endProgress();
    if (m_state.connected)
        return kExitOk;
    if (std::find(m_messages.begin(), m_messages.end(), kMsgSoftwareNeedUpdate) != m_messages.end()) {
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

void CliSession::setProgress(int position, int maximum)
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
