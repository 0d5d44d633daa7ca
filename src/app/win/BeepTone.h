#pragma once

#include "live/Tone.h"

namespace kdx {

// The tester's tone through the system's beep, which plays the frequency for
// the duration and returns when it is over.
class BeepTone : public Tone {
public:
    void play(uint32_t frequencyHz, uint32_t durationMs) override;
};

} // namespace kdx
