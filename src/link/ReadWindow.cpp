#include "link/ReadWindow.h"

namespace kdx {

std::array<uint32_t, wire::kMaxPolls> readWindowPauses(uint32_t needMs)
{
    std::array<uint32_t, wire::kMaxPolls> pauses;
    pauses.fill(wire::kPollPauseMs);
    constexpr int counted = wire::kMaxPolls - 1; // polls whose bytes can count
    constexpr uint32_t fastSpan = wire::kFastPolls * wire::kPollPauseMs;
    if (needMs <= counted * wire::kPollPauseMs)
        return pauses;
    constexpr uint32_t slowPolls = counted - wire::kFastPolls;
    const uint32_t slowPause = (needMs - fastSpan + slowPolls - 1) / slowPolls;
    for (int i = wire::kFastPolls; i < counted; ++i)
        pauses[static_cast<size_t>(i)] = slowPause;
    return pauses;
}

uint32_t answerDueInMs(uint64_t nowMs, uint64_t requestEndMs, size_t expectedBytes, uint32_t latencyMs)
{
    const uint64_t wireMs = (wire::wireTimeUs(expectedBytes) + 999) / 1000;
    const uint64_t due = requestEndMs + wire::kTurnaroundAllowanceMs + wireMs + latencyMs;
    return due > nowMs ? static_cast<uint32_t>(due - nowMs) : 0;
}

uint64_t answerCompleteFromMs(uint64_t nowMs, size_t expectedBytes, size_t haveBytes, uint32_t latencyMs)
{
    if (haveBytes >= expectedBytes)
        return nowMs;
    // Whole milliseconds, rounded down: a bound that is never late.
    const uint64_t restMs = wire::wireTimeUs(expectedBytes - haveBytes) / 1000;
    return restMs > latencyMs ? nowMs + restMs - latencyMs : nowMs;
}

} // namespace kdx
