#pragma once

#include "app/BusyState.h"
#include "app/InputGuard.h"

#include <utility>

namespace kdx {

// How a handler's procedure treats the technician's input while it runs.
enum class Procedure {
    // An edit, a mode button, a comparison: the timer tick waits, and input
    // that arrives meanwhile is delivered afterwards, as usual.
    Short,
    // Connecting, the full read, the defaults, a file load, the upgrade, the
    // tester's tone: input meanwhile is discarded rather than replayed,
    // except what goes to a box the procedure opened and that box's own
    // popups (name completion, drop-downs), which the input guard lets pass.
    Long,
};

// The one way a handler runs a procedure. Every handler of the window, its
// menus and its pages goes through here, so the timer tick is never inside a
// procedure and the input guard knows when to discard.
class ProcedureRunner {
public:
    explicit ProcedureRunner(BusyState& busy) : m_busy(busy) {}

    template <typename F>
    void run(Procedure kind, F&& procedure) const
    {
        if (kind == Procedure::Long) {
            LongOperation op(m_busy);
            std::forward<F>(procedure)();
        } else {
            BusyScope scope(m_busy);
            std::forward<F>(procedure)();
        }
    }
    template <typename F>
    void runShort(F&& procedure) const { run(Procedure::Short, std::forward<F>(procedure)); }
    template <typename F>
    void runLong(F&& procedure) const { run(Procedure::Long, std::forward<F>(procedure)); }

    BusyState& busy() const { return m_busy; }

private:
    BusyState& m_busy;
};

} // namespace kdx
