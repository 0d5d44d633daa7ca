#include "link/win/Win32SerialLine.h"

#include "protocol/Wire.h"

#include <chrono>

namespace kdx {

namespace {

using SteadyClock = std::chrono::steady_clock;

// I/O errors after which the handle is of no further use: the adapter was
// unplugged or its driver ended the handle's requests.
bool goneError(uint32_t error)
{
    return error == win32::kErrorAccessDenied || error == win32::kErrorBadCommand
        || error == win32::kErrorDeviceRemoved || error == win32::kErrorOperationAborted;
}

} // namespace

Win32SerialLine::Win32SerialLine(CommAccess& comm) : m_comm(comm) {}

Win32SerialLine::~Win32SerialLine() { close(); }

std::string Win32SerialLine::devicePath(const std::string& deviceName)
{
    if (deviceName.rfind("\\\\.\\", 0) == 0)
        return deviceName;
    return "\\\\.\\" + deviceName;
}

void Win32SerialLine::fail(const std::string& why) { m_lastError = m_device + ": " + why; }

bool Win32SerialLine::open(const std::string& deviceName)
{
    close();
    m_device = deviceName;
    const CommAccess::Handle h = m_comm.open(devicePath(deviceName));
    if (!h) {
        const uint32_t error = m_comm.lastError();
        // Share mode 0: another program that has the port open makes the
        // open fail with access denied.
        fail(error == win32::kErrorAccessDenied ? "in use by another program (or access denied)"
                                                 : m_comm.describe(error));
        return false;
    }
    // RTS enables the RS-485 driver: both lines go down before anything else.
    (void)m_comm.setModem(h, CommAccess::Modem::DtrDown);
    (void)m_comm.setModem(h, CommAccess::Modem::RtsDown);
    if (!m_comm.setLine(h, wire::kBaudRate)) {
        const uint32_t error = m_comm.lastError();
        (void)m_comm.close(h);
        fail("not a serial device (" + m_comm.describe(error) + ")");
        return false;
    }
    (void)m_comm.setReadReturnsAtOnce(h);
    (void)m_comm.setEventMask(h, win32::kEventTransmitterEmpty);
    std::string portName = deviceName;
    if (portName.rfind("\\\\.\\", 0) == 0)
        portName = portName.substr(4);
    m_latencyMs = m_comm.latencyTimerMs(portName).value_or(kAssumedLatencyMs);
    m_handle = h;
    m_hungUp = false;
    m_undrained = 0;
    m_lastError.clear();
    return true;
}

void Win32SerialLine::close()
{
    if (!m_handle)
        return;
    (void)m_comm.close(m_handle);
    m_handle = nullptr;
    m_hungUp = false;
    m_undrained = 0;
}

void Win32SerialLine::noteGone(uint32_t error)
{
    if (goneError(error)) {
        m_hungUp = true;
        fail(m_comm.describe(error));
    }
}

bool Win32SerialLine::drainBounded()
{
    const auto bound = std::chrono::microseconds(wire::wireTimeUs(m_undrained))
        + std::chrono::milliseconds(kDrainMarginMs);
    const auto deadline = SteadyClock::now() + bound;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        uint32_t events = 0;
        const CommAccess::Wait r
            = m_comm.waitEvent(m_handle, static_cast<uint32_t>(std::max<int64_t>(left.count(), 0)), events);
        if (r == CommAccess::Wait::Event && (events & win32::kEventTransmitterEmpty)) {
            m_undrained = 0;
            return true;
        }
        if (r == CommAccess::Wait::Failed) {
            // An aborted wait is the driver declining it (a pseudo-terminal
            // under Wine does), not the device going away.
            const uint32_t error = m_comm.lastError();
            if (error != win32::kErrorOperationAborted)
                noteGone(error);
            if (m_hungUp)
                return false;
            m_undrained = 0; // a device that cannot wait has nothing to wait for
            return true;
        }
        if (r == CommAccess::Wait::Event && SteadyClock::now() < deadline)
            continue; // another event: wait on
        // The bound is over. A queue the driver has emptied meanwhile is fine.
        CommAccess::Status status;
        if (m_comm.clearError(m_handle, status) && status.outQueue == 0) {
            m_undrained = 0;
            return true;
        }
        (void)m_comm.purgeOutput(m_handle);
        m_undrained = 0;
        m_hungUp = true;
        fail("transmitter stalled (nothing left the adapter for "
             + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(bound).count()) + " ms)");
        return false;
    }
}

bool Win32SerialLine::transmit(const uint8_t* data, size_t count)
{
    if (!m_handle || m_hungUp)
        return false;
    (void)m_comm.setModem(m_handle, CommAccess::Modem::RtsUp);
    size_t done = 0;
    while (done < count) {
        size_t written = 0;
        const bool ok = m_comm.write(m_handle, data + done, count - done, written);
        if (!ok || written == 0) {
            // A device that takes nothing (or fails) will not take the rest.
            if (!ok)
                noteGone(m_comm.lastError());
            m_undrained += done;
            (void)m_comm.setModem(m_handle, CommAccess::Modem::RtsDown);
            return false;
        }
        done += written;
    }
    m_undrained += count;
    // RTS must stay up until the last stop bit has left the transmitter.
    const bool drained = drainBounded();
    (void)m_comm.setModem(m_handle, CommAccess::Modem::RtsDown);
    return drained;
}

void Win32SerialLine::drain()
{
    if (m_handle && !m_hungUp && m_undrained > 0)
        (void)drainBounded();
}

size_t Win32SerialLine::bytesWaiting()
{
    if (!m_handle || m_hungUp)
        return 0;
    CommAccess::Status status;
    if (!m_comm.clearError(m_handle, status)) {
        noteGone(m_comm.lastError());
        return 0;
    }
    return status.inQueue;
}

size_t Win32SerialLine::read(uint8_t* destination, size_t maxCount)
{
    if (!m_handle || maxCount == 0)
        return 0;
    const size_t waiting = bytesWaiting();
    if (waiting == 0)
        return 0;
    size_t got = 0;
    if (!m_comm.read(m_handle, destination, waiting < maxCount ? waiting : maxCount, got)) {
        noteGone(m_comm.lastError());
        return 0;
    }
    return got;
}

} // namespace kdx
