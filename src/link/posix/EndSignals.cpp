#include "link/posix/EndSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kdx {

namespace {

int g_write = -1; // the handler's end of the pipe

extern "C" void noteEndSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    (void)!::write(g_write, &number, 1);
    errno = saved;
}

} // namespace

EndSignals::EndSignals()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = ends[0];
    g_write = ends[1];
    struct sigaction action {};
    action.sa_handler = noteEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

EndSignals::~EndSignals()
{
    if (m_read < 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    ::close(g_write);
    ::close(m_read);
    g_write = -1;
}

int EndSignals::take()
{
    unsigned char number = 0;
    if (m_read < 0 || ::read(m_read, &number, 1) != 1)
        return 0;
    return number;
}

} // namespace kdx
