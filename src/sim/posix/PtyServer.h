#pragma once

#include "link/Clock.h"
#include "sim/ControllerModel.h"
#include "sim/UsbDelivery.h"

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace kdx::sim {

// Serves a controller model on a pseudo-terminal in real time: the tool opens
// the terminal's slave side like a serial port; bytes written there reach the
// model, and the model's answers are written back as they come off the wire.
class PtyServer {
public:
    PtyServer(ControllerModel& model, const Clock& clock) : m_model(model), m_clock(clock) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the terminal (raw, so nothing is echoed or translated).
    bool open(std::string& error);
    const std::string& slavePath() const { return m_slavePath; }
    // Told when the adapter is pulled (empty path) and, after an outage
    // with an end, when it is plugged in again on a new terminal.
    void setPlugWatcher(std::function<void(const std::string& slavePath)> watcher) { m_plugWatcher = std::move(watcher); }

    // Serves until stop becomes non-zero (set by a signal handler). Sleeps in
    // poll() until a byte arrives or the next answer byte is complete on the
    // wire (about every 0.5 ms while an answer goes out), so idle costs nothing.
    void run(volatile std::sig_atomic_t& stop);
    // As run(), and whenever report becomes non-zero (a signal handler sets
    // it) calls onReport and clears it again.
    void run(volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& report,
             const std::function<void()>& onReport);

    // How far behind the wire the answer bytes reached the terminal: the
    // largest delay seen, and how many writes were more than kLateMs late
    // (a loaded machine; the tool's reader gives up about 40 ms after a
    // status answer is due).
    static constexpr uint64_t kLateMs = 20;
    uint64_t maxLatenessMs() const { return m_maxLatenessMs; }
    uint32_t lateWrites() const { return m_lateWrites; }

private:
    void pullPlug();

    ControllerModel& m_model;
    const Clock& m_clock;
    int m_master = -1;
    int m_slave = -1; // held open, so the master never sees a hang-up between clients
    std::string m_slavePath;
    std::function<void(const std::string&)> m_plugWatcher;
    bool m_pulled = false; // the adapter was pulled and is not back yet
    std::vector<uint8_t> m_pending; // taken from the model, not yet accepted by the terminal
    std::optional<UsbDelivery> m_usb; // fault usb: bytes off the wire wait here for their packet
    uint64_t m_maxLatenessMs = 0;
    uint32_t m_lateWrites = 0;
};

} // namespace kdx::sim
