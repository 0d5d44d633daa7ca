#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace kdx::sim {

// The controller's transmitter: answers go out one after another at 19200
// baud 8N1, so byte i of an answer starting at t is complete at
// t + (i + 1) * 10 / 19200 s. Times are microseconds of the caller's clock.
class WireQueue {
public:
    // Queues an answer whose first start bit goes out at startUs, or as soon
    // as the previous answer has left the transmitter.
    void push(std::vector<uint8_t> bytes, uint64_t startUs);
    // Bytes complete on the wire by nowUs and not yet taken.
    size_t available(uint64_t nowUs) const;
    size_t take(uint8_t* destination, size_t maxCount, uint64_t nowUs);
    // When the next byte not yet taken is complete; empty when nothing is queued.
    std::optional<uint64_t> nextByteUs() const;
    // Drops what is complete by nowUs (heard by nobody); later bytes stay.
    void discardDue(uint64_t nowUs);
    void clear() { m_segments.clear(); }
    bool empty() const { return m_segments.empty(); }

    // Wire time of the first n bytes of an answer, in microseconds.
    static uint64_t bytesUs(size_t n);

private:
    struct Segment {
        uint64_t startUs;
        std::vector<uint8_t> bytes;
        size_t taken;
    };
    size_t dueIn(const Segment& s, uint64_t nowUs) const;
    std::deque<Segment> m_segments;
};

} // namespace kdx::sim
