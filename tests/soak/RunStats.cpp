#include "RunStats.h"

#include "SimReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <fstream>
#include <iterator>
#include <numeric>

namespace kdx::drive {

std::optional<double> percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(std::clamp(p, 0.0, 100.0) / 100.0 * static_cast<double>(values.size()));
    const size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
    return values[std::min(index, values.size() - 1)];
}

double mean(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

std::vector<double> intervals(const std::vector<double>& times)
{
    std::vector<double> out;
    for (size_t i = 1; i < times.size(); ++i)
        out.push_back(times[i] - times[i - 1]);
    return out;
}

namespace {

uint64_t statusField(const char* field)
{
    std::ifstream in("/proc/self/status");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return procStatusKb(text, field).value_or(0);
}

} // namespace

uint64_t residentKb() { return statusField("VmRSS"); }
uint64_t peakResidentKb() { return statusField("VmHWM"); }

double processCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

uint64_t processSleeps()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<uint64_t>(u.ru_nvcsw);
}

double nowMs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::string formatMs(double ms)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.1f ms", ms);
    return b;
}

} // namespace kdx::drive
