#pragma once

#include "link/ConnectionState.h"
#include "link/DeviceLink.h"
#include "protocol/Wire.h"
#include "sim/ControllerModel.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "support/TestClock.h"

#include <cstdint>
#include <vector>

namespace kdx::sim::test {

inline std::vector<uint8_t> command(uint8_t code, uint8_t b = 0, uint8_t c = 0, uint8_t d = 0)
{
    return {code, b, c, d, wire::frameChecksum(code, b, c, d), wire::kFrameEnd};
}

// A controller on the in-process line, driven on virtual time, with the
// tool's own reader on top.
struct Rig {
    explicit Rig(ControllerConfig config = {}) : model(config), line(model, clock), link(line, clock, state)
    {
        model.powerOn(clock.nowMs());
        link.selectPort(kDemoPortName);
        link.openPort();
    }

    // Sends a frame and collects everything that arrives within waitMs.
    std::vector<uint8_t> exchange(const std::vector<uint8_t>& frame, uint64_t waitMs = 150)
    {
        line.transmit(frame.data(), frame.size());
        clock.advance(waitMs);
        return takeAll();
    }
    std::vector<uint8_t> takeAll()
    {
        std::vector<uint8_t> out(line.bytesWaiting());
        out.resize(line.read(out.data(), out.size()));
        return out;
    }
    std::vector<uint8_t> status() { return exchange(command(wire::kCmdRead, wire::kReadStatus)); }
    std::vector<uint8_t> page(uint16_t address)
    {
        return exchange(command(wire::kCmdRead, wire::kReadPage, static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF)));
    }

    kdx::test::TestClock clock;
    ControllerModel model;
    SimulatedLine line;
    ConnectionState state;
    DeviceLink link;
};

} // namespace kdx::sim::test
