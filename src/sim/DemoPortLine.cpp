#include "sim/DemoPortLine.h"

#include "sim/SimConstants.h"

namespace kdx::sim {

bool DemoPortLine::open(const std::string& deviceName)
{
    // Only one port is open at a time, as with a single real handle.
    m_hardware.close();
    m_demo.close();
    m_active = deviceName == kDemoPortName ? static_cast<SerialLine*>(&m_demo) : &m_hardware;
    return m_active->open(deviceName);
}

} // namespace kdx::sim
