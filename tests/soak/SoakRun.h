#pragma once

#include <cstdint>
#include <string>

namespace kdx::drive {

struct SoakOptions {
    std::string simProgram;   // kdx-sim
    std::string workDir;      // scratch folder for the EEPROM file
    double minutes = 10;
    uint32_t faultPercent = 1;
    uint32_t seed = 1;
    int editEverySeconds = 20;
};

// The fault soak: the tool polls kdx-sim with mixed random faults while the
// driver edits parameters through the window; afterwards the tool's link
// counters must equal what the simulator injected, the resident memory must
// not have grown by 1 MiB after the warm-up, every edit must have reached the
// simulated EEPROM and nothing may have crashed. Prints its figures; returns
// the process exit status (0 all checks held).
int runSoak(const SoakOptions& options);

} // namespace kdx::drive
