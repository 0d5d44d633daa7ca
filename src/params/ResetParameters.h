#pragma once

#include "link/Clock.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"

#include <functional>
#include <string>

namespace kdx {

// "RESET PARAMETERS!": stores the default set, sends all 256 words in
// ascending order whatever their content, waits 10 ms, asks the controller
// to save to EEPROM and waits 1000 ms. The caller then reconnects
// (AutoConnect), whose full read shows what the controller really holds.
// Before the first complete read nothing is sent and the image just holds the
// defaults. When the line refuses a frame (the adapter was pulled) it stops
// at once: nothing more is sent, the save least of all, and the outcome says
// how far it came and what the controller holds.
struct ResetOutcome {
    bool completed = false; // every word and the save went out
    int wordsSent = 0;
    bool saveSent = false;
    std::string report;     // when not completed: what to tell the technician
};

class ResetParameters {
public:
    // Progress of the word writes: (position, maximum); first (0, 256), then
    // (i, 256) after word i. The window moves its progress bar and keeps
    // repainting from here.
    using Progress = std::function<void(int position, int maximum)>;

    static ResetOutcome run(ParameterImage& image, RegisterWriter& writer, Clock& clock, const Progress& progress);
};

} // namespace kdx
