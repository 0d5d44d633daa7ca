#include "sim/UsbDelivery.h"

namespace kdx::sim {

void UsbDelivery::push(const uint8_t* bytes, size_t count, uint64_t nowMs)
{
    if (count == 0)
        return;
    m_held.insert(m_held.end(), bytes, bytes + count);
    m_lastByteMs = nowMs;
}

void UsbDelivery::release(uint64_t nowMs, std::vector<uint8_t>& out)
{
    size_t n = m_held.size() / kPacketBytes * kPacketBytes;
    if (n < m_held.size() && nowMs >= m_lastByteMs + m_latencyMs)
        n = m_held.size();
    out.insert(out.end(), m_held.begin(), m_held.begin() + static_cast<long>(n));
    m_held.erase(m_held.begin(), m_held.begin() + static_cast<long>(n));
}

std::optional<uint64_t> UsbDelivery::nextReleaseMs() const
{
    if (m_held.empty())
        return std::nullopt;
    if (m_held.size() >= kPacketBytes)
        return m_lastByteMs;
    return m_lastByteMs + m_latencyMs;
}

} // namespace kdx::sim
