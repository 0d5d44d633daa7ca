#include "SimTestRig.h"

#include "sim/DemoPortLine.h"
#include "support/ScriptedLine.h"

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::sim;
using kdx::sim::test::command;

TEST(SimDemoPortLine, DemoNameReachesTheModelOtherNamesTheHardware)
{
    kdx::test::TestClock clock;
    ControllerModel model;
    SimulatedLine demo(model, clock);
    kdx::test::ScriptedLine hardware(clock);
    DemoPortLine line(hardware, demo);

    ASSERT_TRUE(line.open("/dev/ttyUSB0"));
    EXPECT_FALSE(line.demoActive());
    const auto identify = command(0x03);
    ASSERT_TRUE(line.transmit(identify.data(), identify.size()));
    EXPECT_EQ(hardware.sent().size(), 1u);
    EXPECT_EQ(model.commandsHandled(), 0u);

    ASSERT_TRUE(line.open(kDemoPortName));
    EXPECT_TRUE(line.demoActive());
    EXPECT_FALSE(hardware.isOpen()); // one port at a time
    ASSERT_TRUE(line.transmit(identify.data(), identify.size()));
    clock.advance(10);
    EXPECT_EQ(line.bytesWaiting(), 8u);
    uint8_t answer[8];
    EXPECT_EQ(line.read(answer, sizeof answer), 8u);
    EXPECT_EQ(answer[0], 0x41);
    EXPECT_EQ(hardware.sent().size(), 1u);

    line.close();
    EXPECT_FALSE(line.isOpen());
    EXPECT_FALSE(line.transmit(identify.data(), identify.size()));
}

TEST(SimDemoPortLine, HangUpAndLatencyComeFromTheOpenedLine)
{
    kdx::test::TestClock clock;
    ControllerModel model;
    SimulatedLine demo(model, clock);
    kdx::test::ScriptedLine hardware(clock);
    hardware.latencyMs = 16;
    DemoPortLine line(hardware, demo);

    ASSERT_TRUE(line.open("/dev/ttyUSB0"));
    EXPECT_EQ(line.deliveryLatencyMs(), 16u);
    EXPECT_FALSE(line.hungUp());
    hardware.hangUp = true;
    EXPECT_TRUE(line.hungUp());

    ASSERT_TRUE(line.open(kDemoPortName));
    EXPECT_EQ(line.deliveryLatencyMs(), 0u);
    EXPECT_FALSE(line.hungUp()) << "the hardware line was closed";
    model.setUnplugged(true);
    EXPECT_TRUE(line.hungUp());
    line.close();
    EXPECT_FALSE(line.hungUp());
}
