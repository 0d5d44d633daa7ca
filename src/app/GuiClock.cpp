#include "app/GuiClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <thread>

namespace kdx {

void GuiClock::sleepMs(uint32_t ms)
{
    // Timed on the steady clock itself rather than in whole milliseconds, so
    // a 2 ms poll pause is 2 ms and not anything from 1 to 2.
    using namespace std::chrono;
    BusyScope busy(m_busy);
    // Inside a long operation input is read and discarded by the input
    // guard; elsewhere (an edit, the status tick) it waits for the handler
    // to end and is delivered then.
    const bool longOperation = m_busy.inLongOperation();
    const auto flags = longOperation ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    const auto end = steady_clock::now() + milliseconds(ms);
    // The window gets its turn at the start and, inside a long operation
    // whose progress it shows, after each whole slice; never in the last
    // stretch, where what it does would make the pause late. A short
    // handler's pause (the status tick, an edit) sleeps in one piece.
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(flags);
        const auto now = steady_clock::now();
        if (now >= end)
            return;
        if (!longOperation || end - now <= milliseconds(kSliceMs))
            break;
        std::this_thread::sleep_for(milliseconds(kSliceMs));
    }
    // To the deadline itself rather than for a length, so the time spent
    // getting here is not added to the pause.
    std::this_thread::sleep_until(end);
}

uint64_t GuiClock::nowMs() const { return m_system.nowMs(); }

} // namespace kdx
