#pragma once

#include "ToolRig.h"

#include <QMetaObject>

#include <cstdint>
#include <vector>

namespace kdx::drive {

// Watches the main timer after the window has handled each tick: a tick that
// took the poll phase from "sent" back to "send next" read an answer, and
// one that moved no counter read a valid status frame.
class TickObserver {
public:
    explicit TickObserver(ToolRig& rig);
    ~TickObserver();
    TickObserver(const TickObserver&) = delete;
    TickObserver& operator=(const TickObserver&) = delete;

    // Times (ms, monotonic) at which valid frames were read, kept only while
    // asked for (a soak must not grow its own memory by them).
    void keepFrameTimes(bool keep) { m_keepTimes = keep; }
    const std::vector<double>& frameTimes() const { return m_frames; }
    uint64_t answersRead() const { return m_reads; }
    uint64_t validFrames() const { return m_valid; }

private:
    ToolRig& m_rig;
    QMetaObject::Connection m_connection;
    uint8_t m_phase = 0;
    uint32_t m_errors = 0;
    uint64_t m_reads = 0;
    uint64_t m_valid = 0;
    bool m_keepTimes = false;
    std::vector<double> m_frames;
};

} // namespace kdx::drive
