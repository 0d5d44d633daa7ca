#include "app/GuiClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

namespace kdx {

void GuiClock::sleepMs(uint32_t ms)
{
    BusyScope busy(m_busy);
    const uint64_t end = m_system.nowMs() + ms;
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const uint64_t now = m_system.nowMs();
        if (now >= end)
            break;
        m_system.sleepMs(static_cast<uint32_t>(std::min<uint64_t>(kSliceMs, end - now)));
    }
}

uint64_t GuiClock::nowMs() const { return m_system.nowMs(); }

} // namespace kdx
