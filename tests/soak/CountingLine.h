#pragma once

#include "protocol/Wire.h"
#include "link/SerialLine.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kdx::drive {

// Passes everything to the real line and counts the command frames the tool
// sent by kind, so a budget can follow what an operation actually did (the
// connection log writes 3 or 21 frames, depending on what it found).
class CountingLine : public SerialLine {
public:
    struct Counts {
        uint32_t identify = 0;
        uint32_t pageRequests = 0;
        uint32_t statusRequests = 0;
        uint32_t writes = 0; // word and byte writes
        uint32_t saves = 0;
        uint32_t otherFrames = 0; // bootloader frames, mode commands
        uint64_t bytesSent = 0;
        uint64_t inputChecks = 0; // how often the tool asked for waiting bytes
    };

    explicit CountingLine(SerialLine& line) : m_line(line) {}

    bool open(const std::string& deviceName) override { return m_line.open(deviceName); }
    void close() override { m_line.close(); }
    bool isOpen() const override { return m_line.isOpen(); }
    bool transmit(const uint8_t* data, size_t count) override
    {
        m_counts.bytesSent += count;
        if (count == wire::kFrameSize) {
            const uint8_t code = data[0];
            if (code == wire::kCmdIdentify)
                ++m_counts.identify;
            else if (code == wire::kCmdRead && data[1] == wire::kReadPage)
                ++m_counts.pageRequests;
            else if (code == wire::kCmdRead && data[1] == wire::kReadStatus)
                ++m_counts.statusRequests;
            else if (code >= wire::kCmdWriteByteBase && code < wire::kCmdSaveToEeprom)
                ++m_counts.writes;
            else if (code == wire::kCmdSaveToEeprom)
                ++m_counts.saves;
            else
                ++m_counts.otherFrames;
        } else {
            ++m_counts.otherFrames;
        }
        return m_line.transmit(data, count);
    }
    void drain() override { m_line.drain(); }
    size_t bytesWaiting() override
    {
        ++m_counts.inputChecks;
        return m_line.bytesWaiting();
    }
    size_t read(uint8_t* destination, size_t maxCount) override { return m_line.read(destination, maxCount); }
    std::string lastError() const override { return m_line.lastError(); }
    bool hungUp() const override { return m_line.hungUp(); }
    uint32_t deliveryLatencyMs() const override { return m_line.deliveryLatencyMs(); }

    const Counts& counts() const { return m_counts; }

private:
    SerialLine& m_line;
    Counts m_counts;
};

} // namespace kdx::drive
