#include "link/SystemConsole.h"

#include <csignal>
#include <unistd.h>

namespace kdx {

bool SystemConsole::isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void SystemConsole::onInterrupt(void (*handler)(int))
{
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    // A closed terminal or a dropped remote session stops a procedure the
    // same way, between two frames, never half way through a write.
    ::sigaction(SIGHUP, &sa, nullptr);
}

} // namespace kdx
