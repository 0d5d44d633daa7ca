#include "sim/TrafficReplay.h"

namespace kdx::sim {

TrafficReplay::TrafficReplay(const std::vector<TrafficRecord>& records)
{
    const std::vector<uint8_t>* request = nullptr;
    std::vector<uint8_t> answer;
    auto close = [&] {
        if (request)
            m_answers[*request].push_back(answer);
        answer.clear();
    };
    for (const TrafficRecord& r : records) {
        if (r.sender == TrafficRecord::Sender::Pc) {
            close();
            request = &r.bytes;
        } else if (r.sender == TrafficRecord::Sender::Ecu && request) {
            answer.insert(answer.end(), r.bytes.begin(), r.bytes.end());
        }
    }
    close();
}

std::optional<std::vector<uint8_t>> TrafficReplay::answerTo(const uint8_t* frame, size_t size)
{
    const auto it = m_answers.find(std::vector<uint8_t>(frame, frame + size));
    if (it == m_answers.end() || it->second.empty())
        return std::nullopt;
    std::vector<uint8_t> answer = it->second.front();
    if (it->second.size() > 1)
        it->second.pop_front();
    if (answer.empty())
        return std::nullopt;
    return answer;
}

} // namespace kdx::sim
