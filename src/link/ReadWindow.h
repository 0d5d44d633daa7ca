#pragma once

#include "protocol/Wire.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kdx {

// The pauses before polls 1 to 21 of one read. Poll 20 is the last whose
// bytes can still count (at poll 21), so it comes no earlier than needMs
// after the read started: the first kFastPolls pauses are kPollPauseMs, the
// following ones share what is left of needMs, the last one is kPollPauseMs.
// With needMs up to 20 * kPollPauseMs every pause is kPollPauseMs.
std::array<uint32_t, wire::kMaxPolls> readWindowPauses(uint32_t needMs);

// How long from now an answer of expectedBytes may take to be complete in
// the driver, when its request left the transmitter at requestEndMs and the
// device holds received bytes back for up to latencyMs; 0 when past.
uint32_t answerDueInMs(uint64_t nowMs, uint64_t requestEndMs, size_t expectedBytes, uint32_t latencyMs);

// The earliest time an answer of expectedBytes can be complete in the driver
// when haveBytes of it were there at nowMs: the rest needs its wire time,
// less the latencyMs for which the adapter may hold received bytes back
// (it may hand them over all at once). nowMs itself when nothing is missing.
uint64_t answerCompleteFromMs(uint64_t nowMs, size_t expectedBytes, size_t haveBytes, uint32_t latencyMs);

} // namespace kdx
