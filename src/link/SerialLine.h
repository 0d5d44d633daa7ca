#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kdx {

// The only door to a serial device. Implementations: the POSIX termios line,
// the in-process line to the simulated controller, and the scripted line of
// the unit tests. All calls are synchronous and run on the caller's thread.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    // Opens the device exclusively at 19200 8N1 with DTR low and RTS low.
    // On failure returns false and keeps the reason for lastError().
    virtual bool open(const std::string& deviceName) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Raises RTS, writes all bytes, waits until the transmitter is empty and
    // lowers RTS again. False when the write failed (RTS is lowered anyway).
    virtual bool transmit(const uint8_t* data, size_t count) = 0;

    // Waits until everything written earlier has left the driver.
    virtual void drain() = 0;

    // Number of received bytes waiting in the driver; clears line errors.
    virtual size_t bytesWaiting() = 0;

    // Reads at most maxCount of the bytes already waiting; never blocks.
    virtual size_t read(uint8_t* destination, size_t maxCount) = 0;

    // Human-readable reason of the last failed open (e.g. "Permission denied").
    virtual std::string lastError() const = 0;

    // True once the device has gone away (an unplugged adapter): a read or poll reported hang-up, EIO or ENXIO, or a
    // readable descriptor gave zero bytes. Stays true until close().
    virtual bool hungUp() const { return false; }

    // How long after a byte has left the wire the device may still hold it
    // back (a USB adapter's latency timer), in milliseconds; the reader's
    // window allows for it.
    virtual uint32_t deliveryLatencyMs() const { return 0; }
};

} // namespace kdx
