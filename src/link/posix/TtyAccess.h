#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <termios.h>

namespace kdx {

// The system calls PosixSerialLine makes on a terminal device, one virtual
// per call, so that a test can watch the modem lines (a pseudo-terminal
// refuses modem control) or stall the transmitter. Each returns what its
// system call returns and leaves errno as that call left it; the defaults
// make the real calls.
class TtyAccess {
public:
    virtual ~TtyAccess() = default;

    virtual int open(const std::string& path, int flags);
    virtual int close(int fd);
    // flock(LOCK_EX | LOCK_NB): the advisory lock other serial programs take.
    virtual int lock(int fd);
    // TIOCEXCL (on) or TIOCNXCL (off).
    virtual int setExclusive(int fd, bool on);
    virtual int getAttributes(int fd, termios& tio);
    virtual int setAttributes(int fd, const termios& tio);
    // Clears O_NONBLOCK.
    virtual int setBlocking(int fd);
    // TIOCMBIS (on) or TIOCMBIC (off) with TIOCM_* bits.
    virtual int setModemLines(int fd, int bits, bool on);
    // Asks the driver to hand over received bytes at once (the serial
    // driver's low-latency flag); fails on devices without that setting.
    virtual int setLowLatency(int fd);
    virtual ssize_t write(int fd, const void* data, size_t count);
    // tcdrain: blocks until the transmitter is empty; a signal ends it early.
    virtual int drain(int fd);
    // TIOCOUTQ: bytes still queued for transmission.
    virtual int outputQueued(int fd, int& count);
    // tcflush(TCOFLUSH).
    virtual int flushOutput(int fd);
    // FIONREAD: received bytes waiting.
    virtual int inputWaiting(int fd, int& count);
    virtual ssize_t read(int fd, void* data, size_t count);
    // poll() for input with zero timeout; revents as poll() reported them.
    virtual int pollNow(int fd, short& revents);

    // The real calls.
    static TtyAccess& system();
};

} // namespace kdx
