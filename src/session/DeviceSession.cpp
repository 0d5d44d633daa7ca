#include "session/DeviceSession.h"

#include "link/SystemLink.h"

#include "live/UtcDate.h"
#include "sim/SimConstants.h"

#include <utility>

namespace kdx {

DeviceSession::DeviceSession(SessionSeams seams, SessionOptions options)
    : m_line(seams.line), m_clock(seams.clock), m_discovery(seams.discovery), m_prompts(seams.prompts),
      m_options(std::move(options)), m_capture(m_line, m_clock), m_link(m_capture, m_clock, m_state),
      m_writer(m_link, m_image), m_commands(m_link), m_poller(m_link, m_image.bytes(), *this, [this](int key) { return m_options.texts(key); }),
      m_decoder([this](int key) { return m_options.texts(key); }), m_log(m_image.bytes(), *this)
{
    m_table.build();
    std::vector<std::string> extra = extraPorts(m_options.ports, m_options.demo);
    const bool systemPorts = !m_options.namedPortsOnly || extra.empty();
    retarget(std::move(extra), systemPorts);
}

DeviceSession::~DeviceSession() { m_link.closePort(); }

std::vector<std::string> DeviceSession::extraPorts(const std::vector<std::string>& named, bool demo)
{
    std::vector<std::string> ports = named;
    if (demo)
        ports.push_back(sim::kDemoPortName);
    return ports;
}

void DeviceSession::retarget(std::vector<std::string> extra, bool systemPorts)
{
    PortDiscovery& discovery = systemPorts ? m_discovery : m_noSystemPorts;
    m_enumerator = makeSystemPortMarking(discovery, std::move(extra));
    m_connector = std::make_unique<Connector>(m_link, m_table, *m_enumerator, m_prompts,
                                            static_cast<ConnectionHost&>(*this), m_image.bytes());
}

void DeviceSession::searchOnly(const std::string& port) { retarget({port}, false); }

std::vector<std::string> DeviceSession::candidatePorts()
{
    // A table of its own: the search's table keeps the marks of the last search.
    PortTable table;
    table.build();
    m_enumerator->numberPorts(table);
    (void)m_enumerator->markFtdiPorts(table);
    (void)m_enumerator->markRegistryPorts(table);
    (void)m_enumerator->markDosDevicePorts(table);
    std::vector<std::string> ports;
    for (int k = 0; k < PortTable::kSize; ++k)
        if (table[k].candidate)
            ports.push_back(table[k].deviceName);
    return ports;
}

bool DeviceSession::readAll()
{
    m_connector->readAll();
    return m_state.connected;
}

TickResult DeviceSession::tick()
{
    TickResult result = m_poller.tick();
    if (result.frame) {
        m_lastFrame = result.frame;
        listener().statusFrame(*result.frame);
    }
    // Whoever took the link down since the last tick (a hang-up, a failed
    // write), the tick is where it shows; a new search is not a loss.
    if (m_connectedAtTick && !m_state.connected)
        listener().linkLost();
    m_connectedAtTick = m_state.connected;
    return result;
}

DashboardView DeviceSession::decode(const StatusFrame& frame, const std::string& decimalSeparator)
{
    return m_decoder.decode(frame, m_state.hardwareVersion, decimalSeparator);
}

FirmwareUpgrade::Outcome DeviceSession::upgradeFirmware(UpgradeHost& host, const std::string& firmwareFolder,
                                                        FirmwareUpgrade::RandomSource random)
{
    FirmwareUpgrade upgrade(m_link, m_prompts, host, firmwareFolder, std::move(random));
    return upgrade.run();
}

SessionListener& DeviceSession::listener() { return m_listener ? *m_listener : m_nobody; }

void DeviceSession::setTimerEnabled(bool enabled) { listener().pollingEnabled(enabled); }

void DeviceSession::identified(bool imageRead)
{
    std::optional<uint32_t> serial;
    if (imageRead)
        serial = m_image.serialNumber();
    listener().connected(m_state.hardwareVersion, m_state.softwareVersion, m_state.softwareRevision, serial);
}

void DeviceSession::setProgress(int position, int maximum) { listener().progress(position, maximum); }

void DeviceSession::resetPollPhase()
{
    // A connection attempt reads the image anew: an edit sent just before
    // must still reach the EEPROM.
    const auto lamp = m_poller.watchImage();
    m_poller.resetPollPhase();
    m_connectedAtTick = false;
    listener().pollRestarted(lamp);
}

void DeviceSession::imageLoaded()
{
    listener().imageLoaded();
    // The image as read counts as saved: showing it never starts a save.
    m_poller.syncShadow();
}

void DeviceSession::updateConnectionLog()
{
    if (m_options.recordThisPc)
        m_log.update(m_state.pcIdentity, UtcDate::today());
}

void DeviceSession::showStatusText(const std::string& text) { listener().statusText(text); }
void DeviceSession::tryingPort(const std::string& deviceName) { listener().tryingPort(deviceName); }
void DeviceSession::searchStarted() { listener().searchStarted(); }
void DeviceSession::searchEnded(const SearchOutcome& outcome) { listener().searchEnded(outcome); }

} // namespace kdx
