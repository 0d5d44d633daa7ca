#include "link/posix/PosixSerialLine.h"

#include "protocol/Wire.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <memory>
#include <utility>

namespace kdx {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The signal that ends a transmitter wait at its bound. A real-time signal
// nothing else in the program uses; its handler does nothing, its only job
// is to make tcdrain() return with EINTR.
int drainAlarmSignal() { return SIGRTMIN + 5; }

void onDrainAlarm(int) {}

// Installs the handler once; false when the signal belongs to someone else,
// in which case waits are not bounded.
bool drainAlarmReady()
{
    static const bool ready = [] {
        struct sigaction old {};
        if (::sigaction(drainAlarmSignal(), nullptr, &old) != 0)
            return false;
        if (!(old.sa_flags & SA_SIGINFO) && old.sa_handler == onDrainAlarm)
            return true;
        if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL)
            return false;
        struct sigaction sa {};
        sa.sa_handler = onDrainAlarm;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0; // no SA_RESTART: the interrupted wait must return
        return ::sigaction(drainAlarmSignal(), &sa, nullptr) == 0;
    }();
    return ready;
}

} // namespace

// A one-shot timer that sends drainAlarmSignal() to the thread that made it.
class DrainAlarm {
public:
    DrainAlarm() : m_thread(::gettid())
    {
        if (!drainAlarmReady())
            return;
        sigevent ev {};
        ev.sigev_notify = SIGEV_THREAD_ID;
        ev.sigev_signo = drainAlarmSignal();
#ifdef sigev_notify_thread_id
        ev.sigev_notify_thread_id = m_thread;
#else
        ev._sigev_un._tid = m_thread;
#endif
        m_ok = ::timer_create(CLOCK_MONOTONIC, &ev, &m_timer) == 0;
    }
    ~DrainAlarm()
    {
        if (m_ok)
            ::timer_delete(m_timer);
    }
    DrainAlarm(const DrainAlarm&) = delete;
    DrainAlarm& operator=(const DrainAlarm&) = delete;

    pid_t thread() const { return m_thread; }
    void arm(std::chrono::nanoseconds after)
    {
        if (!m_ok)
            return;
        const long long ns = std::max<long long>(after.count(), 1000);
        itimerspec spec {};
        spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
        spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
        ::timer_settime(m_timer, 0, &spec, nullptr);
    }
    void disarm()
    {
        if (!m_ok)
            return;
        itimerspec spec {};
        ::timer_settime(m_timer, 0, &spec, nullptr);
    }

private:
    pid_t m_thread;
    timer_t m_timer {};
    bool m_ok = false;
};

namespace {

bool goneError(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

} // namespace

PosixSerialLine::PosixSerialLine(TtyAccess& tty, std::string sysfsRoot)
    : m_tty(tty), m_sysfsRoot(std::move(sysfsRoot))
{
}

PosixSerialLine::~PosixSerialLine() { close(); }

void PosixSerialLine::fail(const std::string& why) { m_lastError = m_device + ": " + why; }

bool PosixSerialLine::open(const std::string& deviceName)
{
    close();
    m_device = deviceName;
    const int fd = m_tty.open(deviceName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(std::strerror(errno));
        return false;
    }
    auto refuse = [&](const std::string& why) {
        fail(why);
        m_tty.close(fd);
        return false;
    };
    // Another program that locks its ports holds this one: leave it alone,
    // modem lines included.
    if (m_tty.lock(fd) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK)
            return refuse("in use by another program (it holds the port's lock)");
        if (error != ENOLCK && error != EINVAL && error != EOPNOTSUPP)
            return refuse(std::strerror(error));
    }
    // Opening a tty raises DTR and RTS; RTS enables the RS-485 driver, so
    // both go down before anything else happens on the port.
    (void)m_tty.setModemLines(fd, TIOCM_DTR | TIOCM_RTS, false);
    if (m_tty.setExclusive(fd, true) != 0 && errno != ENOTTY && errno != EINVAL)
        return refuse(std::strerror(errno));

    termios tio {};
    if (m_tty.getAttributes(fd, tio) != 0) {
        const int error = errno;
        (void)m_tty.setExclusive(fd, false);
        return refuse(std::string("not a serial device (") + std::strerror(error) + ")");
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    // A settings write the driver refuses leaves the port as the driver keeps it.
    (void)m_tty.setAttributes(fd, tio);
    (void)m_tty.setBlocking(fd);
    // Some drivers raise the lines again when the speed changes from B0.
    (void)m_tty.setModemLines(fd, TIOCM_DTR | TIOCM_RTS, false);

    m_latency = settleAdapterLatency(deviceName, fd, m_tty, m_sysfsRoot);
    m_fd = fd;
    m_hungUp = false;
    m_undrained = 0;
    m_known = 0;
    m_noModemControl = false;
    m_lastError.clear();
    return true;
}

void PosixSerialLine::close()
{
    if (m_fd < 0)
        return;
    // The exclusive mark belongs to the terminal, not to this descriptor.
    (void)m_tty.setExclusive(m_fd, false);
    (void)m_tty.close(m_fd); // also ends the advisory lock
    m_fd = -1;
    m_hungUp = false;
    m_undrained = 0;
    m_known = 0;
    m_noModemControl = false;
}

void PosixSerialLine::noteGone(int error)
{
    if (goneError(error)) {
        m_hungUp = true;
        fail(std::strerror(error));
    }
}

bool PosixSerialLine::drainBounded()
{
    const auto bound = std::chrono::microseconds(wire::wireTimeUs(m_undrained))
        + std::chrono::milliseconds(kDrainMarginMs);
    const auto deadline = SteadyClock::now() + bound;
    // One timer for the life of the line, made by the thread that waits.
    // The thread's id is asked of the system once per thread, not per frame.
    thread_local const pid_t self = ::gettid();
    if (!m_alarm || m_alarm->thread() != self)
        m_alarm = std::make_unique<DrainAlarm>();
    DrainAlarm& alarm = *m_alarm;
    for (;;) {
        alarm.arm(deadline - SteadyClock::now());
        const int r = m_tty.drain(m_fd);
        const int error = errno;
        alarm.disarm();
        if (r == 0) {
            m_undrained = 0;
            return true;
        }
        if (error != EINTR) {
            noteGone(error);
            if (m_hungUp)
                return false;
            m_undrained = 0; // a device that cannot wait has nothing to wait for
            return true;
        }
        if (SteadyClock::now() < deadline)
            continue; // another signal: wait on
        // The bound is over. A queue the driver has emptied meanwhile is fine.
        int queued = 0;
        if (m_tty.outputQueued(m_fd, queued) == 0 && queued == 0) {
            m_undrained = 0;
            return true;
        }
        (void)m_tty.flushOutput(m_fd);
        m_undrained = 0;
        m_hungUp = true;
        fail("transmitter stalled (nothing left the adapter for " + std::to_string(bound.count() / 1000)
             + " ms)");
        return false;
    }
}

bool PosixSerialLine::transmit(const uint8_t* data, size_t count)
{
    if (m_fd < 0 || m_hungUp)
        return false;
    setRts(true);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = m_tty.write(m_fd, data + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A device that takes nothing (or fails) will not take the rest.
            if (n < 0)
                noteGone(errno);
            m_undrained += done;
            setRts(false);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    m_undrained += count;
    // RTS must stay up until the last stop bit has left the transmitter.
    const bool drained = drainBounded();
    setRts(false);
    return drained;
}

void PosixSerialLine::setRts(bool on)
{
    if (m_noModemControl)
        return;
    if (m_tty.setModemLines(m_fd, TIOCM_RTS, on) != 0 && (errno == ENOTTY || errno == EINVAL))
        m_noModemControl = true;
}

void PosixSerialLine::drain()
{
    // Every transmit waits for its own bytes; only what a failed write left
    // queued can still be going out.
    if (m_fd >= 0 && !m_hungUp && m_undrained > 0)
        (void)drainBounded();
}

size_t PosixSerialLine::bytesWaiting()
{
    m_known = 0;
    if (m_fd < 0 || m_hungUp)
        return 0;
    int n = 0;
    if (m_tty.inputWaiting(m_fd, n) != 0) {
        noteGone(errno);
        return 0;
    }
    if (n > 0) {
        m_known = static_cast<size_t>(n);
        return m_known;
    }
    // Nothing waiting: a device that went away says so here (a hung-up
    // terminal may still answer the count with zero).
    short revents = 0;
    if (m_tty.pollNow(m_fd, revents) > 0 && (revents & (POLLHUP | POLLERR | POLLNVAL))) {
        m_hungUp = true;
        fail("the device went away");
    }
    return 0;
}

size_t PosixSerialLine::read(uint8_t* destination, size_t maxCount)
{
    if (m_fd < 0 || maxCount == 0)
        return 0;
    // Bytes the driver has just reported stay there until read (the port is
    // open exclusively): the reader's count right before is not asked again.
    const size_t waiting = m_known > 0 ? m_known : bytesWaiting();
    if (waiting == 0)
        return 0;
    const size_t want = waiting < maxCount ? waiting : maxCount;
    ssize_t n;
    do {
        n = m_tty.read(m_fd, destination, want);
    } while (n < 0 && errno == EINTR);
    m_known = n > 0 && static_cast<size_t>(n) < waiting ? waiting - static_cast<size_t>(n) : 0;
    if (n == 0) {
        // Bytes were reported waiting, yet the descriptor is at its end.
        m_hungUp = true;
        fail("the device went away");
    } else if (n < 0) {
        noteGone(errno);
    }
    return n > 0 ? static_cast<size_t>(n) : 0;
}

} // namespace kdx
