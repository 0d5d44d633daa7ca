#include "sim/SimAnswers.h"

#include "protocol/Wire.h"

namespace kdx::sim::answers {

std::vector<uint8_t> identify(uint8_t hardware, uint8_t software, uint8_t revision)
{
    return {wire::kIdentifyStart, hardware, software, revision, 0x00, 0x00, 0x00, wire::kFrameEnd};
}

std::vector<uint8_t> page(const ParameterMemory& memory, uint16_t address)
{
    std::vector<uint8_t> out;
    out.reserve(wire::kPageResponseLen);
    out.push_back(wire::kPageStart);
    out.push_back(wire::kPageSecond);
    uint8_t sum = wire::kFrameSumBias;
    for (size_t i = 0; i < wire::kPageSize; ++i) {
        const uint8_t b = memory.byteAt((address + i) % kMemorySize);
        out.push_back(b);
        sum = static_cast<uint8_t>(sum + b);
    }
    out.push_back(sum);
    out.push_back(wire::kFrameEnd);
    return out;
}

std::vector<uint8_t> status(const SimStatus::Frame& frame)
{
    std::vector<uint8_t> out;
    out.reserve(wire::kStatusResponseLen);
    out.push_back(wire::kStatusStart);
    out.push_back(wire::kStatusSecond);
    uint8_t sum = wire::kFrameSumBias;
    for (size_t k = 0; k < frame.size(); ++k) {
        const uint8_t b = frame[frame.size() - 1 - k];
        out.push_back(b);
        sum = static_cast<uint8_t>(sum + b);
    }
    out.push_back(sum);
    out.push_back(wire::kFrameEnd);
    return out;
}

} // namespace kdx::sim::answers
