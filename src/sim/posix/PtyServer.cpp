#include "sim/posix/PtyServer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace kdx::sim {

namespace {

// Longest sleep while nothing is due; unplug=MS takes effect at most this late.
constexpr int kIdlePollMs = 200;
// Wake-up interval while the terminal has not yet taken all answer bytes.
constexpr int kRetryWriteMs = 2;

} // namespace

PtyServer::~PtyServer() { pullPlug(); }

bool PtyServer::open(std::string& error)
{
    termios tio {};
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    (void)::tcsetattr(m_slave, TCSANOW, &tio);
    const int flags = ::fcntl(m_master, F_GETFL);
    (void)::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    (void)::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    (void)::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = name;
    return true;
}

void PtyServer::pullPlug()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_pending.clear();
    if (m_usb)
        m_usb->clear();
    m_pulled = true;
    if (m_plugWatcher)
        m_plugWatcher({});
}

void PtyServer::run(volatile std::sig_atomic_t& stop)
{
    volatile std::sig_atomic_t never = 0;
    run(stop, never, {});
}

void PtyServer::run(volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& report,
                    const std::function<void()>& onReport)
{
    uint8_t buffer[4096];
    if (const auto& usb = m_model.faults().usb)
        m_usb.emplace(usb->latencyMs);
    while (!stop) {
        if (report) {
            report = 0;
            if (onReport)
                onReport();
        }
        uint64_t now = m_clock.nowMs();
        if (m_master >= 0 && m_model.unplugged(now)) {
            // Like a USB adapter pulled out: the tool's writes now fail.
            pullPlug();
        }
        if (m_master < 0 && m_pulled && !m_model.unplugged(now)) {
            // Plugged in again: a new terminal, as a USB adapter comes back
            // as a new device.
            std::string error;
            if (open(error)) {
                m_pulled = false;
                if (m_plugWatcher)
                    m_plugWatcher(m_slavePath);
            }
        }
        if (m_master < 0) {
            ::poll(nullptr, 0, kIdlePollMs);
            continue;
        }

        int timeout = kIdlePollMs;
        if (!m_pending.empty()) {
            timeout = kRetryWriteMs;
        } else if (const auto next = m_model.nextByteMs()) {
            timeout = static_cast<int>(std::min<uint64_t>(*next > now ? *next - now : 0, kIdlePollMs));
        }
        if (m_usb) {
            if (const auto next = m_usb->nextReleaseMs())
                timeout = std::min(timeout, static_cast<int>(*next > now ? *next - now : 0));
        }
        pollfd pfd {m_master, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        now = m_clock.nowMs();
        if (ready > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                m_model.receive(buffer, static_cast<size_t>(n), now);
        } else if (ready > 0 && (pfd.revents & (POLLHUP | POLLERR))) {
            // Cannot happen while the slave is held open; avoid spinning if it does.
            ::poll(nullptr, 0, kRetryWriteMs);
        }

        const auto dueSince = m_model.nextByteMs();
        const size_t due = m_model.available(now);
        if (due > 0) {
            if (dueSince && now > *dueSince) {
                const uint64_t late = now - *dueSince;
                m_maxLatenessMs = std::max(m_maxLatenessMs, late);
                if (late > kLateMs)
                    ++m_lateWrites;
            }
            if (m_usb) {
                std::vector<uint8_t> offTheWire(due);
                offTheWire.resize(m_model.take(offTheWire.data(), due, now));
                m_usb->push(offTheWire.data(), offTheWire.size(), now);
            } else {
                const size_t at = m_pending.size();
                m_pending.resize(at + due);
                m_pending.resize(at + m_model.take(m_pending.data() + at, due, now));
            }
        }
        if (m_usb)
            m_usb->release(now, m_pending);
        if (!m_pending.empty()) {
            const ssize_t w = ::write(m_master, m_pending.data(), m_pending.size());
            if (w > 0)
                m_pending.erase(m_pending.begin(), m_pending.begin() + w);
        }
    }
}

} // namespace kdx::sim
