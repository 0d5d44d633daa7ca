#pragma once

#include "link/Clock.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kdx::test {

// Virtual time: sleepMs() only advances the clock and records the request.
// Simulated lines read nowMs() to deliver what has arrived on the wire by then.
class TestClock : public Clock {
public:
    void sleepMs(uint32_t ms) override
    {
        m_now += ms;
        m_sleeps.push_back(ms);
    }
    uint64_t nowMs() const override { return m_now; }

    void advance(uint64_t ms) { m_now += ms; }
    // Every sleep requested so far, in order.
    const std::vector<uint32_t>& sleeps() const { return m_sleeps; }
    uint64_t totalSlept() const
    {
        uint64_t t = 0;
        for (auto s : m_sleeps) t += s;
        return t;
    }
    void clearSleeps() { m_sleeps.clear(); }

private:
    uint64_t m_now = 1000;
    std::vector<uint32_t> m_sleeps;
};

} // namespace kdx::test
