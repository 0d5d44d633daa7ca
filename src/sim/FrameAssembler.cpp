#include "sim/FrameAssembler.h"

#include "sim/SimConstants.h"

namespace kdx::sim {

bool FrameAssembler::validCommand(const uint8_t* f)
{
    return f[5] == wire::kFrameEnd && f[4] == wire::frameChecksum(f[0], f[1], f[2], f[3]);
}

void FrameAssembler::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_discarded.insert(m_discarded.end(), m_buffer.begin(), m_buffer.end());
    m_buffer.clear();
    m_mode = mode;
    m_inSync = true;
}

std::vector<uint8_t> FrameAssembler::takeDiscarded()
{
    std::vector<uint8_t> out;
    out.swap(m_discarded);
    return out;
}

void FrameAssembler::feed(const uint8_t* data, size_t count, uint64_t nowMs, const FrameHandler& onFrame)
{
    if (m_mode == Mode::Boot && !m_buffer.empty() && nowMs > m_lastByteMs + kBootFrameGapMs) {
        m_discarded.insert(m_discarded.end(), m_buffer.begin(), m_buffer.end());
        m_buffer.clear();
    }
    if (count > 0)
        m_lastByteMs = nowMs;

    for (size_t i = 0; i < count; ++i) {
        m_buffer.push_back(data[i]);
        if (m_mode == Mode::Command) {
            if (m_buffer.size() < wire::kFrameSize)
                continue;
            if (validCommand(m_buffer.data())) {
                m_inSync = true;
                const std::vector<uint8_t> frame = std::move(m_buffer);
                m_buffer.clear();
                onFrame(frame.data(), frame.size());
            } else {
                if (m_inSync)
                    ++m_frameErrors;
                m_inSync = false;
                m_discarded.push_back(m_buffer.front());
                m_buffer.erase(m_buffer.begin());
            }
        } else if (m_buffer.size() == wire::kBootFrameSize) {
            const std::vector<uint8_t> frame = std::move(m_buffer);
            m_buffer.clear();
            onFrame(frame.data(), frame.size());
        }
    }
}

} // namespace kdx::sim
