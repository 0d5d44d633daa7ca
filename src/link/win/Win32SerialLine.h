#pragma once

#include "link/SerialLine.h"
#include "link/win/CommAccess.h"

#include <cstdint>
#include <string>

namespace kdx {

// A real serial device through the Windows communications calls.
//
// Open: "\\.\COMn" opened exclusively, DTR and RTS lowered, 19200 8N1 set
// (the driver's other settings kept), reads made to return at once, the
// transmitter-empty event selected; the adapter's latency timer read from
// the registry, else the common default assumed.
//
// Transmit raises RTS, writes, waits until the transmitter reports empty,
// lowers RTS. The wait is bounded by the bytes' wire time plus
// kDrainMarginMs; a transmitter still busy then is stalled: its queue is
// thrown away and the line counts as hung up. Modem-control calls the
// device refuses (a pseudo-terminal under Wine, an adapter that switches
// direction by itself) are ignored. An I/O error that means the device went
// away (access denied, bad command, device removed, operation aborted)
// hangs the line up.
class Win32SerialLine : public SerialLine {
public:
    // Time a transmitter may take beyond the wire time of its bytes.
    static constexpr uint32_t kDrainMarginMs = 50;
    // The latency assumed for an adapter whose timer the registry does not
    // show: the common adapters' default.
    static constexpr uint32_t kAssumedLatencyMs = 16;

    explicit Win32SerialLine(CommAccess& comm = CommAccess::system());
    ~Win32SerialLine() override;
    Win32SerialLine(const Win32SerialLine&) = delete;
    Win32SerialLine& operator=(const Win32SerialLine&) = delete;

    bool open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override { return m_handle != nullptr; }
    bool transmit(const uint8_t* data, size_t count) override;
    void drain() override;
    size_t bytesWaiting() override;
    size_t read(uint8_t* destination, size_t maxCount) override;
    std::string lastError() const override { return m_lastError; }
    bool hungUp() const override { return m_handle != nullptr && m_hungUp; }
    uint32_t deliveryLatencyMs() const override { return m_latencyMs; }

    // "\\.\COM12" for "COM12"; a name already in device form is kept.
    static std::string devicePath(const std::string& deviceName);

private:
    bool drainBounded();
    void noteGone(uint32_t error);
    void fail(const std::string& why);

    CommAccess& m_comm;
    CommAccess::Handle m_handle = nullptr;
    std::string m_device;
    std::string m_lastError;
    bool m_hungUp = false;
    size_t m_undrained = 0; // bytes written since the transmitter was last empty
    uint32_t m_latencyMs = kAssumedLatencyMs;
};

} // namespace kdx
