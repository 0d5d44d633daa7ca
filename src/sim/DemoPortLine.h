#pragma once

#include "link/SerialLine.h"
#include "sim/SimulatedLine.h"

namespace kdx::sim {

// The program's one serial line when the demo port is offered (--demo):
// opening kDemoPortName talks to the simulated controller, any other name
// goes to the real line. Every other call goes to whichever was opened last.
class DemoPortLine : public SerialLine {
public:
    DemoPortLine(SerialLine& hardware, SimulatedLine& demo) : m_hardware(hardware), m_demo(demo) {}

    bool open(const std::string& deviceName) override;
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }
    bool transmit(const uint8_t* data, size_t count) override { return m_active->transmit(data, count); }
    void drain() override { m_active->drain(); }
    size_t bytesWaiting() override { return m_active->bytesWaiting(); }
    size_t read(uint8_t* destination, size_t maxCount) override { return m_active->read(destination, maxCount); }
    std::string lastError() const override { return m_active->lastError(); }
    bool hungUp() const override { return m_active->hungUp(); }
    uint32_t deliveryLatencyMs() const override { return m_active->deliveryLatencyMs(); }

    bool demoActive() const { return m_active == &m_demo; }

private:
    SerialLine& m_hardware;
    SimulatedLine& m_demo;
    SerialLine* m_active = &m_hardware;
};

} // namespace kdx::sim
