#pragma once

#include "live/Tone.h"

#include <memory>

namespace kdx {

// The tester's tone on the system the window runs on: a sine through ALSA on
// Linux, the system's beep on Windows. Both block for the whole duration.
std::unique_ptr<Tone> makeSystemTone();

} // namespace kdx
