#include "link/posix/TtyAccess.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kdx {

int TtyAccess::open(const std::string& path, int flags) { return ::open(path.c_str(), flags); }
int TtyAccess::close(int fd) { return ::close(fd); }
int TtyAccess::lock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB); }
int TtyAccess::setExclusive(int fd, bool on) { return ::ioctl(fd, on ? TIOCEXCL : TIOCNXCL); }
int TtyAccess::getAttributes(int fd, termios& tio) { return ::tcgetattr(fd, &tio); }
int TtyAccess::setAttributes(int fd, const termios& tio) { return ::tcsetattr(fd, TCSANOW, &tio); }

int TtyAccess::setBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return flags;
    return ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

int TtyAccess::setModemLines(int fd, int bits, bool on) { return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits); }

int TtyAccess::setLowLatency(int fd)
{
    serial_struct ss {};
    if (::ioctl(fd, TIOCGSERIAL, &ss) != 0)
        return -1;
    if (ss.flags & ASYNC_LOW_LATENCY)
        return 0;
    ss.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &ss);
}

ssize_t TtyAccess::write(int fd, const void* data, size_t count) { return ::write(fd, data, count); }
int TtyAccess::drain(int fd) { return ::tcdrain(fd); }
int TtyAccess::outputQueued(int fd, int& count) { return ::ioctl(fd, TIOCOUTQ, &count); }
int TtyAccess::flushOutput(int fd) { return ::tcflush(fd, TCOFLUSH); }
int TtyAccess::inputWaiting(int fd, int& count) { return ::ioctl(fd, FIONREAD, &count); }
ssize_t TtyAccess::read(int fd, void* data, size_t count) { return ::read(fd, data, count); }

int TtyAccess::pollNow(int fd, short& revents)
{
    pollfd p {fd, POLLIN, 0};
    const int r = ::poll(&p, 1, 0);
    revents = r > 0 ? p.revents : 0;
    return r;
}

TtyAccess& TtyAccess::system()
{
    static TtyAccess real;
    return real;
}

} // namespace kdx
