#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx::drive {

// The p-th percentile (0..100) by the nearest-rank rule; empty for no values.
std::optional<double> percentile(std::vector<double> values, double p);
double mean(const std::vector<double>& values);
// Differences of consecutive times.
std::vector<double> intervals(const std::vector<double>& times);

// Resident set (VmRSS) and its peak (VmHWM) of this process, kB.
uint64_t residentKb();
uint64_t peakResidentKb();
// CPU time of this process (all threads), ms.
double processCpuMs();
// Times the process went to sleep of its own accord (waiting for a timer or
// input), i.e. how often something woke it.
uint64_t processSleeps();
// Monotonic ms since an arbitrary origin, fractional.
double nowMs();

std::string formatMs(double ms);

} // namespace kdx::drive
