#include "link/TrafficCapture.h"

#include <algorithm>
#include <cstdio>

namespace kdx {

TrafficCapture::TrafficCapture(SerialLine& inner, const Clock& clock) : m_inner(inner), m_clock(clock) {}

void TrafficCapture::start(int64_t offsetMs)
{
    m_offsetMs = offsetMs;
    m_recording = true;
    if (m_ring.size() != kCapacity)
        m_ring.resize(kCapacity);
}

void TrafficCapture::stop()
{
    closeAnswer();
    m_recording = false;
}

void TrafficCapture::clear()
{
    m_first = m_total;
    m_answerOpen = false;
    if (!m_recording)
        std::vector<TrafficRecord>().swap(m_ring); // nothing kept while closed
}

uint64_t TrafficCapture::now() const
{
    return static_cast<uint64_t>(static_cast<int64_t>(m_clock.nowMs()) + m_offsetMs);
}

void TrafficCapture::add(TrafficRecord record)
{
    if (m_ring.size() != kCapacity)
        m_ring.resize(kCapacity);
    m_ring[m_total % kCapacity] = std::move(record);
    ++m_total;
}

void TrafficCapture::closeAnswer()
{
    if (!m_answerOpen)
        return;
    m_answerOpen = false;
    m_answer.kind = answerKind(m_answer.bytes.data(), m_answer.bytes.size(), m_requestKind);
    add(std::move(m_answer));
    m_answer = {};
}

std::vector<TrafficRecord> TrafficCapture::takeSince(uint64_t& next)
{
    closeAnswer();
    std::vector<TrafficRecord> out;
    const uint64_t kept = std::min<uint64_t>(m_total - m_first, kCapacity);
    for (uint64_t seq = std::max(next, m_total - kept); seq < m_total; ++seq)
        out.push_back(m_ring[seq % kCapacity]);
    next = m_total;
    return out;
}

void TrafficCapture::note(const std::string& kind, const std::string& text)
{
    if (!m_recording)
        return;
    closeAnswer();
    TrafficRecord r;
    r.timeMs = now();
    r.sender = TrafficRecord::Sender::None;
    r.kind = kind;
    r.note = text;
    add(std::move(r));
}

bool TrafficCapture::open(const std::string& deviceName)
{
    if (m_recording)
        closeAnswer();
    return m_inner.open(deviceName);
}

void TrafficCapture::close()
{
    if (m_recording)
        closeAnswer();
    m_inner.close();
}

bool TrafficCapture::transmit(const uint8_t* data, size_t count)
{
    if (!m_recording)
        return m_inner.transmit(data, count);
    closeAnswer();
    // The PC is the master: a gap between requests is the tool's own pause
    // (a dialog, a long operation, nothing to ask), not the controller's.
    const uint64_t sentMs = m_clock.nowMs();
    if (m_sentBefore && sentMs - m_lastSentMs >= kPauseNoteMs) {
        char text[48];
        std::snprintf(text, sizeof text, "no request for %.1f s", static_cast<double>(sentMs - m_lastSentMs) / 1000.0);
        note("pause", text);
    }
    m_sentBefore = true;
    m_lastSentMs = sentMs;
    TrafficRecord r;
    r.timeMs = now();
    r.sender = TrafficRecord::Sender::Pc;
    r.kind = commandKind(data, count);
    r.bytes.assign(data, data + count);
    const bool ok = m_inner.transmit(data, count);
    if (!ok)
        r.note = "write failed";
    m_requestKind = r.kind;
    add(std::move(r));
    return ok;
}

size_t TrafficCapture::read(uint8_t* destination, size_t maxCount)
{
    const size_t n = m_inner.read(destination, maxCount);
    if (!m_recording || n == 0)
        return n;
    if (!m_answerOpen) {
        m_answerOpen = true;
        m_answer = {};
        m_answer.timeMs = now();
        m_answer.sender = TrafficRecord::Sender::Ecu;
    }
    m_answer.bytes.insert(m_answer.bytes.end(), destination, destination + n);
    return n;
}

} // namespace kdx
