#pragma once

#include "link/Clock.h"
#include "link/SerialLine.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kdx::test {

// A serial line whose incoming bytes are scripted on virtual time: each chunk
// becomes readable once the clock has reached its arrival time. Everything
// transmitted is recorded with the time and the port it went to.
class ScriptedLine : public SerialLine {
public:
    struct Sent {
        uint64_t atMs;
        std::string port;
        std::vector<uint8_t> bytes;
    };

    explicit ScriptedLine(const Clock& clock) : m_clock(clock) {}

    // --- script ---------------------------------------------------------
    void arriveAt(uint64_t atMs, std::vector<uint8_t> bytes);
    void arriveAfter(uint64_t delayMs, std::vector<uint8_t> bytes);
    // Called after each transmission; may queue an answer with arriveAfter().
    std::function<void(const std::vector<uint8_t>& bytes, const std::string& port)> onTransmit;
    // Called at every open attempt, before it succeeds or fails.
    std::function<void(const std::string& port)> onOpen;
    // Ports whose open fails, with the reason reported.
    std::map<std::string, std::string> refuseOpen;
    bool failWrites = false;
    // The device went away: hungUp() reports it while the line is open;
    // close() clears it.
    bool hangUp = false;
    // What deliveryLatencyMs() reports.
    uint32_t latencyMs = 0;

    // --- record -----------------------------------------------------------
    const std::vector<Sent>& sent() const { return m_sent; }
    std::vector<std::vector<uint8_t>> sentFrames() const;
    const std::vector<std::string>& opened() const { return m_opened; }
    int closeCount() const { return m_closes; }
    int drainCount() const { return m_drains; }
    size_t pendingBytes() const;

    // --- SerialLine ---------------------------------------------------------
    bool open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool transmit(const uint8_t* data, size_t count) override;
    void drain() override { ++m_drains; }
    size_t bytesWaiting() override;
    size_t read(uint8_t* destination, size_t maxCount) override;
    std::string lastError() const override { return m_lastError; }
    bool hungUp() const override { return m_open && hangUp; }
    uint32_t deliveryLatencyMs() const override { return latencyMs; }

private:
    struct Chunk {
        uint64_t atMs;
        std::vector<uint8_t> bytes;
    };
    const Clock& m_clock;
    std::deque<Chunk> m_incoming; // ordered by arrival time
    std::vector<Sent> m_sent;
    std::vector<std::string> m_opened;
    std::string m_port;
    std::string m_lastError;
    bool m_open = false;
    int m_closes = 0;
    int m_drains = 0;
};

} // namespace kdx::test
