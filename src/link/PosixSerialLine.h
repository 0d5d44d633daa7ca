#pragma once

#include "link/SerialLine.h"

namespace kdx {

// A real serial device through termios: exclusive open (TIOCEXCL), raw
// 19200 8N1 with CLOCAL|CREAD, DTR and RTS low; RTS raised only while
// transmitting. Modem-control requests the device refuses (a pseudo-terminal
// refuses them all) are ignored.
class PosixSerialLine : public SerialLine {
public:
    PosixSerialLine() = default;
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
    // The device reports a hang-up (poll() without waiting); sticky until close().
    bool hungUp() const override;

private:
    int m_fd = -1;
    mutable bool m_hungUp = false;
    std::string m_lastError;
};

} // namespace kdx
