#pragma once

#include <string>

namespace kdx::drive {

struct BenchOptions {
    std::string simProgram; // kdx-sim
    std::string self;       // this program, run again to time a start-up
    std::string workDir;    // scratch folder for the EEPROM file
    std::string firmware;   // the sample firmware file
    int pollSeconds = 60;
    int connects = 5;
    int startups = 3;
};

// Measures the tool against kdx-sim on a pseudo-terminal in real time and
// prints one table: each operation with its protocol budget and the ratio,
// then CPU while polling, start to a shown window and peak resident memory.
int runBench(const BenchOptions& options);

// The start-up measured by runBench in a fresh process: builds the program
// and shows its window; prints the ms since t0 (CLOCK_MONOTONIC, ns).
int runStartup(long long t0Ns);

} // namespace kdx::drive
