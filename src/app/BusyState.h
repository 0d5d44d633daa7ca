#pragma once

namespace kdx {

// Counts the handlers and long operations running right now. The main timer's
// tick does nothing while it is above zero, so a tick never runs inside a
// handler, a modal box or a protocol pause that keeps the window painting.
struct BusyState {
    int depth = 0;
    bool busy() const { return depth > 0; }
    // Long operations (connecting, the full read, the defaults, the firmware
    // upgrade, the tester's tone) running right now: the technician's input
    // that arrives meanwhile is discarded, not replayed when they end.
    int longDepth = 0;
    bool inLongOperation() const { return longDepth > 0; }
};

// Marks a scope as busy.
class BusyScope {
public:
    explicit BusyScope(BusyState& state) : m_state(state) { ++m_state.depth; }
    ~BusyScope() { --m_state.depth; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyState& m_state;
};

} // namespace kdx
