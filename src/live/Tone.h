#pragma once

#include <cstdint>

namespace kdx {

// The tester's audible alarm. play() blocks for the whole duration, as the
// technician must notice a failed controller before the line moves on.
class Tone {
public:
    virtual ~Tone() = default;
    virtual void play(uint32_t frequencyHz, uint32_t durationMs) = 0;
};

} // namespace kdx
