#pragma once

#include "sim/FaultSet.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kdx::sim {

// The controller's bootloader: answers the query and the write-mode switch,
// takes firmware blocks of 210 payload bytes with their sum, and leaves on
// the leave frame. Blocks are numbered in the order they are accepted since
// the last switch to writing.
class Bootloader {
public:
    struct Version {
        uint8_t software = 0;
        uint8_t revision = 0;
    };
    struct Outcome {
        std::vector<uint8_t> reply; // empty: nothing is answered
        bool leave = false;
    };

    // Starts a fresh session; rejections are taken from the fault set.
    void enter(const std::vector<FaultSet::Rejection>& rejections);
    Outcome handleFrame(const uint8_t* frame, size_t size);

    bool writeMode() const { return m_writeMode; }
    uint32_t blocksAccepted() const { return m_nextBlock; }
    uint32_t rejectionsSent() const { return m_rejectionsSent; }
    // True once a block has been written to the flash in this session.
    bool flashWritten() const { return m_nextBlock > 0; }
    // Version of the new firmware from its version text "VVV.RRR.CCC"
    // (software version, revision, compatibility): the one at bytes 43..53 of
    // block 0, else the first such text anywhere in the blocks written.
    std::optional<Version> newVersion() const { return m_placedVersion ? m_placedVersion : m_foundVersion; }

    // The version text at bytes 43..53 of a payload; never reads past size.
    static std::optional<Version> parseVersionText(const uint8_t* payload, size_t size);
    static std::optional<Version> findVersionText(const uint8_t* payload, size_t size);

private:
    std::vector<uint8_t> blockReply(uint8_t code, uint32_t index) const;
    static std::optional<Version> versionAt(const uint8_t* text); // 11 bytes

    std::vector<FaultSet::Rejection> m_rejections;
    bool m_writeMode = false;
    uint32_t m_nextBlock = 0;
    uint32_t m_rejectionsSent = 0;
    // After a rejection the tool sends the block twice before it reads a
    // reply; the copy arriving after the block was accepted is the same
    // block, not the next one.
    std::vector<uint8_t> m_lastAccepted;
    bool m_repeatWindow = false;
    bool m_lastRejected = false;
    std::optional<Version> m_placedVersion;
    std::optional<Version> m_foundVersion;
};

} // namespace kdx::sim
