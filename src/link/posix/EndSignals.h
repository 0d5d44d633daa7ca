#pragma once

namespace kdx {

// SIGTERM (logout, systemctl, kill) and SIGHUP (the terminal went away)
// turned into a readable descriptor, so that the program ends through its
// own event loop, closing the port as a closed window does, rather than in
// the middle of whatever the signal interrupted.
class EndSignals {
public:
    // Installs the handlers; one instance per process.
    EndSignals();
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // Readable once a signal came; -1 when the pipe could not be made.
    int descriptor() const { return m_read; }
    // The signal that came (SIGTERM or SIGHUP), 0 when none is waiting.
    int take();

private:
    int m_read = -1;
};

} // namespace kdx
