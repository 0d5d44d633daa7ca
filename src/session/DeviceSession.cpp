#include "session/DeviceSession.h"

#include "link/SystemLink.h"

#include "live/UtcDate.h"
#include "params/ParameterLabels.h"
#include "params/ParameterRestore.h"
#include "sim/SimConstants.h"

#include <utility>

namespace kdx {

namespace {

// Language keys of the question about edits that did not reach the controller.
constexpr int kKeyUnsentChanges = 102660;
constexpr int kKeySendThemNow = 102661;
constexpr int kKeyUnsentCaption = 102662;

} // namespace

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
    m_connector->setWords([this](int key, const char* english) {
        std::string text = m_options.texts(key);
        return text.empty() ? std::string(english) : text;
    });
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
    keepUnconfirmedEdits();
    m_connector->readAll();
    return m_state.connected;
}

TickResult DeviceSession::tick()
{
    TickResult result = m_poller.tick();
    // A device that hung up takes no more requests: the link goes down here,
    // and the loss is told once, below.
    if (m_link.lineHungUp())
        m_link.closePort();
    if (result.frame) {
        m_lastFrame = result.frame;
        listener().statusFrame(*result.frame);
    }
    // Whoever took the link down since the last tick (a hang-up, a failed
    // write), the tick is where it shows; a new search is not a loss.
    if (m_connectedAtTick && !m_state.connected) {
        keepUnconfirmedEdits();
        listener().linkLost();
    }
    m_connectedAtTick = m_state.connected;
    return result;
}

DashboardView DeviceSession::decode(const StatusFrame& frame, const std::string& decimalSeparator)
{
    return m_decoder.decode(frame, m_state.hardwareVersion, decimalSeparator);
}

void DeviceSession::autoConnect()
{
    if (m_waitingUpgrade)
        (void)resumeUpgrade();
    else
        m_connector->autoConnect();
}

FirmwareUpgrade::Outcome DeviceSession::upgradeFirmware(UpgradeHost& host, const std::string& firmwareFolder,
                                                        FirmwareUpgrade::RandomSource random)
{
    m_waitingUpgrade.reset();
    FirmwareUpgrade upgrade(m_link, m_prompts, host, firmwareFolder, random);
    upgrade.setTexts(m_options.texts);
    const auto outcome = upgrade.run();
    afterUpgrade(upgrade, host, firmwareFolder, std::move(random), false);
    return outcome;
}

FirmwareUpgrade::Outcome DeviceSession::resumeUpgrade()
{
    WaitingUpgrade waiting = std::move(*m_waitingUpgrade);
    m_waitingUpgrade.reset();
    FirmwareUpgrade upgrade(m_link, m_prompts, *waiting.host, waiting.folder, waiting.random);
    upgrade.setTexts(m_options.texts);
    // Told as a search, so the window's watch and its retries follow it.
    searchStarted();
    listener().statusText(upgrade.resumeText());
    const auto outcome = upgrade.resume(std::move(waiting.file));
    if (m_searching) {
        // A finished upgrade has searched since, and told it.
        SearchOutcome search;
        search.found = m_state.connected;
        search.port = m_link.selectedPort();
        for (const auto& [port, reason] : upgrade.openFailures())
            search.tried.push_back({port, reason});
        searchEnded(search);
    }
    afterUpgrade(upgrade, *waiting.host, waiting.folder, std::move(waiting.random), true);
    return outcome;
}

void DeviceSession::afterUpgrade(FirmwareUpgrade& upgrade, UpgradeHost& host, const std::string& folder,
                                 FirmwareUpgrade::RandomSource random, bool resumed)
{
    // Cut off in the bootloader, or back but not yet openable: the file
    // waits for the adapter.
    const bool lost = upgrade.cutOffInBootloader();
    if (lost || (resumed && upgrade.noPortOpened())) {
        if (auto file = upgrade.takeFile())
            m_waitingUpgrade = WaitingUpgrade{std::move(*file), &host, folder, std::move(random)};
    }
    if (lost) {
        m_link.closePort();
        m_connectedAtTick = false;
        listener().linkLost();
    }
    host.upgradeEnded();
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
    keepUnconfirmedEdits();
    m_poller.resetPollPhase();
    m_connectedAtTick = false;
    listener().pollRestarted(lamp);
}

void DeviceSession::imageLoaded()
{
    offerUnconfirmedEdits();
    listener().imageLoaded();
    // The image as read counts as saved: showing it never starts a save.
    m_poller.syncShadow();
    // Edits sent again after the question still need their save.
    if (!m_writer.unconfirmedWords().empty())
        m_poller.requestSave();
}

bool DeviceSession::saveToEeprom()
{
    const ParameterLabels labels(m_options.texts);
    const SaveCheckOutcome out = SaveCheck::run(m_image, m_writer, m_link, m_clock, '.', labels);
    m_saveRefusal.clear();
    if (out.result == SaveCheckOutcome::Result::Saved)
        return true;
    if (out.result == SaveCheckOutcome::Result::NotSaved) {
        m_saveRefusal = out.lampText(labels);
        listener().statusText(out.text(labels));
    }
    return false;
}

void DeviceSession::keepUnconfirmedEdits()
{
    if (m_unconfirmed || !m_state.parametersLoaded)
        return;
    UnconfirmedEdits edits{m_image, {}, m_image.serialNumber()};
    // The connection log is written anew by every connection.
    for (const unsigned w : m_writer.unconfirmedWords())
        if (!ParameterRestore::isLogByte(2 * w))
            edits.words.push_back(w);
    if (!edits.words.empty())
        m_unconfirmed = std::move(edits);
}

void DeviceSession::offerUnconfirmedEdits()
{
    if (!m_unconfirmed)
        return;
    const UnconfirmedEdits edits = std::move(*m_unconfirmed);
    m_unconfirmed.reset();
    if (m_image.serialNumber() != edits.serialNumber) {
        // Another controller: the edits were not meant for it.
        m_writer.forgetUnconfirmed();
        return;
    }
    ParameterImage wanted = m_image;
    std::vector<unsigned> missing;
    for (const unsigned w : edits.words) {
        if (m_image.word(w) != edits.image.word(w)) {
            wanted.setWord(w, edits.image.word(w));
            missing.push_back(w);
        }
    }
    if (missing.empty())
        return; // they arrived; the pending save checks them
    const ParameterLabels labels(m_options.texts);
    std::string list;
    for (const auto& c : ParameterDiff::changes(m_image, wanted, '.', labels))
        list += "\n" + c.label + " " + c.left + " → " + c.right;
    m_writer.forgetUnconfirmed();
    if (!m_prompts.okCancel(labels.text(kKeyUnsentChanges) + list + "\n" + labels.text(kKeySendThemNow),
                            labels.text(kKeyUnsentCaption)))
        return;
    m_image = wanted;
    for (const unsigned w : missing)
        (void)m_writer.writeWord(w);
}

void DeviceSession::updateConnectionLog()
{
    if (m_options.recordThisPc)
        m_log.update(m_state.pcIdentity, UtcDate::today());
}

void DeviceSession::showStatusText(const std::string& text) { listener().statusText(text); }
void DeviceSession::tryingPort(const std::string& deviceName) { listener().tryingPort(deviceName); }
void DeviceSession::searchStarted()
{
    m_searching = true;
    m_lostInSearch = false;
    listener().searchStarted();
}

void DeviceSession::searchEnded(const SearchOutcome& outcome)
{
    m_searching = false;
    listener().searchEnded(outcome);
    // A search whose read lost the device ends as a lost link, not as a
    // search that found nothing: the watch for the adapter takes over.
    if (m_lostInSearch) {
        m_lostInSearch = false;
        listener().linkLost();
    }
}

void DeviceSession::lineLost()
{
    // Told here, not again by the next tick.
    m_connectedAtTick = false;
    if (m_searching)
        m_lostInSearch = true;
    else
        listener().linkLost();
}

} // namespace kdx
