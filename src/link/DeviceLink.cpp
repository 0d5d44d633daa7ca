#include "link/DeviceLink.h"

#include "link/ReadWindow.h"

#include <algorithm>

namespace kdx {

DeviceLink::DeviceLink(SerialLine& line, Clock& clock, ConnectionState& state)
    : m_line(line), m_clock(clock), m_state(state)
{
}

void DeviceLink::selectPort(const std::string& deviceName)
{
    // What was learned about one adapter's lateness says nothing of another.
    if (deviceName != m_selected)
        m_lateMs = 0;
    m_selected = deviceName;
}
const std::string& DeviceLink::selectedPort() const { return m_selected; }
const std::string& DeviceLink::lastOpenError() const { return m_lastOpenError; }
bool DeviceLink::lineHungUp() const { return m_state.portOpen && m_line.isOpen() && m_line.hungUp(); }

bool DeviceLink::openPort()
{
    m_sentSinceOpen = false;
    m_missSinceAnswer = false;
    m_lastAnswerMs = m_clock.nowMs(); // silence counts from the open at the earliest
    m_lastReadCut = ReadCut::No;
    if (!m_line.open(m_selected)) {
        m_lastOpenError = m_line.lastError();
        // A line lets go of a handle it held before trying the new name, so
        // the flag follows the line rather than staying set for a closed port.
        m_state.portOpen = m_line.isOpen();
        return false;
    }
    m_lastOpenError.clear();
    m_state.portOpen = true;
    return true;
}

void DeviceLink::closePort()
{
    m_state.connected = false;
    if (m_state.portOpen) {
        finishPause();
        m_line.close();
        m_state.portOpen = false;
    }
}

bool DeviceLink::transmitBytes(const uint8_t* data, size_t count)
{
    if (!m_state.portOpen)
        return false;
    finishPause();
    // Bytes that came in after a read gave up on its answer: the answer was
    // later than the window allowed for.
    if (m_lastReadCut == ReadCut::Silent && m_line.bytesWaiting() > 0)
        learnLateness();
    m_lastReadCut = ReadCut::No;
    const bool ok = m_line.transmit(data, count);
    if (ok) {
        m_sentSinceOpen = true;
        m_lastSentMs = m_clock.nowMs();
    }
    return ok;
}

size_t DeviceLink::readAvailable(uint8_t* destination, size_t maxCount)
{
    if (!m_state.portOpen)
        return 0;
    finishPause();
    const size_t waiting = m_line.bytesWaiting();
    if (waiting == 0)
        return 0;
    return m_line.read(destination, std::min(waiting, maxCount));
}

void DeviceLink::drainTransmit()
{
    if (m_state.portOpen)
        m_line.drain();
}

bool DeviceLink::sendCommand(uint8_t code, uint8_t b, uint8_t c, uint8_t d, PauseAfter pause)
{
    const uint8_t frame[wire::kFrameSize] = {
        code, b, c, d, wire::frameChecksum(code, b, c, d), wire::kFrameEnd};
    finishPause();
    drainTransmit();
    if (!transmitBytes(frame, sizeof frame))
        return false;
    if (pause == PauseAfter::Now)
        m_clock.sleepMs(wire::kSendPauseMs);
    else
        m_pauseEndMs = m_clock.nowMs() + wire::kSendPauseMs;
    return true;
}

void DeviceLink::finishPause()
{
    if (m_pauseEndMs == 0)
        return;
    const uint64_t end = m_pauseEndMs;
    m_pauseEndMs = 0;
    const uint64_t now = m_clock.nowMs();
    if (now < end)
        m_clock.sleepMs(static_cast<uint32_t>(end - now));
}

bool DeviceLink::readResponse(uint32_t expected, uint16_t start, uint16_t end)
{
    finishPause();
    size_t total = 0;
    size_t last = 0;
    m_responseSum = wire::kFrameSumBias;
    m_lastResponseBytes = 0;
    m_lastReadCut = ReadCut::No;
    const uint32_t latencyMs = std::max(m_line.deliveryLatencyMs(), m_lateMs);
    const uint32_t needMs = m_sentSinceOpen ? answerDueInMs(m_clock.nowMs(), m_lastSentMs, expected, latencyMs) : 0;
    const auto pauses = readWindowPauses(needMs);
    // The polls keep their times on the wire, but one that cannot find the
    // answer complete is slept through: the rest of the answer needs its
    // wire time, less what the adapter may be holding back. The poll that
    // can find it complete, and so the one that counts it, come as before.
    uint64_t pollAtMs = m_clock.nowMs();
    uint64_t completeFromMs = 0;
    uint32_t owedMs = 0;
    for (int polls = 0; polls < wire::kMaxPolls;) {
        // The bytes of the previous poll count only now, so a complete answer
        // always costs one more poll.
        total += last;
        last = 0;
        const uint32_t pause = pauses[static_cast<size_t>(polls)];
        ++polls;
        pollAtMs += pause;
        owedMs += pause;
        if (polls < wire::kMaxPolls && pollAtMs < completeFromMs)
            continue;
        m_clock.sleepMs(owedMs);
        owedMs = 0;
        last = readAvailable(m_scratch.data(), m_scratch.size());
        // Bytes that would land beyond the receive buffer are dropped.
        if (total < m_receive.size()) {
            const size_t room = m_receive.size() - total;
            std::copy_n(m_scratch.begin(), std::min(last, room), m_receive.begin() + static_cast<long>(total));
        }
        m_lastResponseBytes = std::min(total + last, m_receive.size());
        if (total >= expected) {
            uint8_t sum = wire::kFrameSumBias;
            const size_t stop = std::min<size_t>(end, m_receive.size());
            for (size_t i = start; i < stop; ++i)
                sum = static_cast<uint8_t>(sum + m_receive[i]);
            m_responseSum = sum;
            m_lastAnswerMs = m_clock.nowMs();
            m_missSinceAnswer = false;
            return true;
        }
        completeFromMs = answerCompleteFromMs(pollAtMs, expected, total + last, latencyMs);
    }
    // An answer that began but did not end in the window (or, seen at the
    // next request, that came only after it): the adapter holds bytes back
    // longer than the system says (a chip without a latency timer the driver
    // shows, a network redirector), so the next windows allow twice as long.
    if (m_sentSinceOpen)
        m_missSinceAnswer = true;
    if (m_sentSinceOpen && total + last > 0)
        learnLateness();
    else if (m_sentSinceOpen)
        m_lastReadCut = ReadCut::Silent;
    return false;
}

void DeviceLink::learnLateness()
{
    const uint32_t latencyMs = std::max(m_line.deliveryLatencyMs(), m_lateMs);
    m_lateMs = std::min(std::max(latencyMs, wire::kLatencyStepMs) * 2, wire::kMaxAdapterLatencyMs);
}

bool DeviceLink::silentForMs(uint32_t ms) const
{
    return m_missSinceAnswer && m_clock.nowMs() - m_lastAnswerMs >= ms;
}

bool DeviceLink::readPage(uint16_t address, uint8_t* destination)
{
    m_clock.sleepMs(wire::kPagePrePauseMs);
    if (!sendCommand(wire::kCmdRead, wire::kReadPage, static_cast<uint8_t>(address >> 8),
                     static_cast<uint8_t>(address & 0xFF)))
        return false;
    m_clock.sleepMs(wire::kPagePostPauseMs);
    const bool ok = readResponse(wire::kPageResponseLen, 2, 130);
    if (!ok || m_receive[0] != wire::kPageStart || m_receive[1] != wire::kPageSecond
        || m_receive[131] != wire::kFrameEnd || m_responseSum != m_receive[130])
        return false;
    std::copy_n(m_receive.begin() + 2, wire::kPageSize, destination);
    return true;
}

const std::array<uint8_t, wire::kReceiveBufferSize>& DeviceLink::receiveBuffer() const { return m_receive; }
uint8_t DeviceLink::responseSum() const { return m_responseSum; }
Clock& DeviceLink::clock() { return m_clock; }
ConnectionState& DeviceLink::state() { return m_state; }
SerialLine& DeviceLink::line() { return m_line; }

} // namespace kdx
