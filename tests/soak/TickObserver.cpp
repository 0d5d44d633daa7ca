#include "TickObserver.h"

#include "RunStats.h"

#include <QTimer>

namespace kdx::drive {

TickObserver::TickObserver(ToolRig& rig) : m_rig(rig)
{
    // Connected after the window's own handler, so it runs after the tick.
    m_connection = QObject::connect(rig.window().timer1(), &QTimer::timeout, [this] {
        const StatusPoller& p = m_rig.context.session.poller();
        const uint32_t errors = p.lostPacketCount() + p.badPacketCount() + p.crcErrorCount();
        const uint8_t phase = p.pollPhase();
        if (m_phase == 1 && phase == 0) {
            ++m_reads;
            if (errors == m_errors) {
                ++m_valid;
                if (m_keepTimes)
                    m_frames.push_back(nowMs());
            }
        }
        m_phase = phase;
        m_errors = errors;
    });
}

TickObserver::~TickObserver() { QObject::disconnect(m_connection); }

} // namespace kdx::drive
