#pragma once

#include "protocol/Wire.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kdx::sim {

// Cuts the byte stream from the PC into frames. The application takes 6-byte
// command frames: a window that fails the checksum or end byte is dropped
// one byte at a time, so the receiver finds the next good frame. The
// bootloader takes 212-byte frames; a partial one is dropped after a pause
// on the line.
class FrameAssembler {
public:
    enum class Mode { Command, Boot };
    // Gets each complete frame; may switch the mode for the bytes that follow.
    using FrameHandler = std::function<void(const uint8_t* frame, size_t size)>;

    void setMode(Mode mode);
    Mode mode() const { return m_mode; }

    void feed(const uint8_t* data, size_t count, uint64_t nowMs, const FrameHandler& onFrame);

    // Command frames found broken (a run of dropped bytes counts once).
    uint32_t frameErrors() const { return m_frameErrors; }
    // Bytes thrown away since the last call (for tracing).
    std::vector<uint8_t> takeDiscarded();

    static bool validCommand(const uint8_t* frame);

private:
    Mode m_mode = Mode::Command;
    std::vector<uint8_t> m_buffer;
    std::vector<uint8_t> m_discarded;
    uint64_t m_lastByteMs = 0;
    bool m_inSync = true;
    uint32_t m_frameErrors = 0;
};

} // namespace kdx::sim
