#pragma once

#include "live/Tone.h"

#include <string>

namespace kdx {

// The tester's tone through ALSA: a sine at the given frequency, played to the
// end before play() returns. Without a sound device it still takes the whole
// duration and rings the terminal bell, so the tester's timing stays the same.
class AlsaTone : public Tone {
public:
    explicit AlsaTone(std::string device = "default");
    void play(uint32_t frequencyHz, uint32_t durationMs) override;

    // The last failure to reach the sound device, empty after a played tone.
    const std::string& lastError() const { return m_lastError; }

private:
    bool playSine(uint32_t frequencyHz, uint32_t durationMs);

    std::string m_device;
    std::string m_lastError;
};

} // namespace kdx
