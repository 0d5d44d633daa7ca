#pragma once

#include "prompts/UserPrompts.h"
#include "live/ImageWriter.h"
#include "live/StatusFrame.h"
#include "live/Tone.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kdx::test {

// Records the register writes instead of sending them.
class RecordingWriter : public ImageWriter {
public:
    std::vector<std::string> calls; // "W28", "D24", "S"
    int saves = 0;
    bool portWorks = true; // false: every frame fails to reach the port
    bool writeWord(unsigned index) override
    {
        calls.push_back("W" + std::to_string(index));
        return true;
    }
    bool writeDword(unsigned offset) override
    {
        calls.push_back("D" + std::to_string(offset));
        return true;
    }
    bool saveToEeprom() override
    {
        calls.push_back("S");
        ++saves;
        return portWorks;
    }
};

class RecordingPrompts : public UserPrompts {
public:
    std::vector<std::string> messages;
    void message(const std::string& text) override { messages.push_back(text); }
    bool okCancel(const std::string&, const std::string&) override { return true; }
    std::optional<std::string> openFirmwareFile(const std::string&) override { return std::nullopt; }
};

class RecordingTone : public Tone {
public:
    std::vector<std::pair<uint32_t, uint32_t>> played;
    void play(uint32_t hz, uint32_t ms) override { played.emplace_back(hz, ms); }
};

// A frame with the given bytes set (offset, value); the rest zero.
inline StatusFrame frameWith(std::initializer_list<std::pair<size_t, uint8_t>> bytes)
{
    std::array<uint8_t, StatusFrame::kSize> b{};
    for (const auto& [offset, value] : bytes)
        b.at(offset) = value;
    return StatusFrame(b);
}

inline StatusFrame frameWithWord(size_t offset, uint16_t value)
{
    return frameWith({{offset, static_cast<uint8_t>(value & 0xFF)}, {offset + 1, static_cast<uint8_t>(value >> 8)}});
}

// The controller's 100-byte answer carrying frame: header, the payload in
// reverse order, checksum, end byte.
inline std::vector<uint8_t> statusAnswer(const StatusFrame& frame)
{
    std::vector<uint8_t> a(100, 0);
    a[0] = 0x56;
    a[1] = 0x05;
    uint8_t sum = 0xAA;
    for (size_t k = 0; k < StatusFrame::kSize; ++k) {
        a[97 - k] = frame.bytes()[k];
    }
    for (size_t i = 2; i < 98; ++i)
        sum = static_cast<uint8_t>(sum + a[i]);
    a[98] = sum;
    a[99] = 0xE0;
    return a;
}

} // namespace kdx::test
