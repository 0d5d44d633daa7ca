// The real termios line against a pseudo-terminal: the test holds the master
// side and plays the controller. These take a few milliseconds of real time.
#include "link/DeviceLink.h"
#include "link/posix/PosixSerialLine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kdx {
namespace {

using Bytes = std::vector<uint8_t>;

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[128] = {};
        ASSERT_EQ(::openpty(&m_master, &m_slave, name, nullptr, nullptr), 0);
        m_path = name;
        // Raw master side, so the bytes pass unchanged both ways.
        termios tio {};
        ASSERT_EQ(::tcgetattr(m_master, &tio), 0);
        ::cfmakeraw(&tio);
        ASSERT_EQ(::tcsetattr(m_master, TCSANOW, &tio), 0);
        // Keep our slave fd only until the line has opened the device.
    }
    void TearDown() override
    {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    void releaseSlave()
    {
        ::close(m_slave);
        m_slave = -1;
    }

    // Reads n bytes from the master within a second.
    Bytes readMaster(size_t n)
    {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                uint8_t buf[256];
                const ssize_t r = ::read(m_master, buf, sizeof buf);
                if (r > 0)
                    got.insert(got.end(), buf, buf + r);
            }
        }
        return got;
    }
    void writeMaster(const Bytes& bytes)
    {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // The pty delivers written bytes asynchronously; wait until the line sees n.
    size_t waitForWaiting(PosixSerialLine& line, size_t n)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        size_t waiting = 0;
        while ((waiting = line.bytesWaiting()) < n && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return waiting;
    }

    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

TEST_F(PtyTest, OpensRawAt19200AndFramesArriveIntact)
{
    PosixSerialLine line;
    ASSERT_TRUE(line.open(m_path)) << line.lastError();
    EXPECT_TRUE(line.isOpen());

    termios tio {};
    ASSERT_EQ(::tcgetattr(m_slave, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), B19200);
    EXPECT_EQ(::cfgetispeed(&tio), B19200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u) << "no line discipline processing";

    // A pseudo-terminal refuses modem control, which must not fail a transmission.
    int rts = TIOCM_RTS;
    ASSERT_NE(::ioctl(m_slave, TIOCMBIS, &rts), 0) << "premise: the pty refuses RTS";
    releaseSlave();

    const Bytes frame{0xAA, 0x01, 0x01, 0x80, 0xD6, 0xE0};
    ASSERT_TRUE(line.transmit(frame.data(), frame.size()));
    EXPECT_EQ(readMaster(frame.size()), frame);
    const Bytes crlf{0x0D, 0x0A, 0x11, 0x13, 0x00};
    ASSERT_TRUE(line.transmit(crlf.data(), crlf.size()));
    EXPECT_EQ(readMaster(crlf.size()), crlf) << "control bytes pass untranslated";
}

TEST_F(PtyTest, WaitingCountAndReadsTakeExactlyWhatArrived)
{
    PosixSerialLine line;
    ASSERT_TRUE(line.open(m_path)) << line.lastError();
    releaseSlave();
    EXPECT_EQ(line.bytesWaiting(), 0u);
    uint8_t buf[64] = {};
    EXPECT_EQ(line.read(buf, sizeof buf), 0u) << "a read with nothing waiting returns at once";

    writeMaster({0x0D, 0x0A, 0x41, 0xE0, 0x11, 0x13, 0x03, 0x7F, 0xFF, 0x00});
    ASSERT_EQ(waitForWaiting(line, 10), 10u);
    EXPECT_EQ(line.read(buf, 4), 4u);
    EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{0x0D, 0x0A, 0x41, 0xE0}));
    EXPECT_EQ(line.bytesWaiting(), 6u);
    EXPECT_EQ(line.read(buf, sizeof buf), 6u);
    EXPECT_EQ(Bytes(buf, buf + 6), (Bytes{0x11, 0x13, 0x03, 0x7F, 0xFF, 0x00}));
    EXPECT_EQ(line.bytesWaiting(), 0u);

    line.close();
    EXPECT_FALSE(line.isOpen());
    EXPECT_FALSE(line.transmit(buf, 1));
    EXPECT_EQ(line.bytesWaiting(), 0u);
}

TEST_F(PtyTest, IdentifyExchangeThroughTheLink)
{
    PosixSerialLine line;
    SystemClock clock;
    ConnectionState state;
    DeviceLink link(line, clock, state);
    link.selectPort(m_path);
    ASSERT_TRUE(link.openPort()) << link.lastOpenError();
    releaseSlave();

    ASSERT_TRUE(link.sendCommand(0x03, 0, 0, 0));
    EXPECT_EQ(readMaster(6), (Bytes{0x03, 0x00, 0x00, 0x00, 0xAD, 0xE0}));
    writeMaster({0x41, 2, 4, 7, 0, 0, 0, 0xE0});
    ASSERT_TRUE(link.readResponse(8, 0, 0));
    const auto& rx = link.receiveBuffer();
    EXPECT_EQ(Bytes(rx.begin(), rx.begin() + 8), (Bytes{0x41, 2, 4, 7, 0, 0, 0, 0xE0}));

    // The line lets go of the old device before it tries a new name; a failed
    // open must not leave the link believing a port is open.
    link.selectPort("/dev/kdx-no-such-port0");
    EXPECT_FALSE(link.openPort());
    EXPECT_FALSE(line.isOpen());
    EXPECT_FALSE(state.portOpen);
    EXPECT_EQ(link.lastOpenError(), "/dev/kdx-no-such-port0: No such file or directory");
}

TEST_F(PtyTest, SecondOpenOfAHeldDeviceIsRefused)
{
    PosixSerialLine first;
    ASSERT_TRUE(first.open(m_path)) << first.lastError();
    releaseSlave();

    // Root passes a tty's exclusive lock, so the second opener runs as an
    // ordinary user in a child process.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(m_path.c_str(), 0666), 0);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        PosixSerialLine second;
        if (second.open(m_path))
            ::_exit(1);
        ::_exit(second.lastError() == m_path + ": Device or resource busy" ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened anyway, 2: other reason, 3: could not drop root";

    first.close();
    PosixSerialLine again;
    EXPECT_TRUE(again.open(m_path)) << "the lock ends with the first holder";
}

TEST(PosixSerialLineOpen, UnopenableDevicesFailWithTheReason)
{
    PosixSerialLine line;
    EXPECT_FALSE(line.open("/dev/kdx-no-such-port0"));
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(line.lastError(), "/dev/kdx-no-such-port0: No such file or directory");

    char file[] = "/tmp/kdx-not-a-tty-XXXXXX";
    const int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_FALSE(line.open(file)) << "a plain file is not a serial port";
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(line.lastError().rfind(std::string(file) + ": ", 0), 0u) << line.lastError();
    ::unlink(file);
}

} // namespace
} // namespace kdx
