#pragma once

#include "app/BusyState.h"
#include "link/Clock.h"

namespace kdx {

// The wall clock for the window's thread. A protocol pause sleeps in short
// slices and between them lets the window repaint (progress bars, the upgrade
// log) without acting on user input (see InputGuard); the pause counts as
// busy, so the main timer's tick cannot run inside it.
class GuiClock : public Clock {
public:
    static constexpr uint32_t kSliceMs = 5;
    // Shorter pauses of a short handler do not give the window a turn.
    static constexpr uint32_t kShortTurnMs = 20;

    explicit GuiClock(BusyState& busy) : m_busy(busy) {}

    void sleepMs(uint32_t ms) override;
    uint64_t nowMs() const override;

private:
    BusyState& m_busy;
    SystemClock m_system;
};

} // namespace kdx
