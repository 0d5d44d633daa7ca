#pragma once

#include "link/Clock.h"
#include "link/ConnectionState.h"
#include "protocol/Wire.h"
#include "link/SerialLine.h"

#include <array>
#include <cstdint>
#include <string>

namespace kdx {

// The one serial port of the program and the request/answer exchange over it:
// command frames, the polling reader and page reads. Blocking, one thread.
class DeviceLink {
public:
    DeviceLink(SerialLine& line, Clock& clock, ConnectionState& state);

    // --- the port -----------------------------------------------------------
    // Name that openPort() opens (a device path, or the demo port's name).
    void selectPort(const std::string& deviceName);
    const std::string& selectedPort() const;
    bool openPort();                       // sets portOpen
    void closePort();                      // clears connected, then portOpen
    bool transmitBytes(const uint8_t* data, size_t count);
    size_t readAvailable(uint8_t* destination, size_t maxCount);
    void drainTransmit();
    // Reason the last openPort() failed (errno text), empty after a success.
    const std::string& lastOpenError() const;
    // The open port's device has gone away (unplugged, or its transmitter
    // stalled); false when no port is open.
    bool lineHungUp() const;

    // --- frames and answers ---------------------------------------------------
    // Where the pause after a command frame is spent: at once, or, when
    // nothing follows the frame in the same step (the status request),
    // before whatever uses the line next, so that the tool need not wake
    // for it. Either way nothing goes out and no read starts within it.
    enum class PauseAfter { Now, BeforeNextUse };
    bool sendCommand(uint8_t code, uint8_t b, uint8_t c, uint8_t d, PauseAfter pause = PauseAfter::Now);
    // Polls up to 21 times until `expected` bytes have arrived in earlier
    // polls; on success responseSum() = 0xAA + bytes [start, end). The polls
    // are 2 ms apart unless the answer may arrive later than the 20th of
    // them (see readWindowPauses).
    bool readResponse(uint32_t expected, uint16_t start, uint16_t end);
    // The adapter latency the read window allows for beyond what the line
    // reports, learned from answers whose tail came too late.
    uint32_t learnedLatencyMs() const { return m_lateMs; }
    // The controller has let every request of the last `ms` milliseconds go
    // unanswered: a read failed, and no answer came for that long. Unknown
    // (false) while nothing was asked of it since its last answer.
    bool silentForMs(uint32_t ms) const;
    // Reads the 128-byte page at address into destination; false on any fault.
    bool readPage(uint16_t address, uint8_t* destination);

    const std::array<uint8_t, wire::kReceiveBufferSize>& receiveBuffer() const;
    uint8_t responseSum() const;
    // Bytes the last readResponse() put into the receive buffer (all of its
    // polls); what lies beyond them is left over from earlier answers.
    size_t lastResponseBytes() const { return m_lastResponseBytes; }

    Clock& clock();
    ConnectionState& state();
    SerialLine& line();

private:
    // Sleeps what is left of a pause left for the next use of the line.
    void finishPause();

    SerialLine& m_line;
    Clock& m_clock;
    ConnectionState& m_state;
    std::string m_selected;
    std::string m_lastOpenError;
    std::array<uint8_t, wire::kReceiveBufferSize> m_receive{};
    std::array<uint8_t, wire::kReceiveBufferSize> m_scratch{};
    uint8_t m_responseSum = wire::kFrameSumBias;
    size_t m_lastResponseBytes = 0;
    // When the last write left the transmitter (clock ms); none since open.
    bool m_sentSinceOpen = false;
    uint64_t m_lastSentMs = 0;
    uint64_t m_pauseEndMs = 0; // a pause left for the next use ends here; 0: none
    uint32_t m_lateMs = 0;
    // When the controller last answered (clock ms; the open before its first
    // answer), and whether a read has failed since then.
    uint64_t m_lastAnswerMs = 0;
    bool m_missSinceAnswer = false;
    // The last read ended with nothing at all; bytes found waiting before the
    // next request were its answer, come late.
    enum class ReadCut { No, Silent };
    ReadCut m_lastReadCut = ReadCut::No;
    void learnLateness();
};

} // namespace kdx
