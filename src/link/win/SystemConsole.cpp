#include "link/SystemConsole.h"

#include <csignal>
#include <io.h>

namespace kdx {

bool SystemConsole::isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

void SystemConsole::onInterrupt(void (*handler)(int))
{
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
}

} // namespace kdx
