#pragma once

#include "link/TrafficLog.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

namespace kdx::sim {

// Answers as a recorded traffic export says the controller answered: each
// request gets the answers that followed the same request bytes in the
// recording, in their order (the last one again once they run out); a
// request that went unanswered there gets no answer here, and one never
// recorded gets none either.
class TrafficReplay {
public:
    explicit TrafficReplay(const std::vector<TrafficRecord>& records);

    // The bytes to send for this request; nullopt for silence.
    std::optional<std::vector<uint8_t>> answerTo(const uint8_t* frame, size_t size);
    // Requests the recording holds an answer (or a silence) for.
    size_t requestsKnown() const { return m_answers.size(); }

private:
    // Per request, the answers still to give; an empty answer is a silence.
    std::map<std::vector<uint8_t>, std::deque<std::vector<uint8_t>>> m_answers;
};

} // namespace kdx::sim
