#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kdx::drive {

// The time an operation needs by the protocol alone: its fixed pauses plus
// the wire time of its bytes at 19200 8N1 (10 bit times, 520.8 us a byte),
// laid out on one timeline the way an ideal tool with no overhead of its own
// would spend it. Where an answer travels during a pause, only the part of
// its wire time that outlasts the pause counts; the reader then needs the
// poll that takes the last byte and one more (the bytes of a poll count at
// the next one). The controller's turnaround (about 1 ms in the simulator)
// is not part of the budget, so it shows in the ratio.
//
// Two lines: on a serial line the PC's own frames take their wire time too
// (the transmit waits with tcdrain until the last bit is out); on a
// pseudo-terminal they arrive at once, as tcdrain does not wait there, and
// only the controller's answers are paced at 19200 baud by kdx-sim. The
// benchmark measures on a pseudo-terminal, so its ratios use the Pty budget;
// the Serial budget is what the same steps cost against real hardware.
class ProtocolBudget {
public:
    enum class Line { Pty, Serial };

    explicit ProtocolBudget(Line line) : m_line(line) {}

    double ms() const { return m_ms; }

    void pause(double ms) { m_ms += ms; }
    // The PC transmits `bytes`; an answer of answerBytes (0: none) follows
    // the request's last byte at once.
    void transmit(size_t bytes, size_t answerBytes = 0);
    // A command frame and the send pause after it.
    void command(size_t answerBytes = 0);
    // The polling reader until the pending answer is in, plus its last poll.
    void read();
    // A read that waits for nothing: all 21 polls.
    void readNothing();

    // --- the measured operations --------------------------------------------
    // Connection search and full read on the first port: search pause, drain
    // read, two identify exchanges with their pause, four page reads, the
    // connection log's write frames and the closing send pause.
    static double connect(Line line, unsigned logWriteFrames);
    // One status request and its answer: two ticks of the 50 ms timer (the
    // exchange itself, about 64 ms, fits inside).
    static double statusCycle();
    // One firmware block: pause, the 212-byte frame, pause, the 5-byte reply.
    static double firmwareBlock(Line line);
    // "RESET PARAMETERS!": all 256 words, pause, save, pause, reconnect.
    static double resetParameters(Line line, unsigned logWriteFrames);

private:
    double wireMs(size_t bytes) const;

    Line m_line;
    double m_ms = 0;
    std::optional<double> m_answerDoneMs;
};

} // namespace kdx::drive
