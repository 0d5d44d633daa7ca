#pragma once

#include "live/StatusSample.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kdx {

// A bounded ring of status samples in time order, oldest first. It holds at
// most `capacity` samples and none older than `keepMs` before the newest, so
// an hour of polling costs no more memory than its last minutes. The storage
// is allocated once.
class SampleHistory {
public:
    SampleHistory(size_t capacity, int64_t keepMs);

    // Adds the newest sample. A time stamp before the newest one is taken as
    // the newest one's, so the history stays in order for the searches below.
    void push(StatusSample sample);
    void clear();

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_t capacity() const { return m_ring.size(); }
    int64_t keepMs() const { return m_keepMs; }
    // Sample i, 0 being the oldest held.
    const StatusSample& at(size_t i) const { return m_ring[(m_head + i) % m_ring.size()]; }
    const StatusSample& newest() const { return at(m_size - 1); }

    // Index of the first sample at or after utcMs (size() when none).
    size_t lowerBound(int64_t utcMs) const;
    // The sample nearest to utcMs in time, if any.
    std::optional<size_t> nearest(int64_t utcMs) const;

private:
    void dropOldest();

    std::vector<StatusSample> m_ring;
    int64_t m_keepMs;
    size_t m_head = 0;
    size_t m_size = 0;
};

} // namespace kdx
