// The POSIX line's use of the terminal: modem lines, the transmitter wait,
// the locks and the hang-up report, on a pseudo-terminal. A recording layer
// over the real system calls stands in for the modem lines a pseudo-terminal
// refuses, and can stall the transmitter.
#include "link/posix/PosixSerialLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <vector>

namespace kdx {
namespace {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<std::string>;

class RecordingTty : public TtyAccess {
public:
    int open(const std::string& path, int flags) override
    {
        events.push_back("open");
        const int fd = TtyAccess::open(path, flags);
        dtr = rts = true; // what the kernel does to a real port at open
        return fd;
    }
    int close(int fd) override
    {
        events.push_back("close");
        return TtyAccess::close(fd);
    }
    int lock(int fd) override
    {
        events.push_back("lock");
        return TtyAccess::lock(fd);
    }
    int setExclusive(int fd, bool on) override
    {
        events.push_back(on ? "exclusive" : "not exclusive");
        return TtyAccess::setExclusive(fd, on);
    }
    int setAttributes(int fd, const termios& tio) override
    {
        events.push_back("settings");
        return TtyAccess::setAttributes(fd, tio);
    }
    int setModemLines(int, int bits, bool on) override
    {
        std::string e = on ? "raise" : "lower";
        if (bits & TIOCM_DTR) {
            e += " DTR";
            dtr = on;
        }
        if (bits & TIOCM_RTS) {
            e += " RTS";
            rts = on;
        }
        events.push_back(e);
        if (refuseModemControl) {
            errno = EINVAL;
            return -1;
        }
        return 0;
    }
    ssize_t write(int fd, const void* data, size_t count) override
    {
        events.push_back("write " + std::to_string(count) + (rts ? " with RTS" : " without RTS"));
        return TtyAccess::write(fd, data, count);
    }
    int drain(int fd) override
    {
        events.push_back("drain");
        ++drains;
        if (interruptions > 0) {
            --interruptions;
            errno = EINTR;
            return -1;
        }
        if (stall) {
            // A transmitter that never empties: sleeps until a signal comes.
            const int r = ::poll(nullptr, 0, 5000);
            errno = r < 0 ? errno : EAGAIN;
            return -1;
        }
        return TtyAccess::drain(fd);
    }
    int outputQueued(int fd, int& count) override
    {
        if (stall) {
            count = 6;
            return 0;
        }
        return TtyAccess::outputQueued(fd, count);
    }
    int flushOutput(int fd) override
    {
        events.push_back("flush output");
        return TtyAccess::flushOutput(fd);
    }

    Events events;
    bool dtr = false, rts = false;
    bool refuseModemControl = false;
    bool stall = false;
    int interruptions = 0;
    int drains = 0;
};

class Pty : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[128] = {};
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
        termios tio {};
        ASSERT_EQ(::tcgetattr(master, &tio), 0);
        ::cfmakeraw(&tio);
        ASSERT_EQ(::tcsetattr(master, TCSANOW, &tio), 0);
    }
    void TearDown() override
    {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
    Bytes readMaster(size_t n)
    {
        Bytes got;
        for (int i = 0; i < 100 && got.size() < n; ++i) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                uint8_t buf[256];
                const ssize_t r = ::read(master, buf, sizeof buf);
                if (r > 0)
                    got.insert(got.end(), buf, buf + r);
            }
        }
        return got;
    }
    // Runs body in a child process as an ordinary user (uid and gid 65534
    // when the test runs as root); the child's exit code, or -1.
    template <typename Body>
    int asOrdinaryUser(Body body)
    {
        if (::geteuid() == 0 && ::chmod(path.c_str(), 0666) != 0)
            return -1;
        const pid_t child = ::fork();
        if (child < 0)
            return -1;
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(99);
            ::_exit(body());
        }
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    int master = -1;
    int slave = -1; // held, as kdx-sim holds its terminal between clients
    std::string path;
};

TEST_F(Pty, OpenLowersDtrAndRtsBeforeTheSettingsAndTransmitFramesTheWriteWithRts)
{
    RecordingTty tty;
    PosixSerialLine line(tty);
    ASSERT_TRUE(line.open(path)) << line.lastError();
    EXPECT_EQ(tty.events, (Events{"open", "lock", "lower DTR RTS", "exclusive", "settings", "lower DTR RTS"}));
    EXPECT_FALSE(tty.dtr);
    EXPECT_FALSE(tty.rts);

    tty.events.clear();
    const Bytes frame{0x03, 0x00, 0x00, 0x00, 0xAD, 0xE0};
    ASSERT_TRUE(line.transmit(frame.data(), frame.size()));
    EXPECT_EQ(tty.events, (Events{"raise RTS", "write 6 with RTS", "drain", "lower RTS"}));
    EXPECT_FALSE(tty.rts);
    EXPECT_EQ(readMaster(6), frame);

    tty.events.clear();
    line.drain();
    EXPECT_EQ(tty.events, Events{}) << "the transmit waited for its bytes: nothing is left to wait for";

    tty.events.clear();
    line.close();
    EXPECT_EQ(tty.events, (Events{"not exclusive", "close"})) << "the mark is given back before the close";
}

TEST_F(Pty, AdapterThatRefusesModemControlStillTransmits)
{
    RecordingTty tty;
    tty.refuseModemControl = true; // switches direction by itself
    PosixSerialLine line(tty);
    ASSERT_TRUE(line.open(path)) << line.lastError();
    const Bytes frame{0xAA, 0x05, 0x00, 0x00, 0x59, 0xE0};
    EXPECT_TRUE(line.transmit(frame.data(), frame.size()));
    EXPECT_EQ(readMaster(6), frame);
    EXPECT_FALSE(line.hungUp());
    // Refused once, RTS is not asked for again: two system calls fewer per frame.
    tty.events.clear();
    EXPECT_TRUE(line.transmit(frame.data(), frame.size()));
    EXPECT_EQ(readMaster(6), frame);
    EXPECT_EQ(std::count_if(tty.events.begin(), tty.events.end(),
                            [](const std::string& e) { return e.find("RTS") != std::string::npos
                                                           && e.rfind("write", 0) != 0; }),
              0);
    // A new open asks again: the next device may take it.
    line.close();
    tty.refuseModemControl = false;
    ASSERT_TRUE(line.open(path)) << line.lastError();
    tty.events.clear();
    EXPECT_TRUE(line.transmit(frame.data(), frame.size()));
    EXPECT_EQ(tty.events, (Events{"raise RTS", "write 6 with RTS", "drain", "lower RTS"}));
}

TEST_F(Pty, InterruptedWaitForTheTransmitterIsResumed)
{
    RecordingTty tty;
    PosixSerialLine line(tty);
    ASSERT_TRUE(line.open(path)) << line.lastError();
    tty.interruptions = 2;
    const Bytes frame{0x03, 0x00, 0x00, 0x00, 0xAD, 0xE0};
    EXPECT_TRUE(line.transmit(frame.data(), frame.size()));
    EXPECT_EQ(tty.drains, 3);
    EXPECT_EQ(tty.events.back(), "lower RTS") << "RTS drops only after the transmitter emptied";
    EXPECT_FALSE(line.hungUp());
}

TEST_F(Pty, StalledTransmitterEndsWithinItsBoundAndTheLineReportsIt)
{
    RecordingTty tty;
    PosixSerialLine line(tty);
    ASSERT_TRUE(line.open(path)) << line.lastError();
    tty.stall = true;
    tty.events.clear();
    const Bytes frame{0x03, 0x00, 0x00, 0x00, 0xAD, 0xE0};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(line.transmit(frame.data(), frame.size()));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    // Bound: 6 bytes' wire time (3.1 ms) and the margin.
    EXPECT_GE(ms, static_cast<long>(PosixSerialLine::kDrainMarginMs));
    EXPECT_LT(ms, static_cast<long>(PosixSerialLine::kDrainMarginMs) + 1000) << "not the stalled wait's 5 s";
    EXPECT_TRUE(line.hungUp());
    EXPECT_NE(line.lastError().find("transmitter stalled"), std::string::npos) << line.lastError();
    ASSERT_GE(tty.events.size(), 3u);
    EXPECT_EQ(tty.events.end()[-2], "flush output");
    EXPECT_EQ(tty.events.back(), "lower RTS");
    EXPECT_FALSE(tty.rts);

    // Nothing more is tried on a broken line until it is reopened.
    tty.events.clear();
    EXPECT_FALSE(line.transmit(frame.data(), frame.size()));
    line.drain();
    EXPECT_TRUE(tty.events.empty());
    tty.stall = false;
    ASSERT_TRUE(line.open(path));
    EXPECT_FALSE(line.hungUp());
    EXPECT_TRUE(line.transmit(frame.data(), frame.size()));
}

TEST_F(Pty, TenOpensInARowAsAnOrdinaryUserWhileTheTerminalOutlivesEachClose)
{
    const int code = asOrdinaryUser([&] {
        for (int i = 0; i < 10; ++i) {
            PosixSerialLine line;
            if (!line.open(path))
                return 10 + i;
            line.close();
        }
        return 0;
    });
    EXPECT_EQ(code, 0) << "10+n: open n failed (n = 1 after a close that kept the exclusive mark)";
}

TEST_F(Pty, PortLockedByAnotherProgramIsRefusedAndFreedWithIt)
{
    const int other = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    RecordingTty tty;
    PosixSerialLine line(tty);
    EXPECT_FALSE(line.open(path));
    EXPECT_EQ(line.lastError(), path + ": in use by another program (it holds the port's lock)");
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(tty.events, (Events{"open", "lock", "close"})) << "its modem lines are left alone";

    // While the tool holds the port, the other program's lock fails.
    ::close(other);
    ASSERT_TRUE(line.open(path)) << line.lastError();
    const int third = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(third, 0) << "root passes the exclusive mark";
    EXPECT_NE(::flock(third, LOCK_EX | LOCK_NB), 0);
    ::close(third);
}

TEST_F(Pty, OtherSideGoingAwayIsAHangUpUntilClose)
{
    PosixSerialLine line;
    ASSERT_TRUE(line.open(path)) << line.lastError();
    EXPECT_FALSE(line.hungUp());
    EXPECT_EQ(line.bytesWaiting(), 0u);
    EXPECT_FALSE(line.hungUp()) << "a quiet line is not a gone one";

    ::close(slave);
    slave = -1;
    ::close(master); // the device disappears
    master = -1;
    EXPECT_EQ(line.bytesWaiting(), 0u);
    EXPECT_TRUE(line.hungUp());
    uint8_t buf[8];
    EXPECT_EQ(line.read(buf, sizeof buf), 0u);
    EXPECT_FALSE(line.transmit(buf, 1));
    EXPECT_TRUE(line.hungUp()) << "stays until close";
    line.close();
    EXPECT_FALSE(line.hungUp());
}

TEST_F(Pty, PseudoTerminalIsAnAdapterOfUnknownLatency)
{
    PosixSerialLine line;
    ASSERT_TRUE(line.open(path)) << line.lastError();
    EXPECT_EQ(line.adapterLatency().kind, AdapterLatency::Kind::Unknown);
    EXPECT_EQ(line.deliveryLatencyMs(), kAssumedAdapterLatencyMs);
}

} // namespace
} // namespace kdx
