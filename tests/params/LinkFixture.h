#pragma once

#include "link/DeviceLink.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kdx::test {

// A register writer over a scripted line on virtual time, port open,
// parameters loaded unless a test clears the flag.
class LinkFixture : public ::testing::Test {
protected:
    LinkFixture() : line(clock), link(line, clock, state), writer(link, image)
    {
        link.selectPort("/dev/ttyUSB0");
        link.openPort();
        state.connected = true;
        state.parametersLoaded = true;
    }

    // Data bytes of every frame sent, after checking each frame's check byte and end byte.
    std::vector<std::array<uint8_t, 4>> sentData() const
    {
        std::vector<std::array<uint8_t, 4>> out;
        for (const auto& f : line.sentFrames()) {
            EXPECT_EQ(f.size(), 6u);
            if (f.size() != 6)
                continue;
            EXPECT_EQ(f[4], static_cast<uint8_t>(f[0] + f[1] + f[2] + f[3] + 0xAA));
            EXPECT_EQ(f[5], 0xE0);
            out.push_back({f[0], f[1], f[2], f[3]});
        }
        return out;
    }

    TestClock clock;
    ScriptedLine line;
    ConnectionState state;
    DeviceLink link;
    ParameterImage image;
    RegisterWriter writer;
};

using Data = std::array<uint8_t, 4>;

} // namespace kdx::test
