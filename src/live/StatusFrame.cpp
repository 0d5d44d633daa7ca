#include "live/StatusFrame.h"

namespace kdx {

std::optional<StatusFrame> StatusFrame::fromResponse(const uint8_t* response, size_t length)
{
    if (response == nullptr || length < kSize + 2)
        return std::nullopt;
    std::array<uint8_t, kSize> bytes{};
    for (size_t k = 0; k < kSize; ++k)
        bytes[k] = response[kSize + 1 - k];
    return StatusFrame(bytes);
}

uint8_t StatusFrame::u8(size_t offset) const
{
    return offset < kSize ? m_bytes[offset] : 0;
}

uint16_t StatusFrame::u16(size_t offset) const
{
    return static_cast<uint16_t>(u8(offset) | (u8(offset + 1) << 8));
}

int16_t StatusFrame::s16(size_t offset) const
{
    return static_cast<int16_t>(u16(offset));
}

uint32_t StatusFrame::u32(size_t offset) const
{
    return static_cast<uint32_t>(u16(offset)) | (static_cast<uint32_t>(u16(offset + 2)) << 16);
}

uint64_t StatusFrame::u64(size_t offset) const
{
    return static_cast<uint64_t>(u32(offset)) | (static_cast<uint64_t>(u32(offset + 4)) << 32);
}

bool StatusFrame::bit(size_t offset, unsigned bitIndex) const
{
    return bitIndex < 8 && ((u8(offset) >> bitIndex) & 1u) != 0;
}

uint16_t StatusFrame::currentRaw(int channel) const
{
    if (channel < 1 || channel > 4)
        return 0;
    return u16(30 + 2 * static_cast<size_t>(channel - 1));
}

float StatusFrame::currentAmps(int channel) const
{
    return static_cast<float>(currentRaw(channel) * 0.00122 * 0.0005 * 2190);
}

} // namespace kdx
