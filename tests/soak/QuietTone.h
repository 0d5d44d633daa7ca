#pragma once

#include "live/Tone.h"

#include <cstdint>

namespace kdx::drive {

// The tester's beep, silent: a driven run never plays it.
class QuietTone : public Tone {
public:
    void play(uint32_t, uint32_t) override {}
};

} // namespace kdx::drive
