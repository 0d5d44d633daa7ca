// Command frames, the polling reader and page reads on virtual time.
#include "link/DeviceLink.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace kdx {
namespace {

using test::ScriptedLine;
using test::TestClock;
using Bytes = std::vector<uint8_t>;

Bytes pageAnswer(const Bytes& data)
{
    Bytes a(2 + data.size());
    a[0] = wire::kPageStart;
    a[1] = wire::kPageSecond;
    std::copy(data.begin(), data.end(), a.begin() + 2);
    uint8_t sum = wire::kFrameSumBias;
    for (uint8_t b : data)
        sum = static_cast<uint8_t>(sum + b);
    a.push_back(sum);
    a.push_back(wire::kFrameEnd);
    return a;
}

Bytes patternPage()
{
    Bytes d(wire::kPageSize);
    for (size_t i = 0; i < d.size(); ++i)
        d[i] = static_cast<uint8_t>(i * 7 + 3);
    return d;
}

class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link.selectPort("/dev/ttyUSB0");
        ASSERT_TRUE(link.openPort());
    }

    TestClock clock;
    ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
};

struct FrameCase {
    uint8_t code, b, c, d, sum;
};

// The pause after a request left for the next use of the line: the tool does
// not sleep it at once, yet nothing goes out and no read starts within it.
TEST_F(DeviceLinkTest, APauseLeftForTheNextUseStillKeepsTheLineQuietForItsWholeLength)
{
    // The first sleep of a use: the rest of the pause when one is owed, else
    // the use's own first pause (0 for none).
    const auto firstSleepAfter = [&](uint32_t idleMs, const std::function<void()>& use) {
        EXPECT_TRUE(link.sendCommand(wire::kCmdRead, wire::kReadStatus, 0, 0, DeviceLink::PauseAfter::BeforeNextUse));
        clock.clearSleeps();
        clock.advance(idleMs);
        use();
        return clock.sleeps().empty() ? 0u : clock.sleeps().front();
    };
    const struct {
        const char* use;
        uint32_t ownFirstSleep;
        std::function<void()> run;
    } uses[] = {
        {"a frame", wire::kSendPauseMs, [&] { link.sendCommand(wire::kCmdSaveToEeprom, 0, 0, 0); }},
        {"raw bytes", 0, [&] { const uint8_t b[2] = {1, 2}; link.transmitBytes(b, 2); }},
        {"a read", wire::kPollPauseMs, [&] { link.readResponse(4, 0, 0); }},
        {"a look for bytes", 0, [&] { uint8_t b[4]; link.readAvailable(b, 4); }},
    };
    for (const auto& u : uses) {
        SCOPED_TRACE(u.use);
        EXPECT_EQ(firstSleepAfter(3, u.run), wire::kSendPauseMs - 3) << "the rest of the pause first";
        EXPECT_EQ(firstSleepAfter(wire::kSendPauseMs, u.run), u.ownFirstSleep) << "spent meanwhile";
        EXPECT_EQ(firstSleepAfter(50, u.run), u.ownFirstSleep);
    }
    // The frame after the request keeps the whole gap on the wire.
    const size_t before = line.sent().size();
    link.sendCommand(wire::kCmdRead, wire::kReadStatus, 0, 0, DeviceLink::PauseAfter::BeforeNextUse);
    clock.advance(4);
    link.sendCommand(wire::kCmdSaveToEeprom, 0, 0, 0);
    ASSERT_EQ(line.sent().size(), before + 2);
    EXPECT_EQ(line.sent()[before + 1].atMs - line.sent()[before].atMs, wire::kSendPauseMs);
    // A port closed within the pause is closed at its end; a pause is owed once.
    link.sendCommand(wire::kCmdRead, wire::kReadStatus, 0, 0, DeviceLink::PauseAfter::BeforeNextUse);
    clock.clearSleeps();
    link.closePort();
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{wire::kSendPauseMs}));
    ASSERT_TRUE(link.openPort());
    clock.clearSleeps();
    link.sendCommand(wire::kCmdSaveToEeprom, 0, 0, 0);
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{wire::kSendPauseMs})) << "only its own pause";
}

TEST_F(DeviceLinkTest, FramesCarryWrappingChecksumAndEndMark)
{
    const FrameCase cases[] = {
        {0x03, 0x00, 0x00, 0x00, 0xAD}, // identify
        {0xAA, 0x05, 0x00, 0x00, 0x59}, // status request
        {0xAA, 0x01, 0x01, 0x80, 0xD6}, // page 0x180
        {0xAA, 0xAA, 0x00, 0x00, 0xFE}, // bootloader start
        {0xE1, 0x00, 0x00, 0x00, 0x8B}, // save to EEPROM
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wire::frameChecksum(c.code, c.b, c.c, c.d), c.sum);
        ASSERT_TRUE(link.sendCommand(c.code, c.b, c.c, c.d));
        EXPECT_EQ(line.sentFrames().back(), (Bytes{c.code, c.b, c.c, c.d, c.sum, 0xE0}));
    }
}

TEST_F(DeviceLinkTest, SendCommandDrainsFirstAndPausesTenMs)
{
    int drainsAtTransmit = -1;
    line.onTransmit = [&](const Bytes&, const std::string&) { drainsAtTransmit = line.drainCount(); };
    ASSERT_TRUE(link.sendCommand(0x61, 0, 0, 0));
    EXPECT_EQ(drainsAtTransmit, 1);
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{10}));
}

TEST_F(DeviceLinkTest, FailedWriteReturnsFalseWithoutPause)
{
    line.failWrites = true;
    EXPECT_FALSE(link.sendCommand(0x61, 0, 0, 0));
    EXPECT_TRUE(clock.sleeps().empty());

    line.failWrites = false;
    link.closePort();
    EXPECT_FALSE(link.sendCommand(0x61, 0, 0, 0)) << "no port, nothing written";
    EXPECT_TRUE(line.sent().empty());
}

TEST_F(DeviceLinkTest, CompleteAnswerInFirstPollStillCostsSecondPoll)
{
    line.arriveAt(clock.nowMs() + 1, {0x41, 1, 2, 3, 0, 0, 0, 0xE0});
    ASSERT_TRUE(link.readResponse(8, 0, 0));
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{2, 2}));
}

TEST_F(DeviceLinkTest, LastByteMustArriveWithinTwentyPolls)
{
    struct Case {
        int pollOfLastByte;
        bool ok;
        size_t polls;
    };
    for (const Case c : {Case{19, true, 20}, Case{20, true, 21}, Case{21, false, 21}}) {
        clock.clearSleeps();
        const uint64_t t0 = clock.nowMs();
        line.arriveAt(t0 + 1, {0x41, 1, 2, 3, 0, 0, 0});
        line.arriveAt(t0 + 2 * static_cast<uint64_t>(c.pollOfLastByte), {0xE0});
        EXPECT_EQ(link.readResponse(8, 0, 0), c.ok) << "last byte in poll " << c.pollOfLastByte;
        EXPECT_EQ(clock.sleeps().size(), c.polls);
        EXPECT_EQ(line.pendingBytes(), 0u);
    }
}

TEST_F(DeviceLinkTest, ResponseSumCoversStartToEnd)
{
    line.arriveAt(clock.nowMs(), {0x10, 0x20, 0x30, 0x40, 0xF0, 0x00});
    ASSERT_TRUE(link.readResponse(6, 1, 5));
    EXPECT_EQ(link.responseSum(), static_cast<uint8_t>(0xAA + 0x20 + 0x30 + 0x40 + 0xF0));

    line.arriveAt(clock.nowMs(), {0x10, 0x20, 0x30, 0x40, 0xF0, 0x00});
    ASSERT_TRUE(link.readResponse(6, 3, 3));
    EXPECT_EQ(link.responseSum(), 0xAA) << "an empty range leaves the start value";
}

TEST_F(DeviceLinkTest, ShortAnswerFailsAndKeepsWhatArrived)
{
    line.arriveAt(clock.nowMs(), Bytes(10, 0x55));
    ASSERT_TRUE(link.readResponse(10, 0, 10));
    ASSERT_NE(link.responseSum(), 0xAA);

    line.arriveAt(clock.nowMs() + 3, {1, 2, 3, 4, 5});
    EXPECT_FALSE(link.readResponse(8, 0, 8));
    EXPECT_EQ(link.responseSum(), 0xAA);
    const auto& rx = link.receiveBuffer();
    EXPECT_EQ(Bytes(rx.begin(), rx.begin() + 10), (Bytes{1, 2, 3, 4, 5, 0x55, 0x55, 0x55, 0x55, 0x55}))
        << "the new bytes overwrite from index 0, older ones beyond stay";
}

TEST_F(DeviceLinkTest, BytesBeyondTheReceiveBufferAreDropped)
{
    Bytes flood(1500);
    std::iota(flood.begin(), flood.end(), uint8_t{0});
    // A device that hands over whatever it holds in one go, far faster than
    // the wire: no poll is slept through.
    line.latencyMs = 1000;
    const uint64_t t0 = clock.nowMs();
    line.arriveAt(t0 + 1, Bytes(flood.begin(), flood.begin() + 600));
    line.arriveAt(t0 + 3, Bytes(flood.begin() + 600, flood.end()));
    ASSERT_TRUE(link.readResponse(1400, 0, 2000));
    const auto& rx = link.receiveBuffer();
    EXPECT_TRUE(std::equal(rx.begin(), rx.end(), flood.begin()));
    uint8_t sum = 0xAA;
    for (size_t i = 0; i < rx.size(); ++i)
        sum = static_cast<uint8_t>(sum + flood[i]);
    EXPECT_EQ(link.responseSum(), sum) << "the sum stops at the buffer's end";
}

TEST_F(DeviceLinkTest, ReadPageSendsRequestWithItsPausesAndCopiesThePage)
{
    const Bytes data = patternPage();
    line.onTransmit = [&](const Bytes&, const std::string&) { line.arriveAfter(5, pageAnswer(data)); };
    Bytes dest(wire::kPageSize, 0xEE);
    ASSERT_TRUE(link.readPage(0x0180, dest.data()));
    EXPECT_EQ(dest, data);
    EXPECT_EQ(line.sentFrames(), (std::vector<Bytes>{{0xAA, 0x01, 0x01, 0x80, 0xD6, 0xE0}}));
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{10, 10, 50, 2, 2}));
}

TEST_F(DeviceLinkTest, ZeroPageCarriesChecksumAA)
{
    const Bytes answer = pageAnswer(Bytes(wire::kPageSize, 0));
    ASSERT_EQ(answer[130], 0xAA);
    line.onTransmit = [&](const Bytes&, const std::string&) { line.arriveAfter(5, answer); };
    Bytes dest(wire::kPageSize, 0xEE);
    ASSERT_TRUE(link.readPage(0, dest.data()));
    EXPECT_EQ(dest, Bytes(wire::kPageSize, 0));
}

TEST_F(DeviceLinkTest, ReadPageRejectsEveryMalformedAnswer)
{
    struct Case {
        const char* what;
        size_t index;
        uint8_t value;
        bool truncate;
    };
    const Case cases[] = {
        {"start byte not 'H'", 0, 0x49, false},
        {"byte 1 not 0x01 (checksum still right)", 1, 0x02, false},
        {"end byte not 0xE0 (checksum still right)", 131, 0xE1, false},
        {"checksum off by one", 130, 0, false},
        {"answer one byte short", 0, 0, true},
    };
    for (const auto& c : cases) {
        Bytes answer = pageAnswer(patternPage());
        if (c.truncate)
            answer.pop_back();
        else if (c.index == 130)
            answer[130] = static_cast<uint8_t>(answer[130] + 1);
        else
            answer[c.index] = c.value;
        line.onTransmit = [&](const Bytes&, const std::string&) { line.arriveAfter(5, answer); };
        Bytes dest(wire::kPageSize, 0xEE);
        EXPECT_FALSE(link.readPage(128, dest.data())) << c.what;
        EXPECT_EQ(dest, Bytes(wire::kPageSize, 0xEE)) << c.what << ": destination untouched";
    }
}

TEST_F(DeviceLinkTest, ReadPageFailsWhenTheRequestCannotBeWritten)
{
    line.failWrites = true;
    Bytes dest(wire::kPageSize, 0xEE);
    EXPECT_FALSE(link.readPage(0, dest.data()));
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{10})) << "no read window after a failed write";
}

TEST_F(DeviceLinkTest, PortFlagsFollowOpenAndClose)
{
    state.connected = true;
    link.closePort();
    EXPECT_FALSE(state.portOpen);
    EXPECT_FALSE(state.connected);
    EXPECT_EQ(line.closeCount(), 1);

    state.connected = true;
    link.closePort();
    EXPECT_FALSE(state.connected) << "closing with nothing open still clears connected";
    EXPECT_EQ(line.closeCount(), 1) << "and touches no handle";

    line.refuseOpen["/dev/ttyUSB1"] = "/dev/ttyUSB1: Permission denied";
    link.selectPort("/dev/ttyUSB1");
    EXPECT_FALSE(link.openPort());
    EXPECT_FALSE(state.portOpen);
    EXPECT_EQ(link.lastOpenError(), "/dev/ttyUSB1: Permission denied");
}

} // namespace
} // namespace kdx
