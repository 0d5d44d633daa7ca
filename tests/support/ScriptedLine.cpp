#include "support/ScriptedLine.h"

#include <algorithm>

namespace kdx::test {

void ScriptedLine::arriveAt(uint64_t atMs, std::vector<uint8_t> bytes)
{
    auto pos = std::upper_bound(m_incoming.begin(), m_incoming.end(), atMs,
                                [](uint64_t t, const Chunk& c) { return t < c.atMs; });
    m_incoming.insert(pos, Chunk{atMs, std::move(bytes)});
}

void ScriptedLine::arriveAfter(uint64_t delayMs, std::vector<uint8_t> bytes)
{
    arriveAt(m_clock.nowMs() + delayMs, std::move(bytes));
}

std::vector<std::vector<uint8_t>> ScriptedLine::sentFrames() const
{
    std::vector<std::vector<uint8_t>> frames;
    for (const auto& s : m_sent)
        frames.push_back(s.bytes);
    return frames;
}

size_t ScriptedLine::pendingBytes() const
{
    size_t n = 0;
    for (const auto& c : m_incoming)
        n += c.bytes.size();
    return n;
}

bool ScriptedLine::open(const std::string& deviceName)
{
    m_opened.push_back(deviceName);
    if (onOpen)
        onOpen(deviceName);
    auto it = refuseOpen.find(deviceName);
    if (it != refuseOpen.end()) {
        m_lastError = it->second;
        return false;
    }
    m_lastError.clear();
    m_port = deviceName;
    m_open = true;
    return true;
}

void ScriptedLine::close()
{
    ++m_closes;
    m_open = false;
    hangUp = false;
}

bool ScriptedLine::transmit(const uint8_t* data, size_t count)
{
    if (!m_open || failWrites)
        return false;
    std::vector<uint8_t> bytes(data, data + count);
    m_sent.push_back(Sent{m_clock.nowMs(), m_port, bytes});
    if (onTransmit)
        onTransmit(bytes, m_port);
    return true;
}

size_t ScriptedLine::bytesWaiting()
{
    if (!m_open)
        return 0;
    size_t n = 0;
    for (const auto& c : m_incoming) {
        if (c.atMs > m_clock.nowMs())
            break;
        n += c.bytes.size();
    }
    return n;
}

size_t ScriptedLine::read(uint8_t* destination, size_t maxCount)
{
    size_t n = 0;
    while (n < maxCount && !m_incoming.empty() && m_incoming.front().atMs <= m_clock.nowMs()) {
        auto& chunk = m_incoming.front().bytes;
        const size_t take = std::min(maxCount - n, chunk.size());
        std::copy_n(chunk.begin(), take, destination + n);
        n += take;
        chunk.erase(chunk.begin(), chunk.begin() + static_cast<long>(take));
        if (chunk.empty())
            m_incoming.pop_front();
    }
    return n;
}

} // namespace kdx::test
