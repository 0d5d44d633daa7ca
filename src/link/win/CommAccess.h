#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// The Windows calls Win32SerialLine makes on a communications device, one
// per call, so that a test can watch their order (RTS around a frame)
// without Windows. Each returns whether its call succeeded; the
// reason of a failure is lastError(). The header names no Windows type, so
// the line's logic builds and is tested on every system; the real calls
// (system(), Win32Comm) exist only in the Windows build.
class CommAccess {
public:
    using Handle = void*; // a device handle; nullptr when none

    enum class Modem { RtsUp, RtsDown, DtrUp, DtrDown };
    enum class Wait { Event, Timeout, Failed };

    // ClearCommError's report.
    struct Status {
        uint32_t errors = 0;   // line errors (framing, overrun, parity), cleared by the call
        uint32_t inQueue = 0;  // received bytes waiting
        uint32_t outQueue = 0; // bytes not yet handed to the transmitter
    };

    virtual ~CommAccess() = default;

    // CreateFile for reading and writing, share mode 0 (exclusive).
    virtual Handle open(const std::string& path) = 0;
    // CloseHandle.
    virtual bool close(Handle h) = 0;
    // GetCommState, then SetCommState with baud, 8 data bits, no parity, one
    // stop bit, binary mode, DTR and RTS held low, no flow control; the
    // driver's other settings are kept.
    virtual bool setLine(Handle h, uint32_t baud) = 0;
    // SetCommTimeouts: a read returns at once with what is waiting.
    virtual bool setReadReturnsAtOnce(Handle h) = 0;
    // SetCommMask.
    virtual bool setEventMask(Handle h, uint32_t mask) = 0;
    // EscapeCommFunction with SETRTS / CLRRTS / SETDTR / CLRDTR.
    virtual bool setModem(Handle h, Modem what) = 0;
    // WriteFile.
    virtual bool write(Handle h, const uint8_t* data, size_t count, size_t& written) = 0;
    // WaitCommEvent, given up after timeoutMs; events as it reported them.
    virtual Wait waitEvent(Handle h, uint32_t timeoutMs, uint32_t& events) = 0;
    // ClearCommError.
    virtual bool clearError(Handle h, Status& status) = 0;
    // ReadFile.
    virtual bool read(Handle h, uint8_t* data, size_t count, size_t& got) = 0;
    // PurgeComm: the transmit queue thrown away.
    virtual bool purgeOutput(Handle h) = 0;
    // GetLastError of the call that failed last.
    virtual uint32_t lastError() = 0;
    // FormatMessage: the system's text for an error code.
    virtual std::string describe(uint32_t error) = 0;
    // The adapter's latency timer as the driver keeps it in the registry
    // for the port name (COM3); nullopt where the port has none.
    virtual std::optional<uint32_t> latencyTimerMs(const std::string& portName) = 0;

    // The real calls (Windows build only).
    static CommAccess& system();
};

// Windows event and error codes the line acts on.
namespace win32 {
constexpr uint32_t kEventTransmitterEmpty = 0x0004; // EV_TXEMPTY
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorBadCommand = 22;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorDeviceRemoved = 1617;
} // namespace win32

} // namespace kdx
