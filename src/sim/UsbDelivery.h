#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kdx::sim {

// What a USB serial adapter does with the bytes it receives from the line:
// it collects them and hands them to the PC in USB packets of up to 62 data
// bytes, a full one at once, a partly filled one when its latency timer runs
// out. Modelled at its worst: a partly filled packet leaves latencyMs after
// its last byte came in. Times are milliseconds of the caller's clock.
class UsbDelivery {
public:
    static constexpr size_t kPacketBytes = 62;

    explicit UsbDelivery(uint32_t latencyMs) : m_latencyMs(latencyMs) {}

    // Bytes that came off the line at nowMs.
    void push(const uint8_t* bytes, size_t count, uint64_t nowMs);
    // Appends to out what the PC has received by nowMs.
    void release(uint64_t nowMs, std::vector<uint8_t>& out);
    // When the next bytes go to the PC; empty when nothing is held.
    std::optional<uint64_t> nextReleaseMs() const;
    void clear() { m_held.clear(); }

private:
    uint32_t m_latencyMs;
    std::vector<uint8_t> m_held;
    uint64_t m_lastByteMs = 0;
};

} // namespace kdx::sim
