#include "live/SampleHistory.h"

#include <algorithm>

namespace kdx {

SampleHistory::SampleHistory(size_t capacity, int64_t keepMs)
    : m_ring(std::max<size_t>(capacity, 1)), m_keepMs(keepMs)
{
}

void SampleHistory::clear()
{
    m_head = 0;
    m_size = 0;
}

void SampleHistory::dropOldest()
{
    m_head = (m_head + 1) % m_ring.size();
    --m_size;
}

void SampleHistory::push(StatusSample sample)
{
    if (m_size > 0 && sample.utcMs < newest().utcMs)
        sample.utcMs = newest().utcMs;
    if (m_size == m_ring.size())
        dropOldest();
    m_ring[(m_head + m_size) % m_ring.size()] = sample;
    ++m_size;
    while (m_size > 1 && at(0).utcMs < sample.utcMs - m_keepMs)
        dropOldest();
}

size_t SampleHistory::lowerBound(int64_t utcMs) const
{
    size_t lo = 0, hi = m_size;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (at(mid).utcMs < utcMs)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::optional<size_t> SampleHistory::nearest(int64_t utcMs) const
{
    if (m_size == 0)
        return std::nullopt;
    const size_t i = lowerBound(utcMs);
    if (i == m_size)
        return m_size - 1;
    if (i == 0)
        return 0;
    return (utcMs - at(i - 1).utcMs <= at(i).utcMs - utcMs) ? i - 1 : i;
}

} // namespace kdx
