#pragma once

#include <string>

namespace kdx::drive {

struct PollOptions {
    std::string simProgram; // kdx-sim; empty: no controller at all (the port is absent)
    std::string workDir;
    int seconds = 20;
    bool charts = false;    // the charts page open and recording
    bool minimised = false; // the window minimised while it polls
    bool unplug = false;    // kdx-sim ends once connected: the adapter is gone
};

// Connects the tool to kdx-sim (when given), lets it poll for the given
// time with the window shown and prints "cpu-percent=X" (CPU time of the
// process over wall time) and the frames read; for repeated CPU figures and
// for running under a profiler.
int runPoll(const PollOptions& options);

} // namespace kdx::drive
