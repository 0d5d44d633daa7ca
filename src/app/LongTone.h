#pragma once

#include "app/ProcedureRunner.h"
#include "live/Tone.h"

namespace kdx {

// The tester's alarm as a long operation: the window is blocked for the
// whole second, and what the technician clicks or types meanwhile is
// discarded rather than replayed afterwards.
class LongTone : public Tone {
public:
    LongTone(Tone& tone, BusyState& busy) : m_tone(tone), m_runner(busy) {}
    void play(uint32_t frequencyHz, uint32_t durationMs) override
    {
        m_runner.runLong([&] { m_tone.play(frequencyHz, durationMs); });
    }

private:
    Tone& m_tone;
    ProcedureRunner m_runner;
};

} // namespace kdx
