#include "link/Connector.h"

#include "link/ConnectionConstants.h"

#include <algorithm>

namespace kdx {

namespace {

constexpr uint16_t kPageAddresses[] = {0, 128, 256, 384};
constexpr int kImageBytes = static_cast<int>(wire::kImageSize);

} // namespace

uint32_t imageSerialNumber(const ParameterBytes& image)
{
    const size_t o = connect::kSerialNumberOffset;
    return static_cast<uint32_t>(image[o]) | static_cast<uint32_t>(image[o + 1]) << 8
        | static_cast<uint32_t>(image[o + 2]) << 16 | static_cast<uint32_t>(image[o + 3]) << 24;
}

Connector::Connector(DeviceLink& link, PortTable& table, PortMarking& marking, UserPrompts& prompts,
                     ConnectionHost& host, ParameterBytes& image)
    : m_link(link), m_table(table), m_marking(marking), m_prompts(prompts), m_host(host), m_image(image)
{
}

void Connector::autoConnect()
{
    ConnectionState& state = m_link.state();
    m_host.resetPollPhase();
    state.connected = false;
    m_host.setTimerEnabled(false);

    // Whatever the port still holds (an unread answer, a status frame in
    // flight) must not end up in front of the identify answer.
    m_link.clock().sleepMs(wire::kSearchPauseMs);
    m_link.readResponse(wire::kDrainLen, 0, 0);
    m_link.closePort();

    m_openFailures.clear();
    m_outcome = {};
    m_host.showStatusText({});
    m_host.searchStarted();

    m_table.clearMarks();
    m_marking.numberPorts(m_table);
    const uint32_t a = m_marking.markFtdiPorts(m_table);
    const uint32_t b = m_marking.markRegistryPorts(m_table);
    const uint32_t c = m_marking.markDosDevicePorts(m_table);
    // The largest single count, not the number of marked entries: surplus
    // attempts reopen the last port, surplus marks are never reached.
    const uint32_t attempts = std::max(a, std::max(b, c));

    m_link.selectPort(PortTable::defaultName(0)); // COM1 by its own name
    bool selectedIsCandidate = false;
    int p = 0;
    for (uint32_t i = 0; i < attempts; ++i) {
        m_link.closePort();
        while (p < PortTable::kSize && !m_table[p].candidate)
            ++p;
        if (p < PortTable::kSize) {
            m_link.selectPort(m_table[p].deviceName);
            selectedIsCandidate = true;
            ++p;
        }
        // Otherwise the previous selection stays.
        if (attempt(selectedIsCandidate)) {
            m_host.searchEnded(m_outcome);
            return;
        }
    }
    if (!m_openFailures.empty())
        m_host.showStatusText(m_openFailures);
    m_host.searchEnded(m_outcome);
}

void Connector::noteAttempt(const std::string& openError)
{
    const std::string& port = m_link.selectedPort();
    for (auto& a : m_outcome.tried) {
        if (a.port == port) {
            // A later open that succeeded clears what an earlier one said.
            a.openError = openError;
            return;
        }
    }
    m_outcome.tried.push_back({port, openError});
}

bool Connector::attempt(bool markedCandidate)
{
    ConnectionState& state = m_link.state();
    Clock& clock = m_link.clock();
    m_host.tryingPort(m_link.selectedPort());

    if (m_link.openPort()) {
        noteAttempt({});
        // Only the answer to the second frame decides; the first exchange
        // takes in whatever a device had left over on the line.
        m_link.sendCommand(wire::kCmdIdentify, 0, 0, 0);
        m_link.readResponse(wire::kIdentifyLen, 0, 0);
        clock.sleepMs(wire::kIdentifyPauseMs);
        m_link.sendCommand(wire::kCmdIdentify, 0, 0, 0);
    } else {
        // Only the outcome of the second try goes to the status line: a
        // port that opened then is not a port that could not be opened.
        m_link.closePort();
        if (!m_link.openPort()) {
            if (markedCandidate)
                noteOpenFailure();
            noteAttempt(m_link.lastOpenError());
            m_link.closePort();
            return false;
        }
        noteAttempt({});
        m_link.sendCommand(wire::kCmdIdentify, 0, 0, 0);
    }

    if (!m_link.readResponse(wire::kIdentifyLen, 0, 0)) {
        m_link.closePort();
        return false;
    }
    const auto& rx = m_link.receiveBuffer();
    if (rx[0] != wire::kIdentifyStart || rx[connect::kIdEndIndex] != wire::kFrameEnd)
        return false; // not a controller; closed at the next attempt

    state.hardwareVersion = rx[connect::kIdHardwareIndex];
    state.softwareVersion = rx[connect::kIdSoftwareIndex];
    state.softwareRevision = rx[connect::kIdRevisionIndex];
    if (state.softwareVersion > connect::kMaxSoftwareVersion) {
        m_prompts.message(connect::kMsgSoftwareNeedUpdate);
        m_link.closePort();
        m_outcome.refused = true;
        m_outcome.port = m_link.selectedPort();
        return true;
    }

    state.connected = true;
    m_outcome.port = m_link.selectedPort();
    // These run whatever the read's outcome: a failed read has already told
    // the technician and taken the link down. The serial number comes from
    // this read only: after a failed one the image may still hold another
    // controller's.
    loadAllData();
    const bool imageRead = state.connected;
    m_host.identified(imageRead);
    m_host.updateConnectionLog();
    // A read that failed has taken the link down again.
    m_outcome.found = state.connected;
    m_host.setTimerEnabled(true);
    clock.sleepMs(wire::kSendPauseMs);
    return true;
}

void Connector::noteOpenFailure()
{
    const std::string& reason = m_link.lastOpenError();
    if (reason.empty() || m_openFailures.find(reason) != std::string::npos)
        return;
    if (!m_openFailures.empty())
        m_openFailures += "; ";
    m_openFailures += reason;
}

void Connector::loadAllData()
{
    if (!m_link.state().connected) {
        m_prompts.message(connect::kMsgEcuNotFound);
        return;
    }
    m_host.setProgress(0, kImageBytes);
    readAll();
}

unsigned Connector::readPass()
{
    unsigned failures = 0;
    m_lostAtPage = 0;
    int page = 0;
    for (const uint16_t address : kPageAddresses) {
        ++page;
        m_host.setProgress(address, kImageBytes);
        // A page that fails keeps its part of the image as it was.
        if (m_link.readPage(address, m_image.data() + address)) {
            m_quietFromPage = 0;
            continue;
        }
        ++failures;
        if (m_quietFromPage == 0)
            m_quietFromPage = page;
        // No further request into a port whose device has gone.
        if (m_link.lineHungUp()) {
            m_lostAtPage = page;
            return failures;
        }
        // Nor into a bus that has stopped answering: named by the page it
        // fell silent at, which may lie in an earlier pass.
        if (m_link.silentForMs(connect::kReadSilenceMs)) {
            m_lostAtPage = m_quietFromPage;
            m_lostSilent = true;
            return failures;
        }
    }
    m_host.setProgress(kImageBytes, kImageBytes);
    return failures;
}

void Connector::readAll()
{
    ConnectionState& state = m_link.state();
    if (!state.connected) {
        m_prompts.message(connect::kMsgNoConnection);
        return;
    }
    m_host.setProgress(0, kImageBytes);
    m_quietFromPage = 0;
    m_lostSilent = false;

    // A page that fails costs a whole pass, so a successful read leaves all
    // four pages from one consistent pass.
    unsigned failures = readPass();
    uint8_t retries = 0;
    while (failures != 0 && m_lostAtPage == 0 && retries < connect::kMaxReadRetries) {
        failures = readPass();
        if (failures == 0)
            break;
        ++retries;
    }

    if (failures != 0) {
        m_host.resetPollPhase();
        state.connected = false;
        m_host.setTimerEnabled(false);
        m_link.closePort();
        if (m_lostAtPage != 0) {
            m_prompts.message(connect::readLostText(m_lostAtPage, m_lostSilent, m_words));
            m_host.lineLost();
        } else {
            m_prompts.message(connect::kMsgUartErrors);
        }
        return;
    }
    m_host.imageLoaded();
    state.parametersLoaded = true;
}

} // namespace kdx
