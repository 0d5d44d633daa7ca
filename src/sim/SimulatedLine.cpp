#include "sim/SimulatedLine.h"

#include "sim/SimConstants.h"

namespace kdx::sim {

bool SimulatedLine::open(const std::string& deviceName)
{
    close();
    if (deviceName != kDemoPortName) {
        m_lastError = deviceName + ": No such file or directory";
        return false;
    }
    const uint64_t now = m_clock.nowMs();
    m_model.ensurePowered(now);
    if (m_model.unplugged(now)) {
        m_lastError = deviceName + ": No such device";
        return false;
    }
    // Whatever went out on the wire while nobody listened is gone.
    m_model.discardDue(now);
    m_open = true;
    m_hungUp = false;
    m_lastError.clear();
    return true;
}

void SimulatedLine::close()
{
    m_open = false;
    m_hungUp = false;
}

bool SimulatedLine::hungUp() const
{
    if (m_open && !m_hungUp && m_model.unplugged(m_clock.nowMs()))
        m_hungUp = true;
    return m_open && m_hungUp;
}

bool SimulatedLine::transmit(const uint8_t* data, size_t count)
{
    const uint64_t now = m_clock.nowMs();
    if (!m_open || hungUp())
        return false;
    m_model.receive(data, count, now);
    return true;
}

size_t SimulatedLine::bytesWaiting()
{
    if (!m_open || hungUp())
        return 0;
    return m_model.available(m_clock.nowMs());
}

size_t SimulatedLine::read(uint8_t* destination, size_t maxCount)
{
    if (!m_open || maxCount == 0 || hungUp())
        return 0;
    return m_model.take(destination, maxCount, m_clock.nowMs());
}

} // namespace kdx::sim
