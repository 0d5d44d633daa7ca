#pragma once

#include "link/posix/AdapterLatency.h"
#include "link/SerialLine.h"
#include "link/posix/TtyAccess.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kdx {

class DrainAlarm;

// A real serial device through termios.
//
// Open: the device is opened non-blocking, refused when another program
// holds its advisory lock (flock), locked that way itself, DTR and RTS
// lowered at once (the kernel raises both while opening a tty), TIOCEXCL
// taken, raw 19200 8N1 with CLOCAL|CREAD set, O_NONBLOCK cleared, DTR and RTS
// lowered again, and the adapter's latency looked up (and lowered where
// allowed). Close gives TIOCEXCL back before closing: a terminal that
// outlives the descriptor (a pseudo-terminal whose other side stays open)
// would otherwise refuse every later open by an ordinary user.
//
// Transmit raises RTS, writes, waits for the transmitter to empty, lowers
// RTS. The wait is bounded: the bytes' wire time plus kDrainMarginMs; a
// transmitter that is still not empty then is stalled, its queue is thrown
// away and the line counts as hung up, because only closing and reopening
// (or replugging) the adapter helps. Modem-control requests the device
// refuses (a pseudo-terminal, an adapter that switches direction by itself)
// are ignored.
class PosixSerialLine : public SerialLine {
public:
    // Time a transmitter may take beyond the wire time of its bytes.
    static constexpr uint32_t kDrainMarginMs = 50;

    explicit PosixSerialLine(TtyAccess& tty = TtyAccess::system(), std::string sysfsRoot = "/sys");
    ~PosixSerialLine() override;
    PosixSerialLine(const PosixSerialLine&) = delete;
    PosixSerialLine& operator=(const PosixSerialLine&) = delete;

    bool open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    bool transmit(const uint8_t* data, size_t count) override;
    void drain() override;
    size_t bytesWaiting() override;
    size_t read(uint8_t* destination, size_t maxCount) override;
    std::string lastError() const override { return m_lastError; }
    // Also true once the transmitter stalled past its bound.
    bool hungUp() const override { return m_fd >= 0 && m_hungUp; }
    uint32_t deliveryLatencyMs() const override { return m_latency.ms; }

    // What open() found out about the adapter's latency.
    const AdapterLatency& adapterLatency() const { return m_latency; }

private:
    // Waits until the transmitter is empty, at most the wire time of the
    // bytes written since the last wait plus kDrainMarginMs. False (and the
    // line hung up) when it stalled or the device went away.
    bool drainBounded();
    void setRts(bool on);
    void noteGone(int error);
    void fail(const std::string& why);

    TtyAccess& m_tty;
    std::string m_sysfsRoot;
    int m_fd = -1;
    std::string m_device;
    std::string m_lastError;
    bool m_hungUp = false;
    size_t m_known = 0; // bytes the driver reported waiting and not read yet
    size_t m_undrained = 0; // bytes written since the transmitter was last empty
    // The device refused RTS (a pseudo-terminal, an adapter that switches
    // direction by itself): not asked again until the next open.
    bool m_noModemControl = false;
    AdapterLatency m_latency;
    std::unique_ptr<DrainAlarm> m_alarm; // ends a transmitter wait at its bound
};

} // namespace kdx
