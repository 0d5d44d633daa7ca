#include "link/PosixSerialLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kdx {

namespace {

void setModemBit(int fd, int bit, bool on)
{
    // A pseudo-terminal and some adapters refuse modem control; the line works
    // without it, so the refusal is ignored.
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

} // namespace

PosixSerialLine::~PosixSerialLine() { close(); }

bool PosixSerialLine::open(const std::string& deviceName)
{
    close();
    const int fd = ::open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = deviceName + ": " + std::strerror(errno);
        return false;
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        m_lastError = deviceName + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        m_lastError = deviceName + ": not a serial device (" + std::strerror(errno) + ")";
        ::close(fd);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    // A settings write the driver refuses leaves the port as the driver keeps it.
    (void)::tcsetattr(fd, TCSANOW, &tio);

    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    setModemBit(fd, TIOCM_DTR, false);
    setModemBit(fd, TIOCM_RTS, false);

    m_fd = fd;
    m_lastError.clear();
    return true;
}

void PosixSerialLine::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_hungUp = false;
}

bool PosixSerialLine::hungUp() const
{
    if (m_fd < 0 || m_hungUp)
        return m_hungUp;
    // An unplugged adapter and a terminal whose other side closed both
    // report POLLHUP (or POLLERR) from now on.
    pollfd p {m_fd, 0, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        m_hungUp = true;
    return m_hungUp;
}

bool PosixSerialLine::transmit(const uint8_t* data, size_t count)
{
    if (m_fd < 0)
        return false;
    setModemBit(m_fd, TIOCM_RTS, true);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, data + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A device that takes nothing (or fails) will not take the rest.
            setModemBit(m_fd, TIOCM_RTS, false);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    // RTS must stay up until the last stop bit has left the transmitter.
    (void)::tcdrain(m_fd);
    setModemBit(m_fd, TIOCM_RTS, false);
    return true;
}

void PosixSerialLine::drain()
{
    if (m_fd >= 0)
        (void)::tcdrain(m_fd);
}

size_t PosixSerialLine::bytesWaiting()
{
    if (m_fd < 0)
        return 0;
    int n = 0;
    if (::ioctl(m_fd, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return static_cast<size_t>(n);
}

size_t PosixSerialLine::read(uint8_t* destination, size_t maxCount)
{
    if (m_fd < 0 || maxCount == 0)
        return 0;
    const size_t waiting = bytesWaiting();
    if (waiting == 0)
        return 0;
    const size_t want = waiting < maxCount ? waiting : maxCount;
    ssize_t n;
    do {
        n = ::read(m_fd, destination, want);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

} // namespace kdx
