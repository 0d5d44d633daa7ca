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
    const auto flags = m_busy.inLongOperation() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    const auto end = steady_clock::now() + milliseconds(ms);
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(flags);
        const auto now = steady_clock::now();
        if (now >= end)
            break;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(milliseconds(kSliceMs), end - now));
    }
}

uint64_t GuiClock::nowMs() const { return m_system.nowMs(); }

} // namespace kdx
