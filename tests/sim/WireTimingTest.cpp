#include "SimTestRig.h"

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::sim;
using kdx::sim::test::command;
using kdx::sim::test::Rig;

// A 132-byte page answer starts about 1 ms after the request and takes
// 132 * 10 / 19200 s = 68.75 ms on the wire.
TEST(SimWireTiming, PageAnswerTakesItsWireTime)
{
    Rig rig;
    const auto frame = command(0xAA, 0x01, 0x00, 0x00);
    rig.line.transmit(frame.data(), frame.size());
    const uint64_t sent = rig.clock.nowMs();

    EXPECT_EQ(rig.line.bytesWaiting(), 0u);
    rig.clock.advance(1);
    EXPECT_EQ(rig.line.bytesWaiting(), 0u); // processing delay, no byte complete yet
    rig.clock.advance(26);                   // 26 ms of the wire: 49 bytes
    EXPECT_EQ(rig.line.bytesWaiting(), 49u);
    rig.clock.advance(69 - 27);
    EXPECT_EQ(rig.line.bytesWaiting(), 130u);
    rig.clock.advance(1);
    EXPECT_EQ(rig.line.bytesWaiting(), 132u);
    EXPECT_EQ(rig.clock.nowMs() - sent, 70u);
}

TEST(SimWireTiming, ReadsTakeOnlyWhatHasArrived)
{
    Rig rig;
    const auto frame = command(0x03);
    rig.line.transmit(frame.data(), frame.size());
    rig.clock.advance(3); // 1 ms delay + 2 ms: 3 bytes
    uint8_t buf[16];
    EXPECT_EQ(rig.line.read(buf, sizeof buf), 3u);
    EXPECT_EQ(buf[0], 0x41);
    rig.clock.advance(10);
    EXPECT_EQ(rig.line.read(buf, 2), 2u);
    EXPECT_EQ(rig.line.read(buf, sizeof buf), 3u);
    EXPECT_EQ(buf[2], 0xE0);
}

TEST(SimWireTiming, AnswersToBackToBackRequestsFollowEachOther)
{
    Rig rig;
    auto two = command(0x03);
    const auto status = command(0xAA, 0x05);
    two.insert(two.end(), status.begin(), status.end());
    rig.line.transmit(two.data(), two.size());
    // 8 + 100 bytes, one after the other: 1 ms + 108 * 0.5208 ms = 57.25 ms.
    rig.clock.advance(57);
    EXPECT_LT(rig.line.bytesWaiting(), 108u);
    rig.clock.advance(1);
    const auto all = rig.takeAll();
    ASSERT_EQ(all.size(), 108u);
    EXPECT_EQ(all[0], 0x41);
    EXPECT_EQ(all[8], 0x56);
    EXPECT_EQ(all[107], 0xE0);
}

// The tool's own reader with its pauses and 21 polls reads every answer.
TEST(SimWireTiming, ToolReaderReadsIdentifyPagesAndStatus)
{
    Rig rig;
    ASSERT_TRUE(rig.link.sendCommand(0x03, 0, 0, 0));
    ASSERT_TRUE(rig.link.readResponse(8, 0, 0));
    EXPECT_EQ(rig.link.receiveBuffer()[0], 0x41);
    EXPECT_EQ(rig.link.receiveBuffer()[7], 0xE0);

    uint8_t image[512];
    for (uint16_t a = 0; a < 512; a += 128)
        ASSERT_TRUE(rig.link.readPage(a, image + a)) << a;
    EXPECT_TRUE(std::equal(image, image + 512, rig.model.memory().bytes().begin()));

    ASSERT_TRUE(rig.link.sendCommand(0xAA, 0x05, 0, 0));
    rig.clock.sleepMs(40); // the rest of the 50 ms tick
    ASSERT_TRUE(rig.link.readResponse(100, 2, 98));
    EXPECT_EQ(rig.link.receiveBuffer()[0], 0x56);
    EXPECT_EQ(rig.link.receiveBuffer()[98], rig.link.responseSum());
}

TEST(SimWireTiming, ProcessingDelayIsConfigurable)
{
    ControllerConfig config;
    config.processingDelayUs = 5000;
    Rig rig(config);
    const auto frame = command(0x03);
    rig.line.transmit(frame.data(), frame.size());
    rig.clock.advance(5);
    EXPECT_EQ(rig.line.bytesWaiting(), 0u);
    rig.clock.advance(5); // 5 ms: 9 byte times complete, the answer has 8
    EXPECT_EQ(rig.line.bytesWaiting(), 8u);
}

TEST(SimulatedLine, OpensOnlyTheDemoPortAndDropsWhatWentUnheard)
{
    Rig rig;
    SimulatedLine other(rig.model, rig.clock);
    EXPECT_FALSE(other.open("/dev/ttyUSB0"));
    EXPECT_NE(other.lastError().find("/dev/ttyUSB0"), std::string::npos);
    EXPECT_FALSE(other.transmit(command(0x03).data(), 6));

    const auto frame = command(0x03);
    rig.line.transmit(frame.data(), frame.size());
    rig.line.close();
    EXPECT_EQ(rig.line.bytesWaiting(), 0u);
    rig.clock.advance(50);
    ASSERT_TRUE(rig.line.open(kDemoPortName));
    EXPECT_EQ(rig.line.bytesWaiting(), 0u); // the answer went out while the port was closed
}
