#pragma once

#include <cstdio>

namespace kdx {

// What a command-line program asks of the system about its console.
class SystemConsole {
public:
    // True when stream goes to a terminal (a person watches it).
    static bool isTerminal(std::FILE* stream);
    // Calls handler (from a signal context: it may only set a flag) when the
    // person interrupts the program (Ctrl-C), the system asks it to end, or
    // its terminal goes away.
    // A wait in progress is cut short rather than resumed.
    static void onInterrupt(void (*handler)(int));
};

} // namespace kdx
