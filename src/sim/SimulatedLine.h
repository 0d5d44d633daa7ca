#pragma once

#include "link/Clock.h"
#include "link/SerialLine.h"
#include "sim/ControllerModel.h"

namespace kdx::sim {

// A serial line to the simulated controller inside this process: what is
// transmitted reaches the model at the clock's time, and answers can be read
// once they have travelled the wire by the clock's time. Opens only under
// kDemoPortName. A pulled line fails writes, delivers nothing and reports a
// hang-up until it is closed.
class SimulatedLine : public SerialLine {
public:
    SimulatedLine(ControllerModel& model, const Clock& clock) : m_model(model), m_clock(clock) {}

    bool open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool transmit(const uint8_t* data, size_t count) override;
    void drain() override {}
    size_t bytesWaiting() override;
    size_t read(uint8_t* destination, size_t maxCount) override;
    std::string lastError() const override { return m_lastError; }
    // Once the model was pulled from the line while this was open.
    bool hungUp() const override;

    ControllerModel& model() { return m_model; }

private:
    ControllerModel& m_model;
    const Clock& m_clock;
    bool m_open = false;
    mutable bool m_hungUp = false; // latched until close()
    std::string m_lastError;
};

} // namespace kdx::sim
