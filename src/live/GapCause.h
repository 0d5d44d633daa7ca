#pragma once

#include "live/StatusSample.h"

#include <optional>

namespace kdx {

// Why the status frames stopped coming, noted by the window as it happens
// and read when the next frame closes the gap (and while the gap lasts).
// A lost link outweighs a pause: a technician must learn of a pulled adapter
// even when a dialog was open when it went. A valid frame clears it.
class GapCause {
public:
    // What held the polling off.
    enum class Pause {
        None,
        Dialog,     // a message box or a file dialog is open
        Operation,  // a long operation runs: a search, a full read, an upgrade, a restore
    };

    void frameArrived();
    void linkLost();
    void paused(Pause why);
    // The hold lifted; the cause noted stays until a frame.
    void resumed() { m_pausedNow = Pause::None; }

    // NoLink, Paused, or nothing noted since the last frame.
    std::optional<StatusSample::State> cause() const;
    // The pause running now (None when the polling runs or the link is lost).
    Pause pausedNow() const { return m_pausedNow; }

private:
    bool m_lost = false;
    bool m_noted = false;
    Pause m_pausedNow = Pause::None;
};

} // namespace kdx
