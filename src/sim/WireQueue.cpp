#include "sim/WireQueue.h"

#include "protocol/Wire.h"

#include <algorithm>

namespace kdx::sim {

uint64_t WireQueue::bytesUs(size_t n)
{
    // Rounded up, so that the n-th byte is complete at exactly this time.
    const uint64_t bitUs = static_cast<uint64_t>(n) * wire::kBitsPerByte * 1000000ull;
    return (bitUs + wire::kBaudRate - 1) / wire::kBaudRate;
}

void WireQueue::push(std::vector<uint8_t> bytes, uint64_t startUs)
{
    if (bytes.empty())
        return;
    if (!m_segments.empty()) {
        const Segment& last = m_segments.back();
        startUs = std::max(startUs, last.startUs + bytesUs(last.bytes.size()));
    }
    m_segments.push_back(Segment{startUs, std::move(bytes), 0});
}

size_t WireQueue::dueIn(const Segment& s, uint64_t nowUs) const
{
    if (nowUs < s.startUs)
        return 0;
    const uint64_t elapsed = nowUs - s.startUs;
    const uint64_t complete = elapsed * wire::kBaudRate / (wire::kBitsPerByte * 1000000ull);
    return static_cast<size_t>(std::min<uint64_t>(complete, s.bytes.size()));
}

size_t WireQueue::available(uint64_t nowUs) const
{
    size_t n = 0;
    for (const Segment& s : m_segments) {
        const size_t due = dueIn(s, nowUs);
        n += due - s.taken;
        if (due < s.bytes.size())
            break; // later answers have not started yet
    }
    return n;
}

size_t WireQueue::take(uint8_t* destination, size_t maxCount, uint64_t nowUs)
{
    size_t n = 0;
    while (n < maxCount && !m_segments.empty()) {
        Segment& s = m_segments.front();
        const size_t due = dueIn(s, nowUs);
        const size_t count = std::min(due - s.taken, maxCount - n);
        std::copy_n(s.bytes.begin() + static_cast<long>(s.taken), count, destination + n);
        s.taken += count;
        n += count;
        if (s.taken == s.bytes.size())
            m_segments.pop_front();
        else
            break;
    }
    return n;
}

std::optional<uint64_t> WireQueue::nextByteUs() const
{
    if (m_segments.empty())
        return std::nullopt;
    const Segment& s = m_segments.front();
    return s.startUs + bytesUs(s.taken + 1);
}

void WireQueue::discardDue(uint64_t nowUs)
{
    while (!m_segments.empty()) {
        Segment& s = m_segments.front();
        s.taken = std::max(s.taken, dueIn(s, nowUs));
        if (s.taken < s.bytes.size())
            return;
        m_segments.pop_front();
    }
}

} // namespace kdx::sim
