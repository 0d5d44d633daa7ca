// The tool's POSIX line against kdx-sim on a pseudo-terminal where the real
// machine's hardware matters: an ordinary user connecting again and again,
// a controller behind a USB adapter, and the terminal going away.
#include "link/Clock.h"
#include "link/Connector.h"
#include "link/DeviceLink.h"
#include "session/DeviceSession.h"
#include "link/posix/PosixSerialLine.h"
#include "sim/FaultSet.h"
#include "sim/UsbDelivery.h"

#include "support/RecordingPrompts.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kdx;
using kdx::test::SimProcess;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(UsbDelivery, FullPacketsGoAtOnceAndThePartlyFilledOneAfterTheLatency)
{
    sim::UsbDelivery usb(16);
    Bytes out;
    EXPECT_FALSE(usb.nextReleaseMs());
    const Bytes answer(132, 0x5A);
    // Byte by byte off the line, about every half millisecond.
    for (size_t i = 0; i < answer.size(); ++i) {
        const uint64_t t = 1000 + (i + 1) * 10 * 1000 / 19200;
        usb.push(&answer[i], 1, t);
        const size_t before = out.size();
        usb.release(t, out);
        if (i + 1 == 62 || i + 1 == 124)
            EXPECT_EQ(out.size() - before, 62u) << "a full packet at byte " << i + 1;
        else
            EXPECT_EQ(out.size(), before) << "nothing else while bytes keep coming, byte " << i + 1;
    }
    const uint64_t last = 1000 + 132 * 10 * 1000 / 19200;
    EXPECT_EQ(usb.nextReleaseMs(), last + 16);
    usb.release(last + 15, out);
    EXPECT_EQ(out.size(), 124u);
    usb.release(last + 16, out);
    EXPECT_EQ(out, answer);
    EXPECT_FALSE(usb.nextReleaseMs());
}

TEST(UsbDelivery, FaultOptionTakesTurnaroundAndLatency)
{
    struct Case {
        const char* text;
        bool ok;
        uint32_t turnaround, latency;
    };
    for (const Case& c : {Case{"usb", true, 1, 16}, Case{"usb=20", true, 20, 16}, Case{"usb=20:1", true, 20, 1},
                          Case{"usb=0:0", true, 0, 0}, Case{"usb=x", false, 0, 0}, Case{"usb=20:256", false, 0, 0},
                          Case{"usb=1:2:3", false, 0, 0}, Case{"usb=", false, 0, 0}}) {
        sim::FaultSet f;
        std::string error;
        EXPECT_EQ(f.add(c.text, error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_NE(error.find(c.text), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(f.usb) << c.text;
        EXPECT_EQ(f.usb->turnaroundMs, c.turnaround) << c.text;
        EXPECT_EQ(f.usb->latencyMs, c.latency) << c.text;
    }
}

struct Tool {
    explicit Tool(const std::string& path) : link(line, clock, state)
    {
        link.selectPort(path);
        opened = link.openPort();
    }
    PosixSerialLine line;
    SystemClock clock;
    ConnectionState state;
    DeviceLink link;
    bool opened = false;
};

TEST(TerminalLink, PageAnswerBehindAUsbAdapterComesInPacketsAndIsStillRead)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--fault", "usb=20"});
    Tool tool(sim.ptyPath());
    ASSERT_TRUE(tool.opened) << tool.link.lastOpenError();
    ASSERT_EQ(tool.line.deliveryLatencyMs(), 16u) << "a pseudo-terminal's latency is not known";

    // How the bytes come: packets of 62, the last one late.
    const uint8_t frame[] = {0xAA, 0x01, 0x00, 0x00, 0x55, 0xE0};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(tool.line.transmit(frame, sizeof frame));
    std::vector<std::pair<size_t, double>> arrivals; // bytes so far, ms
    size_t got = 0;
    uint8_t buf[256];
    while (got < 132 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
        const size_t n = tool.line.read(buf, sizeof buf);
        if (n > 0) {
            got += n;
            arrivals.emplace_back(got, std::chrono::duration<double, std::milli>(
                                           std::chrono::steady_clock::now() - start).count());
        }
        ::usleep(300);
    }
    ASSERT_EQ(got, 132u);
    ASSERT_GE(arrivals.size(), 2u);
    EXPECT_GE(arrivals.front().second, 20 + 32.0) << "nothing before the first full packet";
    for (size_t i = 0; i + 1 < arrivals.size(); ++i)
        EXPECT_EQ(arrivals[i].first % 62, 0u) << "only whole packets before the last";
    EXPECT_GE(arrivals.back().second, 20 + 68.75 + 16 - 1) << "the tail waits for the latency";

    // The reader's window allows for it: the whole memory, again and again.
    uint8_t page[128];
    int failures = 0;
    for (int pass = 0; pass < 3; ++pass)
        for (uint16_t a = 0; a < 512; a += 128)
            failures += tool.link.readPage(a, page) ? 0 : 1;
    EXPECT_EQ(failures, 0);
    sim.stop();
}

TEST(TerminalLink, TerminalGoingAwayIsReportedAsAHangUp)
{
    KDX_REQUIRE_SIM();
    for (const char* how : {"killed", "unplugged"}) {
        const bool kill = std::string(how) == "killed";
        SimProcess sim(kill ? std::vector<std::string>{} : std::vector<std::string>{"--fault", "unplug=300"});
        Tool tool(sim.ptyPath());
        ASSERT_TRUE(tool.opened) << how;
        ASSERT_TRUE(tool.link.sendCommand(0x03, 0, 0, 0)) << how;
        ASSERT_TRUE(tool.link.readResponse(8, 0, 0)) << how;
        EXPECT_FALSE(tool.link.lineHungUp()) << how;
        if (kill) {
            sim.stop(SIGKILL);
        } else {
            tool.clock.sleepMs(700);
        }
        (void)tool.link.readResponse(8, 0, 0);
        EXPECT_TRUE(tool.line.hungUp()) << how;
        EXPECT_TRUE(tool.link.lineHungUp()) << how;
        EXPECT_FALSE(tool.link.sendCommand(0x03, 0, 0, 0)) << how;
        tool.link.closePort();
        EXPECT_FALSE(tool.link.lineHungUp()) << how;
        sim.stop();
    }
}

// The status line of the search.
class StatusLine : public SessionListener {
public:
    void statusText(const std::string& text) override { status = text; }
    std::string status;
};

class NoSystemPorts : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    std::vector<std::string> systemSerialPorts() override { return {}; }
    std::vector<std::string> deviceNames() override { return {}; }
};

// CONNECT count times through the real line; the number of searches that
// found the controller and read its memory.
int connectRepeatedly(const std::string& path, int count, std::string* status = nullptr)
{
    PosixSerialLine line;
    SystemClock clock;
    NoSystemPorts discovery;
    test::RecordingPrompts prompts;
    SessionOptions options;
    options.ports = {path};
    options.recordThisPc = false;
    DeviceSession session({line, clock, discovery, prompts}, options);
    StatusLine host;
    session.setListener(&host);
    ConnectionState& state = session.state();
    int connected = 0;
    for (int i = 0; i < count; ++i) {
        state.parametersLoaded = false;
        session.autoConnect();
        if (state.connected && state.parametersLoaded && prompts.messages.empty())
            ++connected;
    }
    if (status)
        *status = host.status;
    return connected;
}

TEST(TerminalLink, TenConnectsInARowAsAnOrdinaryUser)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    const std::string path = sim.ptyPath();
    ASSERT_FALSE(path.empty());
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(connectRepeatedly(path, 10));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 10) << "searches that connected, of ten (99: could not drop root)";
    sim.stop();
}

TEST(TerminalLink, PortLockedByAnotherProgramIsNamedInTheStatusLine)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    const std::string path = sim.ptyPath();
    ASSERT_FALSE(path.empty());
    // Another terminal program that locks what it opens.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        const char held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
        (void)::write(ready[1], &held, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(held, 'y');

    std::string status;
    EXPECT_EQ(connectRepeatedly(path, 1, &status), 0);
    EXPECT_EQ(status, path + ": in use by another program (it holds the port's lock)");

    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    EXPECT_EQ(connectRepeatedly(path, 1, &status), 1) << status;
    EXPECT_EQ(status, "");
    sim.stop();
}

} // namespace
