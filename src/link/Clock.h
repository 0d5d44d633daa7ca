#pragma once

#include <cstdint>

namespace kdx {

// Time seam. Every protocol pause goes through sleepMs(), so tests run on
// virtual time and the real program on the wall clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Blocks the caller for about ms milliseconds (virtual time in tests).
    virtual void sleepMs(uint32_t ms) = 0;
    // Monotonic milliseconds since an arbitrary origin.
    virtual uint64_t nowMs() const = 0;
};

// The wall clock: steady_clock and a real sleep.
class SystemClock : public Clock {
public:
    void sleepMs(uint32_t ms) override;
    uint64_t nowMs() const override;
};

} // namespace kdx
