#include "link/win/Win32SerialLine.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace kdx {
namespace {

// Records every call in order; each answer can be scripted.
class FakeComm : public CommAccess {
public:
    std::vector<std::string> calls;
    bool openOk = true;
    bool lineOk = true;
    bool modemOk = true;
    uint32_t error = 0;                 // what lastError() reports
    std::deque<Wait> waits;             // Event (transmitter empty) when empty
    size_t writeChunk = 1000;           // at most this much per WriteFile
    Status status;                      // what ClearCommError reports
    bool clearOk = true;
    std::optional<uint32_t> latency;

    Handle open(const std::string& path) override
    {
        calls.push_back("open " + path);
        return openOk ? reinterpret_cast<Handle>(this) : nullptr;
    }
    bool close(Handle) override { return log("close"); }
    bool setLine(Handle, uint32_t baud) override { calls.push_back("line " + std::to_string(baud)); return lineOk; }
    bool setReadReturnsAtOnce(Handle) override { return log("timeouts"); }
    bool setEventMask(Handle, uint32_t mask) override { return log("mask " + std::to_string(mask)); }
    bool setModem(Handle, Modem what) override
    {
        static const char* names[] = {"RTS up", "RTS down", "DTR up", "DTR down"};
        calls.push_back(names[static_cast<int>(what)]);
        return modemOk;
    }
    bool write(Handle, const uint8_t*, size_t count, size_t& written) override
    {
        written = std::min(count, writeChunk);
        calls.push_back("write " + std::to_string(written));
        return written > 0 || error == 0;
    }
    Wait waitEvent(Handle, uint32_t timeoutMs, uint32_t& events) override
    {
        calls.push_back("wait " + std::to_string(timeoutMs));
        const Wait w = waits.empty() ? Wait::Event : waits.front();
        if (!waits.empty())
            waits.pop_front();
        events = w == Wait::Event ? win32::kEventTransmitterEmpty : 0;
        return w;
    }
    bool clearError(Handle, Status& s) override
    {
        calls.push_back("clear");
        s = status;
        return clearOk;
    }
    bool read(Handle, uint8_t* data, size_t count, size_t& got) override
    {
        calls.push_back("read " + std::to_string(count));
        for (size_t i = 0; i < count; ++i)
            data[i] = static_cast<uint8_t>(i + 1);
        got = count;
        return true;
    }
    bool purgeOutput(Handle) override { return log("purge"); }
    uint32_t lastError() override { return error; }
    std::string describe(uint32_t e) override { return "error " + std::to_string(e); }
    std::optional<uint32_t> latencyTimerMs(const std::string& port) override
    {
        calls.push_back("latency " + port);
        return latency;
    }

private:
    bool log(const std::string& call)
    {
        calls.push_back(call);
        return true;
    }
};

using Calls = std::vector<std::string>;

TEST(Win32SerialLine, OpensTheComPortExclusivelyWithBothLinesLowAt19200)
{
    FakeComm comm;
    Win32SerialLine line(comm);
    ASSERT_TRUE(line.open("COM12"));
    EXPECT_EQ(comm.calls, (Calls{"open \\\\.\\COM12", "DTR down", "RTS down", "line 19200", "timeouts", "mask 4",
                                 "latency COM12"}));
    EXPECT_EQ(line.deliveryLatencyMs(), Win32SerialLine::kAssumedLatencyMs);

    comm.calls.clear();
    comm.latency = 2;
    ASSERT_TRUE(line.open("\\\\.\\COM3"));
    EXPECT_EQ(comm.calls.front(), "close"); // the earlier port first
    EXPECT_EQ(comm.calls[1], "open \\\\.\\COM3");
    EXPECT_EQ(comm.calls.back(), "latency COM3");
    EXPECT_EQ(line.deliveryLatencyMs(), 2u);
}

TEST(Win32SerialLine, AFailedOpenSaysWhyAndLeavesNothingOpen)
{
    FakeComm busy;
    busy.openOk = false;
    busy.error = win32::kErrorAccessDenied;
    Win32SerialLine a(busy);
    EXPECT_FALSE(a.open("COM4"));
    EXPECT_FALSE(a.isOpen());
    EXPECT_EQ(a.lastError(), "COM4: in use by another program (or access denied)");

    FakeComm notSerial;
    notSerial.lineOk = false;
    notSerial.error = 1;
    Win32SerialLine b(notSerial);
    EXPECT_FALSE(b.open("COM5"));
    EXPECT_FALSE(b.isOpen());
    EXPECT_EQ(notSerial.calls.back(), "close");
    EXPECT_EQ(b.lastError(), "COM5: not a serial device (error 1)");
}

TEST(Win32SerialLine, TransmitRaisesRtsWritesWaitsForTheEmptyTransmitterThenLowersRts)
{
    FakeComm comm;
    comm.modemOk = false; // a pseudo-terminal refuses modem control: ignored
    comm.error = win32::kErrorNotSupported;
    Win32SerialLine line(comm);
    ASSERT_TRUE(line.open("COM1"));
    comm.calls.clear();
    comm.writeChunk = 3; // the driver takes the frame in two pieces
    const uint8_t frame[5] = {1, 2, 3, 4, 5};
    EXPECT_TRUE(line.transmit(frame, sizeof frame));
    // 5 bytes take 2.6 ms on the wire; the wait allows that plus the margin.
    ASSERT_EQ(comm.calls.size(), 5u);
    EXPECT_EQ(comm.calls[0], "RTS up");
    EXPECT_EQ(comm.calls[1], "write 3");
    EXPECT_EQ(comm.calls[2], "write 2");
    const int waited = std::stoi(comm.calls[3].substr(5));
    EXPECT_EQ(comm.calls[3].substr(0, 5), "wait ");
    EXPECT_GE(waited, 51);
    EXPECT_LE(waited, 53);
    EXPECT_EQ(comm.calls[4], "RTS down");
    EXPECT_FALSE(line.hungUp());

    // Nothing written since: drain has nothing to wait for.
    comm.calls.clear();
    line.drain();
    EXPECT_TRUE(comm.calls.empty());
}

TEST(Win32SerialLine, AStalledTransmitterIsPurgedAndHangsTheLineUpButAnEmptiedQueueIsFine)
{
    FakeComm comm;
    Win32SerialLine line(comm);
    ASSERT_TRUE(line.open("COM1"));
    const uint8_t frame[2] = {0x55, 0xAA};

    comm.waits = {CommAccess::Wait::Timeout};
    comm.status.outQueue = 0; // it emptied just as the wait gave up
    EXPECT_TRUE(line.transmit(frame, 2));
    EXPECT_FALSE(line.hungUp());

    comm.calls.clear();
    comm.waits = {CommAccess::Wait::Timeout};
    comm.status.outQueue = 2;
    EXPECT_FALSE(line.transmit(frame, 2));
    EXPECT_EQ(comm.calls, (Calls{"RTS up", "write 2", comm.calls[2], "clear", "purge", "RTS down"}));
    EXPECT_TRUE(line.hungUp());
    EXPECT_NE(line.lastError().find("transmitter stalled"), std::string::npos) << line.lastError();
    EXPECT_FALSE(line.transmit(frame, 2)); // hung up: nothing more goes out
    EXPECT_EQ(line.bytesWaiting(), 0u);
}

TEST(Win32SerialLine, OnlyTheDeviceGoneErrorsHangTheLineUp)
{
    struct Case {
        uint32_t error;
        bool gone;
    };
    const Case cases[] = {
        {win32::kErrorAccessDenied, true},     {win32::kErrorBadCommand, true},
        {win32::kErrorDeviceRemoved, true},    {win32::kErrorOperationAborted, true},
        {win32::kErrorNotSupported, false},    {win32::kErrorFileNotFound, false},
    };
    for (const Case& c : cases) {
        FakeComm comm;
        Win32SerialLine line(comm);
        ASSERT_TRUE(line.open("COM7"));
        comm.clearOk = false;
        comm.error = c.error;
        EXPECT_EQ(line.bytesWaiting(), 0u);
        EXPECT_EQ(line.hungUp(), c.gone) << c.error;

        // The same rule for a wait that fails, except that an aborted wait
        // is a driver that does not wait.
        const bool waitGone = c.gone && c.error != win32::kErrorOperationAborted;
        FakeComm comm2;
        Win32SerialLine line2(comm2);
        ASSERT_TRUE(line2.open("COM7"));
        comm2.waits = {CommAccess::Wait::Failed};
        comm2.error = c.error;
        const uint8_t b = 0;
        EXPECT_EQ(line2.transmit(&b, 1), !waitGone) << c.error;
        EXPECT_EQ(line2.hungUp(), waitGone) << c.error;
        EXPECT_EQ(comm2.calls.back(), "RTS down");
    }
}

TEST(Win32SerialLine, ReadsNoMoreThanIsWaitingOrAsked)
{
    FakeComm comm;
    Win32SerialLine line(comm);
    ASSERT_TRUE(line.open("COM2"));
    uint8_t buf[16] = {};
    comm.status.inQueue = 0;
    EXPECT_EQ(line.read(buf, sizeof buf), 0u);
    comm.status.inQueue = 5;
    EXPECT_EQ(line.bytesWaiting(), 5u);
    comm.calls.clear();
    EXPECT_EQ(line.read(buf, sizeof buf), 5u);
    EXPECT_EQ(comm.calls, (Calls{"clear", "read 5"}));
    comm.calls.clear();
    EXPECT_EQ(line.read(buf, 3), 3u);
    EXPECT_EQ(comm.calls, (Calls{"clear", "read 3"}));
    line.close();
    EXPECT_EQ(line.read(buf, 3), 0u);
    EXPECT_FALSE(line.isOpen());
}

} // namespace
} // namespace kdx
