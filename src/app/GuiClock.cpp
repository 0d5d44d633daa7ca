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
    // A short handler's pause sleeps in one piece. The status tick's and an
    // edit's pauses (2 ms polls, 10 ms after a frame) end within a few
    // milliseconds and the window has its turn after the handler: letting
    // the event loop look for work before each of them cost more than the
    // poll. A longer one (a page request's) gives the window its turn at
    // the start, as before.
    if (!longOperation && ms < kShortTurnMs) {
        std::this_thread::sleep_until(end);
        return;
    }
    // Inside a long operation whose progress it shows, the window also gets
    // its turn after each whole slice; never in the last stretch, where what
    // it does would make the pause late.
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
